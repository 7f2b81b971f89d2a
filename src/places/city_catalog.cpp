#include "city_catalog.h"

#include "model/city_code.h"
#include "model/city_name.h"
#include "model/html_text.h"
#include "model/nearest_city.h"
#include "places/gazetteer.h"
#include "places/places_log.h"
#include "platform/http_client.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSet>

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

QStringList withoutDuplicates(QStringList list) {
    list.removeDuplicates();
    return list;
}

} // namespace

CityCatalog::CityCatalog(DataStore& store, QNetworkAccessManager& network, QString scheduleBaseUrl)
    : m_store(store), m_network(network), m_scheduleBaseUrl(std::move(scheduleBaseUrl)),
      m_fallback(builtInCities()) {}

CityCatalog::~CityCatalog() = default;

// QCoro 0.8 moves from a non-const lvalue given to co_return, so the member is always handed out as a copy.
QCoro::Task<QList<CityEntry>> CityCatalog::entries() {
    if (!m_cities.isEmpty()) co_return QList<CityEntry>(m_cities);

    if (auto saved = m_store.loadCatalog(); saved && !saved->isEmpty()) {
        m_cities = std::move(*saved);
        qCDebug(placesLog) << "catalogue:" << m_cities.size() << "cities from the saved file";
        co_return QList<CityEntry>(m_cities);
    }

    const auto remote = co_await fetchRemoteCatalog();
    if (remote) {
        QList<CityEntry> merged = merge(*remote);
        m_store.saveCatalog(merged);
        m_cities = merged;
        qCDebug(placesLog) << "catalogue:" << m_cities.size() << "cities from the service's page";
        co_return merged;
    }
    // Nothing is written, so the next run tries the service again.
    qCDebug(placesLog).noquote() << "catalogue: the built-in table (" + remote.error() + u')';
    m_cities = m_fallback;
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
    co_return parseCatalogPage(response->body);
}

Result<QList<CityEntry>> CityCatalog::parseCatalogPage(const QByteArray& body) {
    using R = Result<QList<CityEntry>>;
    const QString text = QString::fromUtf8(body); // invalid sequences become U+FFFD
    static const QRegularExpression option(
        QStringLiteral(R"re((?is)<option[^>]*value=["']([^"']+)["'][^>]*>(.*?)</option>)re"));
    if (!option.isValid()) return R::fail(option.errorString());

    QList<CityEntry> entries;
    QHash<QString, qsizetype> indexByCode;
    for (auto it = option.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.lastCapturedIndex() < 2 || m.capturedStart(1) < 0 || m.capturedStart(2) < 0) continue;
        const QString code = m.captured(1).trimmed();
        const QString name = cleanHtmlText(m.captured(2));
        if (code.isEmpty() || name.isEmpty()) continue;
        // The code ends up in file names and addresses; a page must not be able to steer either.
        if (!isSafeCityCode(code)) continue;

        CityEntry entry{code, name, std::nullopt, std::nullopt, aliases(name)};
        if (const auto found = indexByCode.constFind(code); found != indexByCode.constEnd()) {
            entries[*found] = std::move(entry);
        } else {
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
