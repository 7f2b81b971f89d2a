#include "gazetteer.h"

#include "model/nearest_city.h"

#include "places/city_catalog.h"

#include <QFile>

#include <algorithm>

namespace lumora {

namespace {

constexpr char kHeader[] = "code,province_code,province,name,lat,lon,zone";

// The name as written, its "Kota" or "Kabupaten" kept: the catalogue's normalize drops such a word only at
// the very start of the text, so a leading blank keeps it. "Kab." is the common short form of "Kabupaten".
QString fullNameKey(const QString& name) {
    QString key = CityCatalog::normalize(QLatin1Char(' ') + name.trimmed());
    if (key.startsWith(u"kab ")) key.replace(0, 3, QStringLiteral("kabupaten"));
    return key;
}

bool isKota(const GazetteerEntry& e) {
    return e.name.startsWith(u"Kota ");
}

std::optional<double> number(const QByteArray& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

const Gazetteer& Gazetteer::builtIn() {
    static const Gazetteer table = [] {
        QFile file(QStringLiteral(":/lumora/data/id-regencies.csv"));
        // The file is compiled in and checked by the tests; an empty table only leaves lookups without
        // answers.
        if (!file.open(QIODevice::ReadOnly)) return Gazetteer({});
        Result<Gazetteer> read = fromCsv(file.readAll());
        return read ? std::move(read).value() : Gazetteer({});
    }();
    return table;
}

Result<Gazetteer> Gazetteer::fromCsv(const QByteArray& csv) {
    using R = Result<Gazetteer>;
    QList<QByteArray> lines = csv.split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty() || lines.first().trimmed() != kHeader)
        return R::fail(QStringLiteral("no header line"));

    QList<GazetteerEntry> entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].trimmed().split(',');
        const auto lat = number(fields.value(4));
        const auto lon = number(fields.value(5));
        if (fields.size() != 7 || !lat || !lon)
            return R::fail(QStringLiteral("line %1 does not read").arg(i + 1));
        GazetteerEntry entry{QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]),
                             QString::fromUtf8(fields[2]), QString::fromUtf8(fields[3]),
                             GeoPoint{*lat, *lon},         QString::fromUtf8(fields[6])};
        if (entry.code.isEmpty() || entry.name.isEmpty() || entry.zone.isEmpty())
            return R::fail(QStringLiteral("line %1 has an empty field").arg(i + 1));
        entries.append(std::move(entry));
    }
    return R::ok(Gazetteer(std::move(entries)));
}

Gazetteer::Gazetteer(QList<GazetteerEntry> entries) : m_entries(std::move(entries)) {
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const GazetteerEntry& e = m_entries[i];
        m_byCode.insert(e.code, i);
        m_byFullName.insert(fullNameKey(e.name), i);
        // A city usually shares its name with the regency around it; the bare name means the city.
        const QString key = CityCatalog::normalize(e.name);
        const auto found = m_byNormalizedName.constFind(key);
        if (found == m_byNormalizedName.constEnd() || (!isKota(m_entries[*found]) && isKota(e)))
            m_byNormalizedName.insert(key, i);
    }
}

std::optional<GazetteerEntry> Gazetteer::byCode(const QString& code) const {
    const auto found = m_byCode.constFind(code);
    if (found == m_byCode.constEnd()) return std::nullopt;
    return m_entries[*found];
}

std::optional<GazetteerEntry> Gazetteer::byName(const QString& name) const {
    if (const auto full = m_byFullName.constFind(fullNameKey(name)); full != m_byFullName.constEnd())
        return m_entries[*full];
    const QString key = CityCatalog::normalize(name.trimmed());
    if (key.isEmpty()) return std::nullopt;
    if (const auto found = m_byNormalizedName.constFind(key); found != m_byNormalizedName.constEnd())
        return m_entries[*found];
    return std::nullopt;
}

std::optional<GazetteerEntry> Gazetteer::nearest(GeoPoint point) const {
    const GazetteerEntry* best = nullptr;
    double bestDistance = 0;
    for (const GazetteerEntry& e : m_entries) {
        const double d = distanceMetres(point, e.location);
        if (!best || d < bestDistance) {
            best = &e;
            bestDistance = d;
        }
    }
    if (!best) return std::nullopt;
    return *best;
}

std::optional<GazetteerEntry> Gazetteer::locate(GeoPoint point) const {
    const GazetteerEntry* city = nullptr;
    double cityDistance = kCityRadiusMetres;
    for (const GazetteerEntry& e : m_entries) {
        if (!isKota(e)) continue;
        const double d = distanceMetres(point, e.location);
        if (d <= cityDistance && (!city || d < cityDistance)) {
            city = &e;
            cityDistance = d;
        }
    }
    if (city) return *city;
    return nearest(point);
}

QList<GazetteerEntry> Gazetteer::search(const QString& query) const {
    const QString trimmed = query.trimmed();
    const QString key = CityCatalog::normalize(trimmed);
    if (trimmed.isEmpty()) return m_entries;
    const QString full = fullNameKey(trimmed);
    // Lower ranks come first; an entry that matches nowhere is left out.
    const auto rank = [&](const GazetteerEntry& e) -> int {
        if (e.code == trimmed) return 0;
        if (fullNameKey(e.name) == full) return 1;
        const QString name = CityCatalog::normalize(e.name);
        if (key.isEmpty()) return e.code.startsWith(trimmed) ? 4 : -1;
        if (name == key) return 2;
        if (name.startsWith(key)) return 3;
        if (name.contains(key) || e.code.startsWith(trimmed)) return 4;
        if (CityCatalog::normalize(e.province).contains(key)) return 5;
        return -1;
    };
    QList<std::pair<int, qsizetype>> ranked;
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (const int r = rank(m_entries[i]); r >= 0)
            ranked.append({r * 2 + (isKota(m_entries[i]) ? 0 : 1), i});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<GazetteerEntry> found;
    for (const auto& [r, i] : ranked)
        found.append(m_entries[i]);
    return found;
}

QString Gazetteer::zoneOf(const CityEntry& city) const {
    if (const auto entry = byCode(city.code)) return entry->zone;
    if (city.lat && city.lon) {
        if (const auto entry = nearest(GeoPoint{*city.lat, *city.lon})) return entry->zone;
    }
    if (const auto entry = byName(city.name)) return entry->zone;
    return {};
}

} // namespace lumora
