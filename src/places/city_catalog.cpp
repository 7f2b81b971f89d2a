#include "city_catalog.h"

#include "model/city_code.h"
#include "model/city_name.h"
#include "model/html_text.h"
#include "model/nearest_city.h"
#include "places/gazetteer.h"
#include "places/places_log.h"
#include "platform/http_client.h"

#include <QFuture>
#include <QHash>
#include <QNetworkAccessManager>
#include <QPromise>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

#include <chrono>
#include <cmath>

namespace lumora {

namespace {

using namespace std::chrono_literals;

// A city page is tens of kilobytes; anything near this is not the page we want to hold in memory.
constexpr qint64 kMaxPageBytes = 8 * 1024 * 1024;
// What the system's URL loader waits by default before giving up on a silent server; also the most the whole
// page may take, so a service trickling bytes cannot hold the catalogue for ever.
constexpr auto kPageTimeout = 60s;

// A city's name with its markup is a few dozen characters. Longer text is no name, and bounding it bounds the
// cleaning each name goes through.
constexpr qsizetype kMaxOptionText = 4096;

QStringList withoutDuplicates(QStringList list) {
    list.removeDuplicates();
    return list;
}

bool isHtmlSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool startsAt(QStringView text, qsizetype at, QLatin1StringView word) {
    return text.size() - at >= word.size() &&
           text.sliced(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

/// An option's start tag, read from just after "<option".
struct OptionTag {
    std::optional<QString> value; ///< the first "value" attribute's
    qsizetype end = -1;           ///< just past its '>'; -1 when the tag never ends
};

// HTML's attribute syntax: a '>' inside a quoted value does not end the tag; names are compared without case.
OptionTag readOptionTag(QStringView text, qsizetype p) {
    OptionTag tag;
    const qsizetype n = text.size();
    while (p < n) {
        while (p < n && (isHtmlSpace(text[p]) || text[p] == u'/'))
            ++p;
        if (p >= n) break;
        if (text[p] == u'>') {
            tag.end = p + 1;
            return tag;
        }
        const qsizetype nameStart = p;
        if (text[p] == u'=') ++p; // part of the name, where a name begins
        while (p < n && !isHtmlSpace(text[p]) && text[p] != u'/' && text[p] != u'>' && text[p] != u'=')
            ++p;
        const QStringView name = text.sliced(nameStart, p - nameStart);
        while (p < n && isHtmlSpace(text[p]))
            ++p;
        if (p >= n || text[p] != u'=') continue;
        ++p;
        while (p < n && isHtmlSpace(text[p]))
            ++p;
        QStringView value;
        if (p < n && (text[p] == u'"' || text[p] == u'\'')) {
            const qsizetype close = text.indexOf(text[p], p + 1);
            if (close < 0) return tag;
            value = text.sliced(p + 1, close - p - 1);
            p = close + 1;
        } else {
            const qsizetype start = p;
            while (p < n && !isHtmlSpace(text[p]) && text[p] != u'>')
                ++p;
            value = text.sliced(start, p - start);
        }
        if (!tag.value && name.compare(u"value", Qt::CaseInsensitive) == 0) tag.value = value.toString();
    }
    return tag;
}

/// Where the text of an option that starts at `from` ends: its end tag, or a tag that closes it implicitly.
qsizetype optionTextEnd(QStringView text, qsizetype from) {
    for (qsizetype p = text.indexOf(u'<', from); p >= 0; p = text.indexOf(u'<', p + 1)) {
        for (const char* closer : {"</option", "<option", "<optgroup", "</optgroup", "</select"})
            if (startsAt(text, p, QLatin1StringView(closer))) return p;
    }
    return text.size();
}

} // namespace

CityCatalog::CityCatalog(DataStore& store, QNetworkAccessManager& network, QString scheduleBaseUrl)
    : m_store(store), m_network(network), m_scheduleBaseUrl(std::move(scheduleBaseUrl)),
      m_fallback(builtInCities()) {}

CityCatalog::~CityCatalog() = default;

// QCoro 0.8 moves from a non-const lvalue given to co_return, so the member is always handed out as a copy.
QCoro::Task<QList<CityEntry>> CityCatalog::entries() {
    if (!m_cities.isEmpty()) co_return QList<CityEntry>(m_cities);
    // Every view asks for the catalogue as the app starts; one fetch serves them all.
    if (m_loading) {
        const QFuture<void> loaded = m_loading->future();
        co_await loaded;
        co_return QList<CityEntry>(m_cities);
    }

    if (auto saved = m_store.loadCatalog(); saved && !saved->isEmpty()) {
        m_cities = std::move(*saved);
        qCDebug(placesLog) << "catalogue:" << m_cities.size() << "cities from the saved file";
        co_return QList<CityEntry>(m_cities);
    }

    const auto loading = std::make_shared<QPromise<void>>();
    loading->start();
    m_loading = loading;
    const auto remote = co_await fetchRemoteCatalog();
    if (remote) {
        m_cities = merge(*remote);
        m_store.saveCatalog(m_cities);
        qCDebug(placesLog) << "catalogue:" << m_cities.size() << "cities from the service's page";
    } else {
        // Nothing is written, so the next run tries the service again.
        qCDebug(placesLog).noquote() << "catalogue: the built-in table (" + remote.error() + u')';
        m_cities = m_fallback;
    }
    m_loading.reset();
    loading->finish();
    co_return QList<CityEntry>(m_cities);
}

QCoro::Task<std::optional<CityEntry>> CityCatalog::match(QString query) {
    const QString q = normalizeCityName(query);
    const QList<CityEntry> list = co_await entries();
    // QString::contains("") is true; an empty needle must never count as contained.
    const auto contains = [&q](const QString& needle) { return !needle.isEmpty() && q.contains(needle); };
    for (const CityEntry& entry : list) {
        if (normalizeCityName(entry.code) == q) co_return entry;
        const QString name = normalizeCityName(entry.name);
        if (name == q) co_return entry;
        for (const QString& alias : entry.aliases) {
            const QString a = normalizeCityName(alias);
            if (a == q || contains(a)) co_return entry;
        }
        if (contains(name)) co_return entry;
    }
    co_return std::nullopt;
}

QCoro::Task<CityEntry> CityCatalog::nearestCity(GeoPoint location) {
    const QList<CityEntry> list = co_await entries();
    if (const CityEntry* best = nearestEntry(list, location)) co_return *best;
    // The catalogue's rule: the built-in table's Jakarta, with its district aliases.
    for (const CityEntry& entry : m_fallback)
        if (entry.code == fallbackJakarta().code) co_return entry;
    co_return fallbackJakarta();
}

QCoro::Task<Result<QList<CityEntry>>> CityCatalog::fetchRemoteCatalog() {
    using R = Result<QList<CityEntry>>;
    const QString& base = m_scheduleBaseUrl;
    if (base.isEmpty()) co_return R::fail(QStringLiteral("no schedule service configured"));
    QUrl url(base);
    url.setQuery(QString());
    url.setFragment(QString());

    // No headers of our own: the page is asked for exactly as a plain client would.
    const auto response =
        co_await httpGet(m_network, url, HttpGetOptions{{}, kPageTimeout, kMaxPageBytes, kPageTimeout});
    if (!response) {
        qCDebug(placesLog).noquote() << "GET" << url.toString() << "failed:" << response.error();
        co_return R::fail(response.error());
    }
    qCDebug(placesLog).noquote() << "GET" << url.toString() << "->" << response->status
                                 << response->body.size() << "bytes";
    // Megabytes of page are seconds of work, and the main thread must keep serving the bus and signals.
    const QByteArray body = response->body;
    QFuture<R> parsing = QtConcurrent::run(&CityCatalog::parseCatalogPage, body);
    R parsed = co_await parsing;
    co_return parsed;
}

Result<QList<CityEntry>> CityCatalog::parseCatalogPage(const QByteArray& body) {
    using R = Result<QList<CityEntry>>;
    const QString page = QString::fromUtf8(body); // invalid sequences become U+FFFD
    const QStringView text(page);

    QList<CityEntry> entries;
    QHash<QString, qsizetype> indexByCode;
    // Each search starts where the last option's text ended, so every character is looked at a bounded
    // number of times however the page is cut.
    for (qsizetype at = text.indexOf(u"<option", 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(u"<option", at, Qt::CaseInsensitive)) {
        at += 7;
        if (at < text.size() && !isHtmlSpace(text[at]) && text[at] != u'>' && text[at] != u'/')
            continue; // another tag ("<optional>")
        const OptionTag tag = readOptionTag(text, at);
        if (tag.end < 0) break; // the rest of the page is inside a tag that never ends
        const qsizetype textEnd = optionTextEnd(text, tag.end);
        at = textEnd;
        if (!tag.value || textEnd - tag.end > kMaxOptionText) continue;

        const QString code = tag.value->trimmed();
        const QString name = cleanHtmlText(text.sliced(tag.end, textEnd - tag.end).toString());
        if (code.isEmpty() || name.isEmpty()) continue;
        // The code ends up in file names and addresses; a page must not be able to steer either.
        if (!isSafeCityCode(code)) continue;

        CityEntry entry{code, name, std::nullopt, std::nullopt, aliases(name)};
        if (const auto found = indexByCode.constFind(code); found != indexByCode.constEnd()) {
            entries[*found] = std::move(entry);
        } else {
            if (entries.size() == kMaxCities)
                return R::fail(QStringLiteral("more than %1 cities: not a city list").arg(kMaxCities));
            indexByCode.insert(code, entries.size());
            entries.append(std::move(entry));
        }
    }
    return R::ok(std::move(entries));
}

QList<CityEntry> CityCatalog::merge(const QList<CityEntry>& remote) const {
    if (remote.isEmpty()) return m_fallback;
    QHash<QString, const CityEntry*> byCode;
    QHash<QString, const CityEntry*> byName;
    for (const CityEntry& f : m_fallback) {
        byCode.insert(f.code, &f);
        byName.insert(normalizeCityName(f.name), &f);
    }
    QList<CityEntry> result;
    result.reserve(remote.size());
    for (const CityEntry& r : remote) {
        const CityEntry* f = byCode.value(r.code);
        if (!f) f = byName.value(normalizeCityName(r.name));
        CityEntry merged{r.code, r.name, std::nullopt, std::nullopt, r.aliases};
        if (f) {
            merged.lat = f->lat;
            merged.lon = f->lon;
            merged.aliases += f->aliases;
        } else if (const auto place = Gazetteer::builtIn().byName(r.name)) {
            // Without coordinates the city could never be the nearest one, however close the user is.
            merged.lat = place->location.latitude;
            merged.lon = place->location.longitude;
        }
        merged.aliases = withoutDuplicates(std::move(merged.aliases));
        result.append(std::move(merged));
    }
    return result;
}

QStringList CityCatalog::aliases(const QString& name) {
    const QString n = normalizeCityName(name);
    QStringList list{n};
    if (n.startsWith(u"kota ")) list.append(n.mid(5));
    if (n.startsWith(u"kabupaten ")) list.append(n.mid(10));
    if (n.contains(u"jakarta")) list += jakartaDistricts();
    return withoutDuplicates(std::move(list));
}

double CityCatalog::distanceMetres(GeoPoint a, GeoPoint b) {
    return lumora::distanceMetres(a, b);
}

} // namespace lumora
