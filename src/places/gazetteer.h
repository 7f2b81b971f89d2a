#pragma once

#include "model/city_entry.h"
#include "model/result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace lumora {

/// One regency (kabupaten) or city (kota) of Indonesia.
struct GazetteerEntry {
    QString code;         ///< the Ministry of Home Affairs code, "pp.rr" ("94.71")
    QString provinceCode; ///< "94"
    QString province;     ///< upper case, "PAPUA"
    QString name;         ///< "Kota Jayapura", "Kabupaten Sleman"
    GeoPoint location;    ///< the region's reference point
    QString zone;         ///< the province's IANA zone: Asia/Jakarta, Asia/Makassar or Asia/Jayapura

    bool operator==(const GazetteerEntry&) const = default;
};

/// Every regency and city of Indonesia with its reference point and zone, found by code, by name or by place.
class Gazetteer {
public:
    /// The table compiled into the program (resources/data/id-regencies.csv, 514 rows).
    static const Gazetteer& builtIn();
    /// The header line "code,province_code,province,name,lat,lon,zone", then one row a line; a row that does
    /// not read fails the whole table.
    static Result<Gazetteer> fromCsv(const QByteArray& csv);

    explicit Gazetteer(QList<GazetteerEntry> entries);

    /// In the order given (the file's: by code).
    const QList<GazetteerEntry>& entries() const { return m_entries; }
    /// Exactly "pp.rr", as the ministry writes it.
    std::optional<GazetteerEntry> byCode(const QString& code) const;
    /// The entry of that full name, case and punctuation aside ("KOTA JAYAPURA", "Kab. Sleman"); else the
    /// one whose name normalizes as the city catalogue's names do ("jayapura"), a "Kota" preferred to a
    /// "Kabupaten" of the same name.
    std::optional<GazetteerEntry> byName(const QString& name) const;
    /// The entry whose reference point is nearest, ties keeping the earlier row; none only for an empty
    /// table.
    std::optional<GazetteerEntry> nearest(GeoPoint point) const;
    /// The entry a point is named after: the nearest "Kota" whose reference point lies within
    /// kCityRadiusMetres, else the nearest entry. A regency's reference point may lie nearer the centre of
    /// the city it surrounds than the city's own (Kubu Raya and Pontianak).
    std::optional<GazetteerEntry> locate(GeoPoint point) const;
    /// Entries matching `query`, best first: the code, the full name, the name as `byName` normalizes it,
    /// names starting with it, names holding it, then provinces holding it; within each, a "Kota" before a
    /// "Kabupaten", then the table's order. Every entry for a blank query.
    QList<GazetteerEntry> search(const QString& query) const;
    /// The IANA zone of a catalogue city or a gazetteer place: by its code, else the entry nearest to its
    /// coordinates, else by its name; empty when none is known.
    QString zoneOf(const CityEntry& city) const;

    /// Central parts of most cities lie within this of their reference point.
    static constexpr double kCityRadiusMetres = 10'000;

private:
    QList<GazetteerEntry> m_entries;
    QHash<QString, qsizetype> m_byCode;
    QHash<QString, qsizetype> m_byFullName;
    QHash<QString, qsizetype> m_byNormalizedName;
};

} // namespace lumora
