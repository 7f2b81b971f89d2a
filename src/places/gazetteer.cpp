#include "gazetteer.h"

#include "model/city_name.h"
#include "model/fixed_location.h"
#include "model/nearest_city.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

constexpr char kHeader[] = "code,province_code,province,name,lat,lon,zone";

// The name as written, its "Kota" or "Kabupaten" kept: normalizeCityName drops such a word only at
// the very start of the text, so a leading blank keeps it. "Kab." is the common short form of "Kabupaten".
QString fullNameKey(const QString& name) {
    QString key = normalizeCityName(QLatin1Char(' ') + name.trimmed());
    if (key.startsWith(u"kab ")) key.replace(0, 3, QStringLiteral("kabupaten"));
    return key;
}

bool isKota(const GazetteerEntry& e) {
    return e.name.startsWith(u"Kota ");
}

// Each province's seat of government, by the province's code (34-province numbering, as the table has it).
// Sofifi, North Maluku's seat, lies in Kota Tidore Kepulauan; South Kalimantan's moved to Banjarbaru in 2022.
const QHash<QString, QString>& provinceCapitals() {
    static const QHash<QString, QString> capitals{
        {"11", "11.71"}, {"12", "12.75"}, {"13", "13.71"}, {"14", "14.71"}, {"15", "15.71"}, {"16", "16.71"},
        {"17", "17.71"}, {"18", "18.71"}, {"19", "19.71"}, {"21", "21.72"}, {"31", "31.73"}, {"32", "32.73"},
        {"33", "33.74"}, {"34", "34.71"}, {"35", "35.78"}, {"36", "36.73"}, {"51", "51.71"}, {"52", "52.71"},
        {"53", "53.71"}, {"61", "61.71"}, {"62", "62.71"}, {"63", "63.72"}, {"64", "64.72"}, {"65", "65.02"},
        {"71", "71.71"}, {"72", "72.71"}, {"73", "73.71"}, {"74", "74.71"}, {"75", "75.71"}, {"76", "76.04"},
        {"81", "81.71"}, {"82", "82.72"}, {"91", "91.05"}, {"94", "94.71"},
    };
    return capitals;
}

// Corners of Indonesia's rough outline as (latitude, longitude), clockwise from the Indian Ocean north-west
// of Aceh. Out at sea it keeps well clear of the outermost islands (Weh, Natuna, Miangas, the Mapia atolls,
// Rote, Enggano); it keeps to the median of the Malacca and Singapore straits, follows the land borders on
// Borneo and New Guinea (141.05 E) and leaves out Christmas Island and Australia's northern coasts.
constexpr GeoPoint kOutline[] = {
    {6.2, 94.0},    {6.4, 97.5},    {4.6, 99.4},    {2.9, 100.9},    {1.9, 102.2},   {1.2, 103.3},
    {1.2, 104.0},   {1.3, 104.6},   {2.6, 105.0},   {5.2, 106.9},    {5.2, 109.0},   {2.1, 109.6},
    {1.0, 110.4},   {1.3, 111.8},   {1.6, 113.5},   {2.6, 114.4},    {3.6, 115.3},   {4.35, 115.65},
    {4.4, 116.5},   {4.25, 118.0},  {4.3, 119.5},   {4.8, 125.0},    {5.9, 126.7},   {5.0, 128.0},
    {1.5, 134.8},   {-1.0, 140.0},  {-2.5, 141.05}, {-9.15, 141.05}, {-10.0, 141.0}, {-10.2, 133.0},
    {-11.2, 124.0}, {-11.3, 122.0}, {-10.8, 116.0}, {-9.8, 110.0},   {-8.5, 104.0},  {-6.0, 101.0},
    {-3.0, 98.0},   {2.5, 94.8},
};

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
        const QString key = normalizeCityName(e.name);
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
    const QString key = normalizeCityName(name.trimmed());
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
    const auto found = nearest(point);
    if (!found || distanceMetres(point, found->location) > kNamedRadiusMetres) return std::nullopt;
    return found;
}

bool Gazetteer::insideOutline(GeoPoint point) {
    // Crossings of a ray running east from the point; the outline lies far from the date line, so plain
    // degrees serve as plane coordinates.
    bool inside = false;
    const qsizetype n = std::size(kOutline);
    for (qsizetype i = 0, j = n - 1; i < n; j = i++) {
        const GeoPoint& a = kOutline[i];
        const GeoPoint& b = kOutline[j];
        if ((a.latitude > point.latitude) == (b.latitude > point.latitude)) continue;
        const double crossing = a.longitude + (point.latitude - a.latitude) * (b.longitude - a.longitude) /
                                                  (b.latitude - a.latitude);
        if (point.longitude < crossing) inside = !inside;
    }
    return inside;
}

bool Gazetteer::inIndonesia(GeoPoint point) const {
    const auto found = nearest(point);
    if (!found) return false;
    return distanceMetres(point, found->location) <= kNamedRadiusMetres || insideOutline(point);
}

QString Gazetteer::coordinateText(GeoPoint point) {
    // QString::number rounds half away from zero; a point at -0.001 reads "0.00° LS", which is true enough.
    return QStringLiteral("%1° %2, %3° %4")
        .arg(std::abs(point.latitude), 0, 'f', 2)
        .arg(point.latitude < 0 ? QStringLiteral("LS") : QStringLiteral("LU"))
        .arg(std::abs(point.longitude), 0, 'f', 2)
        .arg(point.longitude < 0 ? QStringLiteral("BB") : QStringLiteral("BT"));
}

QString Gazetteer::coordinateCode(GeoPoint point) {
    return QStringLiteral("%1,%2").arg(point.latitude, 0, 'f', 4).arg(point.longitude, 0, 'f', 4);
}

Gazetteer::PointName Gazetteer::nameOf(GeoPoint point) const {
    if (const auto entry = locate(point)) return PointName{entry->code, entry->name, entry, true};
    PointName named{coordinateCode(point), coordinateText(point), std::nullopt, inIndonesia(point)};
    if (!named.inIndonesia) {
        named.name += QStringLiteral(", di luar Indonesia");
    } else if (const auto near = nearest(point)) {
        named.name += QStringLiteral(", %1 km dari %2")
                          .arg(std::lround(distanceMetres(point, near->location) / 1000.0))
                          .arg(near->name);
    }
    return named;
}

std::optional<GazetteerEntry> Gazetteer::capitalOf(const QString& province) const {
    const QString key = normalizeCityName(province);
    if (key.isEmpty()) return std::nullopt;
    for (const GazetteerEntry& e : m_entries)
        if (normalizeCityName(e.province) == key) return byCode(provinceCapitals().value(e.provinceCode));
    return std::nullopt;
}

std::optional<GazetteerEntry> Gazetteer::byAlias(const QString& alias) const {
    const auto city = exactCityMatch(builtInCities(), alias);
    if (!city) return std::nullopt;
    if (auto entry = byName(city->name)) return entry;
    if (city->lat && city->lon) return locate(GeoPoint{*city->lat, *city->lon});
    return std::nullopt;
}

QList<GazetteerEntry> Gazetteer::search(const QString& query) const {
    const QString trimmed = query.trimmed();
    const QString key = normalizeCityName(trimmed);
    if (trimmed.isEmpty()) return m_entries;
    // A point, as LUMORA_LOCATION takes it: the place it is named after, if any.
    if (const auto point = parseFixedLocation(trimmed)) {
        const auto entry = locate(*point);
        return entry ? QList<GazetteerEntry>{*entry} : QList<GazetteerEntry>{};
    }
    const QString full = fullNameKey(trimmed);
    const auto alias = byAlias(trimmed);
    const auto capital = capitalOf(trimmed);
    // Lower ranks come first; an entry that matches nowhere is left out. The first five are the exact
    // matches, the names LUMORA_LOCATION takes.
    const auto rank = [&](const GazetteerEntry& e) -> int {
        if (e.code == trimmed) return 0;
        if (fullNameKey(e.name) == full) return 1;
        const QString name = normalizeCityName(e.name);
        if (key.isEmpty()) return e.code.startsWith(trimmed) ? 7 : -1;
        if (name == key) return 2;
        if (alias && alias->code == e.code) return 3;
        if (capital && capital->code == e.code) return 4;
        if (capital && capital->provinceCode == e.provinceCode) return 5;
        if (name.startsWith(key)) return 6;
        if (name.contains(key) || e.code.startsWith(trimmed)) return 7;
        if (normalizeCityName(e.province).contains(key)) return 8;
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
    std::optional<GeoPoint> point = parseFixedLocation(city.code);
    if (!point && city.lat && city.lon) point = GeoPoint{*city.lat, *city.lon};
    if (point) {
        // Outside Indonesia the nearest regency's zone says nothing about the point's.
        if (!inIndonesia(*point)) return {};
        if (const auto entry = nearest(*point)) return entry->zone;
    }
    if (const auto entry = byName(city.name)) return entry->zone;
    return {};
}

} // namespace lumora
