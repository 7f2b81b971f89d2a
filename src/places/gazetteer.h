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
    /// the city it surrounds than the city's own (Kubu Raya and Pontianak). None when every reference point
    /// lies farther than kNamedRadiusMetres: no regency can honestly lend such a point its name.
    std::optional<GazetteerEntry> locate(GeoPoint point) const;
    /// Whether a point counts as in Indonesia: within kNamedRadiusMetres of a reference point, or inside
    /// `insideOutline`. Never true for an empty table.
    bool inIndonesia(GeoPoint point) const;
    /// A rough outline of Indonesia's islands and the seas between them: drawn wide over open sea and along
    /// the straits and land borders with the neighbours (the Malay peninsula, Sarawak and Sabah, the
    /// Philippines, Papua New Guinea, Australia). Near a border it is only as good as a few tens of
    /// kilometres, which is why `inIndonesia` asks it only about points far from every reference point.
    static bool insideOutline(GeoPoint point);

    /// What a point is called and under which code it is shown.
    struct PointName {
        QString code; ///< the entry's code, or for a point named by coordinates the point as
                      ///< LUMORA_LOCATION reads it ("-5.0000,110.0000")
        QString name; ///< "Kota Jayapura", "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara",
                      ///< "51.51° LU, 0.13° BB, di luar Indonesia"
        std::optional<GazetteerEntry> entry; ///< the entry it is named after; none for coordinates
        bool inIndonesia = false;
    };
    /// The entry `locate` finds; else the point's coordinates, with the nearest entry and its distance in
    /// whole kilometres when the point lies in Indonesia, or "di luar Indonesia" when it does not.
    PointName nameOf(GeoPoint point) const;
    /// "5.00° LS, 110.00° BT": degrees to two decimals, LU/LS north and south, BT/BB east and west.
    static QString coordinateText(GeoPoint point);
    /// The code of a point named by its coordinates: "lat,lon" to four decimals.
    static QString coordinateCode(GeoPoint point);

    /// The province's capital when `province` names a province, case and punctuation aside ("Bali" gives
    /// Kota Denpasar, "Papua Barat" Kabupaten Manokwari).
    std::optional<GazetteerEntry> capitalOf(const QString& province) const;
    /// The entry a name of the built-in city table stands for, aliases included ("jogja" is Kota
    /// Yogyakarta, "solo" Kota Surakarta): by the table city's name, else where it lies.
    std::optional<GazetteerEntry> byAlias(const QString& alias) const;
    /// Entries matching `query`, best first: the code, the full name, the name as `byName` normalizes it,
    /// an alias of the built-in city table (`byAlias`), the capital of a province of that name
    /// (`capitalOf`) and then the rest of that province, names starting with it, names holding it, then
    /// provinces holding it; within each, a "Kota" before a "Kabupaten", then the table's order. A pair
    /// "lat,lon" finds the entry `locate` names the point after. Every entry for a blank query.
    QList<GazetteerEntry> search(const QString& query) const;
    /// The IANA zone of a catalogue city or a gazetteer place: by its code (a gazetteer code, or a point's
    /// `coordinateCode`), else the entry nearest to its coordinates, else by its name; empty when none is
    /// known, and for a point outside Indonesia, whose zone the table cannot tell.
    QString zoneOf(const CityEntry& city) const;

    /// Central parts of most cities lie within this of their reference point.
    static constexpr double kCityRadiusMetres = 10'000;
    /// A point farther than this from every reference point is named by its coordinates.
    static constexpr double kNamedRadiusMetres = 100'000;

private:
    QList<GazetteerEntry> m_entries;
    QHash<QString, qsizetype> m_byCode;
    QHash<QString, qsizetype> m_byFullName;
    QHash<QString, qsizetype> m_byNormalizedName;
};

} // namespace lumora
