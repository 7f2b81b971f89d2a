#include "places/gazetteer.h"

#include "places_printers.h"

#include <QSet>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

struct Band {
    double west;
    double east;
};

// The longitudes each zone's provinces span, from their westernmost to their easternmost land: WIB from
// Sabang to Central Kalimantan, WITA from Bali to the Talaud islands, WIT from Taliabu to the Papua border.
Band bandOf(const QString& zone) {
    if (zone == u"Asia/Jakarta") return {94.9, 116.0};
    if (zone == u"Asia/Makassar") return {114.4, 127.3};
    if (zone == u"Asia/Jayapura") return {124.2, 141.1};
    return {0, -1};
}

// The zone each province keeps by law, read from its code (34-province numbering).
QString zoneOfProvince(int code) {
    static const QSet<int> wita{51, 52, 53, 63, 64, 65, 71, 72, 73, 74, 75, 76};
    static const QSet<int> wit{81, 82, 91, 94};
    if (wita.contains(code)) return QStringLiteral("Asia/Makassar");
    if (wit.contains(code)) return QStringLiteral("Asia/Jayapura");
    return QStringLiteral("Asia/Jakarta");
}

QString codeOf(const std::optional<GazetteerEntry>& e) {
    return e ? e->code : QStringLiteral("(none)");
}

GazetteerEntry place(const char* code, const char* name, double lat, double lon) {
    return GazetteerEntry{code, QString(code).left(2), "X", name, GeoPoint{lat, lon}, "Asia/Jakarta"};
}

} // namespace

TEST(GazetteerTable, EveryRowLiesInIndonesiaAndInItsZonesBand) {
    const Gazetteer& g = Gazetteer::builtIn();
    ASSERT_EQ(g.entries().size(), 514);
    QSet<QString> codes;
    for (const GazetteerEntry& e : g.entries()) {
        const std::string what = (e.code + u' ' + e.name).toStdString();
        EXPECT_FALSE(codes.contains(e.code)) << what;
        codes.insert(e.code);
        EXPECT_TRUE(e.code.startsWith(e.provinceCode + u'.')) << what;
        EXPECT_TRUE(e.name.startsWith(u"Kota ") || e.name.startsWith(u"Kabupaten ")) << what;
        EXPECT_FALSE(e.province.isEmpty()) << what;

        EXPECT_GE(e.location.latitude, -11.1) << what;
        EXPECT_LE(e.location.latitude, 6.1) << what;
        EXPECT_EQ(e.zone, zoneOfProvince(e.provinceCode.toInt())) << what;
        EXPECT_TRUE(QTimeZone(e.zone.toUtf8()).isValid()) << what;
        const Band band = bandOf(e.zone);
        EXPECT_GE(e.location.longitude, band.west) << what;
        EXPECT_LE(e.location.longitude, band.east) << what;
    }
}

TEST(GazetteerTable, TheThreeCorrectedRowsHoldTheirCapitalsCoordinates) {
    const struct {
        const char* code;
        const char* name;
        GeoPoint capital;
    } cases[] = {
        {"12.76", "Kota Binjai", {3.60800, 98.49733}},
        {"13.01", "Kabupaten Kepulauan Mentawai", {-2.04217, 99.58250}},
        {"16.11", "Kabupaten Empat Lawang", {-3.59417, 103.08633}},
    };
    for (const auto& c : cases) {
        const auto e = Gazetteer::builtIn().byCode(c.code);
        ASSERT_TRUE(e) << c.code;
        EXPECT_EQ(e->name, c.name);
        EXPECT_EQ(e->location, c.capital) << c.code;
        EXPECT_EQ(codeOf(Gazetteer::builtIn().nearest(c.capital)), c.code);
    }
}

TEST(GazetteerLookup, ByCodeAsTheMinistryWritesIt) {
    const Gazetteer& g = Gazetteer::builtIn();
    const auto jayapura = g.byCode("94.71");
    ASSERT_TRUE(jayapura);
    EXPECT_EQ(*jayapura, (GazetteerEntry{"94.71", "94", "PAPUA", "Kota Jayapura",
                                         GeoPoint{-2.64647, 140.77779}, "Asia/Jayapura"}));
    for (const char* code : {"94.7", "9471", " 94.71", "jkt", ""})
        EXPECT_FALSE(g.byCode(code)) << code;
}

TEST(GazetteerLookup, ByNameFullNameFirstThenNormalizedWithTheCityPreferred) {
    const std::pair<const char*, const char*> cases[] = {
        {"Kota Jayapura", "94.71"},
        {"KOTA JAYAPURA", "94.71"},
        {"  kota   jayapura. ", "94.71"},
        {"Kabupaten Jayapura", "94.03"},
        {"KAB. JAYAPURA", "94.03"},
        {"Kab Jayapura", "94.03"},
        {"Jayapura", "94.71"}, // a city and a regency of that name: the city
        {"jayapura", "94.71"},
        {"Banjar", "32.79"}, // the city in West Java, not the regency in South Kalimantan
        {"Kabupaten Banjar", "63.03"},
        {"Sleman", "34.04"}, // a regency alone under its name
        {"Kota Sleman", "34.04"},
        {"Jakarta Selatan", "31.71"},
        {"Fak-Fak", "91.01"},
        {"Kabupaten Fak Fak", "91.01"},
        {"Tidore Kepulauan", "82.72"},
        {"Jaya", "(none)"}, // no prefix search
        {"Jayapura, Papua", "(none)"},
        {"Yogya", "(none)"},
        {"", "(none)"},
        {"Kota", "(none)"},
        {"!!", "(none)"},
    };
    for (const auto& [query, code] : cases)
        EXPECT_EQ(codeOf(Gazetteer::builtIn().byName(query)), code) << query;
}

TEST(GazetteerLookup, NearestPlace) {
    const std::pair<GeoPoint, const char*> cases[] = {
        {{-2.5337, 140.7181}, "94.71"},  // Jayapura, the harbour
        {{-3.6954, 128.1814}, "81.71"},  // Ambon
        {{-10.1772, 123.6070}, "53.71"}, // Kupang
        {{1.4748, 124.8421}, "71.71"},   // Manado
        {{-0.0263, 109.3425}, "61.12"},  // Pontianak's centre lies nearer Kubu Raya's reference point
        {{-6.1754, 106.8272}, "31.73"},  // central Jakarta
        {{51.5, -0.12}, "11.72"},        // anywhere has a nearest: London's is Sabang
    };
    for (const auto& [point, code] : cases) {
        EXPECT_EQ(codeOf(Gazetteer::builtIn().nearest(point)), code);
    }

    const Gazetteer tie({place("01.01", "Kota Timur", 0, 1), place("01.02", "Kota Barat", 0, -1)});
    EXPECT_EQ(codeOf(tie.nearest(GeoPoint{0, 0})), "01.01") << "a tie keeps the earlier row";
    EXPECT_FALSE(Gazetteer({}).nearest(GeoPoint{0, 0}));
}

TEST(GazetteerCsv, ReadsRowsAndRefusesATableWithABadOne) {
    const QByteArray header = "code,province_code,province,name,lat,lon,zone\r\n";
    const auto read =
        Gazetteer::fromCsv(header + "11.71,11,ACEH,Kota Banda Aceh,5.55,95.31667,Asia/Jakarta\r\n\r\n");
    ASSERT_TRUE(read) << read.error().toStdString();
    ASSERT_EQ(read->entries().size(), 1);
    EXPECT_EQ(read->entries().first(), (GazetteerEntry{"11.71", "11", "ACEH", "Kota Banda Aceh",
                                                       GeoPoint{5.55, 95.31667}, "Asia/Jakarta"}));

    for (const QByteArray& bad : {
             QByteArray("11.71,11,ACEH,Kota Banda Aceh,5.55,95.31667,Asia/Jakarta\n"), // no header
             header + "11.71,11,ACEH,Kota Banda Aceh,5.55,95.31667\n",                 // a field short
             header + "11.71,11,ACEH,Kota Banda, Aceh,5.55,95.31667,Asia/Jakarta\n",   // a field more
             header + "11.71,11,ACEH,Kota Banda Aceh,5,55,95.31667,Asia/Jakarta\n",    // decimal comma
             header + "11.71,11,ACEH,Kota Banda Aceh,north,95.31667,Asia/Jakarta\n",
             header + ",11,ACEH,Kota Banda Aceh,5.55,95.31667,Asia/Jakarta\n",
             QByteArray(),
         })
        EXPECT_FALSE(Gazetteer::fromCsv(bad)) << bad.constData();
}

TEST(GazetteerLookup, LocateNamesAPointAfterTheCityItLiesInBeforeANearerRegencyPoint) {
    const std::pair<GeoPoint, const char*> cases[] = {
        {{-0.0263, 109.3425}, "61.71"},  // central Pontianak: Kota Pontianak, not Kubu Raya
        {{0.01637, 109.33731}, "61.12"}, // Kubu Raya's reference point, 11 km from the city's
        {{-2.5337, 140.7181}, "94.71"},  // Jayapura
        {{-3.00, 139.95}, "94.03"},      // Kabupaten Jayapura's reference point
        {{51.5, -0.12}, "11.72"},        // far from every city: simply the nearest
    };
    for (const auto& [point, code] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(codeOf(Gazetteer::builtIn().locate(point)), code);
    }
    // A regency nearer than the city's radius still loses to a city within it.
    const Gazetteer local(
        {place("01.01", "Kabupaten Dekat", 0, 0.01), place("01.71", "Kota Agak Jauh", 0, 0.05)});
    EXPECT_EQ(codeOf(local.locate(GeoPoint{0, 0})), "01.71");
    EXPECT_EQ(codeOf(local.locate(GeoPoint{0, -0.1})), "01.01") << "the city lies beyond its radius";
    EXPECT_FALSE(Gazetteer({}).locate(GeoPoint{0, 0}));
}

TEST(GazetteerLookup, SearchPutsTheBestMatchFirst) {
    const auto codes = [](const QString& query) {
        QStringList list;
        for (const GazetteerEntry& e : Gazetteer::builtIn().search(query))
            list << e.code;
        return list;
    };
    struct Case {
        const char* query;
        QStringList first; // the leading codes, in order
    } cases[] = {
        {"jayapura", {"94.71", "94.03"}},           // the city before the regency of the same name
        {"Kabupaten Jayapura", {"94.03", "94.71"}}, // the full name first
        {"94.71", {"94.71"}},
        {"  SLEMAN ", {"34.04"}},
        {"kubu", {"61.12"}}, // a name starting with it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(codes(c.query).mid(0, c.first.size()), c.first);
    }
    EXPECT_EQ(codes("").size(), 514);
    EXPECT_EQ(codes("  ").size(), 514);
    EXPECT_EQ(codes("xyzzy"), QStringList());
    // A province's name finds its regencies and cities, the cities first.
    const QStringList papua = codes("nusa tenggara timur");
    ASSERT_FALSE(papua.isEmpty());
    EXPECT_TRUE(Gazetteer::builtIn().byCode(papua.first())->name.startsWith("Kota "));
}

TEST(GazetteerLookup, ZoneOfACityByCodeThenCoordinatesThenName) {
    const Gazetteer& g = Gazetteer::builtIn();
    EXPECT_EQ(g.zoneOf(CityEntry{"94.71", "whatever", std::nullopt, std::nullopt, {}}), "Asia/Jayapura");
    EXPECT_EQ(g.zoneOf(CityEntry{"mks", "Makassar", -5.1477, 119.4327, {}}), "Asia/Makassar");
    EXPECT_EQ(g.zoneOf(CityEntry{"jkt", "Jakarta", -6.1754, 106.8272, {}}), "Asia/Jakarta");
    // A service city without coordinates: by its name.
    EXPECT_EQ(g.zoneOf(CityEntry{"1234", "KOTA AMBON", std::nullopt, std::nullopt, {}}), "Asia/Jayapura");
    EXPECT_EQ(g.zoneOf(CityEntry{"1235", "Atlantis", std::nullopt, std::nullopt, {}}), QString());
}
