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
        {{1.3521, 103.8198}, "21.71"},   // Singapore, 41 km from Kota Batam's point: near enough to lend it
        {{51.5, -0.12}, "(none)"},       // London, 9876 km from Kota Sabang's: no name at all
        {{-5.0, 110.0}, "(none)"},       // the Java Sea, 195 km from Kabupaten Jepara's
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
    // 100 km is about 0.8993 degrees of latitude.
    EXPECT_EQ(codeOf(local.locate(GeoPoint{0.89, 0.01})), "01.01") << "just within 100 km";
    EXPECT_EQ(codeOf(local.locate(GeoPoint{0.91, 0.01})), "(none)") << "just beyond";
    EXPECT_FALSE(Gazetteer({}).locate(GeoPoint{0, 0}));
}

TEST(GazetteerNames, APointFarFromEveryRegencyGoesByItsCoordinates) {
    struct Case {
        const char* what;
        GeoPoint point;
        const char* code;
        const char* name;
        bool inIndonesia;
    } cases[] = {
        {"Jayapura's harbour", {-2.5337, 140.7181}, "94.71", "Kota Jayapura", true},
        {"Singapore, near Batam", {1.3521, 103.8198}, "21.71", "Kota Batam", true},
        {"the Java Sea",
         {-5.0, 110.0},
         "-5.0000,110.0000",
         "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara",
         true},
        {"Miangas, the northernmost island",
         {5.5569, 126.5826},
         "5.5569,126.5826",
         "5.56° LU, 126.58° BT, 140 km dari Kabupaten Kepulauan Talaud",
         true},
        {"London", {51.5074, -0.1278}, "51.5074,-0.1278", "51.51° LU, 0.13° BB, di luar Indonesia", false},
        {"Kuala Lumpur",
         {3.139, 101.6869},
         "3.1390,101.6869",
         "3.14° LU, 101.69° BT, di luar Indonesia",
         false},
        {"Rio de Janeiro",
         {-22.9068, -43.1729},
         "-22.9068,-43.1729",
         "22.91° LS, 43.17° BB, di luar Indonesia",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Gazetteer::PointName n = Gazetteer::builtIn().nameOf(c.point);
        EXPECT_EQ(n.code, c.code);
        EXPECT_EQ(n.name, QString::fromUtf8(c.name));
        EXPECT_EQ(n.inIndonesia, c.inIndonesia);
        EXPECT_EQ(n.entry.has_value(), !QString(c.code).contains(','));
    }
}

// "In Indonesia" is within 100 km of a reference point, or inside the rough outline; the outline is asked
// only about the far points, so it must hold every outlying island and sea and leave out the neighbours'
// land.
TEST(GazetteerNames, InIndonesiaHoldsTheOutlyingIslandsAndSeasButNotTheNeighbours) {
    const Gazetteer& g = Gazetteer::builtIn();
    for (const GazetteerEntry& e : g.entries()) {
        EXPECT_TRUE(Gazetteer::insideOutline(e.location)) << e.name.toStdString();
        EXPECT_TRUE(g.inIndonesia(e.location)) << e.name.toStdString();
    }
    const std::pair<const char*, GeoPoint> inside[] = {
        {"Miangas", {5.5569, 126.5826}},
        {"the Mapia atolls", {0.9, 134.3}},
        {"Krayan, on the Sarawak border", {3.85, 115.75}},
        {"Enggano", {-5.38, 102.25}},
        {"inland Merauke", {-8.5, 140.4}},
        {"the Java Sea", {-5.0, 110.0}},
        {"the Banda Sea", {-6.0, 127.0}},
        {"the Arafura Sea", {-9.5, 136.0}},
        {"south of Java", {-9.5, 110.0}},
        {"the Natuna islands", {3.9, 108.3}},
    };
    for (const auto& [what, point] : inside)
        EXPECT_TRUE(g.inIndonesia(point)) << what;
    const std::pair<const char*, GeoPoint> outside[] = {
        {"Kuala Lumpur", {3.139, 101.6869}},
        {"Melaka", {2.1896, 102.2501}},
        {"Penang", {5.4141, 100.3288}},
        {"Kota Kinabalu", {5.9804, 116.0735}},
        {"Bandar Seri Begawan", {4.9031, 114.9398}},
        {"Sibu", {2.29, 111.83}},
        {"Davao", {7.0731, 125.6128}},
        {"Port Moresby", {-9.4438, 147.1803}},
        {"Darwin", {-12.4634, 130.8456}},
        {"Christmas Island", {-10.49, 105.62}},
        {"Palau", {7.5, 134.6}},
        {"London", {51.5074, -0.1278}},
    };
    for (const auto& [what, point] : outside)
        EXPECT_FALSE(g.inIndonesia(point)) << what;
    EXPECT_FALSE(Gazetteer({}).inIndonesia(GeoPoint{-6.2, 106.8}));
}

TEST(GazetteerLookup, ProvinceCapitalsAndTheCityTablesAliases) {
    const Gazetteer& g = Gazetteer::builtIn();
    QSet<QString> provinces;
    for (const GazetteerEntry& e : g.entries()) {
        if (provinces.contains(e.provinceCode)) continue;
        provinces.insert(e.provinceCode);
        const auto capital = g.capitalOf(e.province);
        ASSERT_TRUE(capital) << e.province.toStdString();
        EXPECT_EQ(capital->provinceCode, e.provinceCode) << e.province.toStdString();
    }
    EXPECT_EQ(provinces.size(), 34);
    const std::pair<const char*, const char*> capitals[] = {
        {"Bali", "51.71"},         {"bali", "51.71"},
        {"DKI Jakarta", "31.73"},  {"Papua", "94.71"},
        {"Papua Barat", "91.05"},  {"Kalimantan Selatan", "63.72"},
        {"Maluku Utara", "82.72"}, {"Jakarta", "(none)"},
        {"Bal", "(none)"},         {"", "(none)"},
    };
    for (const auto& [province, code] : capitals)
        EXPECT_EQ(codeOf(g.capitalOf(province)), code) << province;
    const std::pair<const char*, const char*> aliases[] = {
        {"jogja", "34.71"}, {"solo", "33.72"},       {"jkt", "31.73"},       {"Jakarta", "31.73"},
        {"bdg", "32.73"},   {"kota medan", "12.75"}, {"atlantis", "(none)"}, {"", "(none)"},
    };
    for (const auto& [alias, code] : aliases)
        EXPECT_EQ(codeOf(g.byAlias(alias)), code) << alias;
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
        {"kubu", {"61.12"}},                 // a name starting with it
        {"jogja", {"34.71"}},                // an alias, as LUMORA_LOCATION takes it
        {"solo", {"33.72", "13.72"}},        // the alias before names starting with it (Solok)
        {"jakarta", {"31.73", "31.71"}},     // the city table's Jakarta is central Jakarta
        {"Bali", {"51.71", "51.01"}},        // the capital, then the province, then Balikpapan
        {"Papua Barat", {"91.05", "91.71"}}, // the capital, then the province's cities
        {"-2.533,140.717", {"94.71"}},       // a point: the place it is named after
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(codes(c.query).mid(0, c.first.size()), c.first);
    }
    EXPECT_EQ(codes("").size(), 514);
    EXPECT_EQ(codes("  ").size(), 514);
    EXPECT_EQ(codes("xyzzy"), QStringList());
    EXPECT_EQ(codes("-5,110"), QStringList()) << "a point no place is named after";
    // Bali's own nine, then a name starting with it, then one holding it.
    EXPECT_EQ(codes("Bali"), (QStringList{"51.71", "51.01", "51.02", "51.03", "51.04", "51.05", "51.06",
                                          "51.07", "51.08", "64.71", "33.03"}));
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
    // A point named by its coordinates: its nearest entry's zone in Indonesia, none outside.
    EXPECT_EQ(g.zoneOf(CityEntry{"-5.0000,110.0000", "5.00° LS, ...", std::nullopt, std::nullopt, {}}),
              "Asia/Jakarta");
    EXPECT_EQ(g.zoneOf(CityEntry{"5.5569,126.5826", "Miangas", std::nullopt, std::nullopt, {}}),
              "Asia/Makassar");
    EXPECT_EQ(g.zoneOf(CityEntry{"51.5074,-0.1278", "London", std::nullopt, std::nullopt, {}}), QString());
    EXPECT_EQ(g.zoneOf(CityEntry{"x", "Kuala Lumpur", 3.139, 101.6869, {}}), QString());
}
