#include "places/city_catalog.h"

#include "places_printers.h"
#include "support/loopback_server.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include "places/storage.h"

#include "model/city_name.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSet>
#include <QTemporaryDir>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <vector>

using namespace lumora;

namespace {

QSet<QString> asSet(const QStringList& list) {
    return QSet<QString>(list.begin(), list.end());
}

QStringList codes(const QList<CityEntry>& entries) {
    QStringList list;
    for (const auto& e : entries)
        list.append(e.code);
    return list;
}

CityEntry city(const char* code, const char* name, std::optional<double> lat, std::optional<double> lon,
               QStringList aliases = {}) {
    return CityEntry{code, name, lat, lon, std::move(aliases)};
}

/// A catalogue over its own data folder; no service is configured unless a test points at one.
class CatalogTest : public ::testing::Test {
protected:
    QString catalogPath() const { return store.filePath("city-catalog.json"); }
    void writeCatalog(const QList<CityEntry>& entries) { store.saveCatalog(entries); }

    QTemporaryDir dir;
    ManualClock clock{Instant{800'000'000}};
    DataStore store{dir.filePath("data"), Settings(dir.filePath("lumora.conf")), clock};
    QNetworkAccessManager network;
    CityCatalog catalog{store, network};
};

} // namespace

TEST(CityCatalogText, AliasesFromServiceNames) {
    const std::pair<QString, QStringList> cases[] = {
        {"Kota Kabupaten Bogor", {"kabupaten bogor", "bogor"}},
        {"Kabupaten Kota Bogor", {"bogor"}}, // both prefixes go, in that order
        {"Kota Bekasi & Sekitarnya", {"bekasi sekitarnya"}},
        {"Jakarta Pusat",
         {"jakarta pusat", "jakarta selatan", "jakarta barat", "jakarta timur", "jakarta utara"}},
        {"Kepulauan Seribu (Jakarta)",
         {"kepulauan seribu jakarta", "jakarta pusat", "jakarta selatan", "jakarta barat", "jakarta timur",
          "jakarta utara"}},
        {"!!!", {""}},
    };
    for (const auto& [name, expected] : cases) {
        const QStringList aliases = CityCatalog::aliases(name);
        EXPECT_EQ(asSet(aliases), asSet(expected)) << name.toStdString();
        EXPECT_EQ(aliases.size(), asSet(aliases).size()) << name.toStdString() << ": duplicates";
    }
}

TEST(CityCatalogPage, OptionsBecomeCleanEntries) {
    const QByteArray page = "<html><select name=city>\n"
                            "<option value=\"\">Pilih kota</option>\n"
                            "<option value='bks'>Kota&nbsp;Bekasi &amp; Sekitarnya</option>\n"
                            "<OPTION class=x VALUE=\" jkt \" selected>  <b>DKI</b>\n  Jakarta </OPTION>\n"
                            "<option value=\"dup\">First</option>\n"
                            "<option value=\"dup\">Second</option>\n"
                            "<option value=\"empty\"> <i></i> </option>\n"
                            "<option value=\"amp\">A &lt; B &amp;amp; C</option>\n"
                            "<option value=\"bad\">Kota \xff</option>\n"
                            "<option value=\"../../etc/passwd\">Escape</option>\n"
                            "<option value=\"a/b\">Slash</option>\n"
                            "<option value=\"..\">Dots</option>\n"
                            "<option value=\".\">Dot</option>\n"
                            "<option value=\"a b\">Space</option>\n"
                            "<option value=\"kota-1_x.y\">Safe Punctuation</option>\n"
                            "</select></html>";
    const auto parsed = CityCatalog::parseCatalogPage(page);
    ASSERT_TRUE(parsed);
    QHash<QString, QString> names;
    for (const auto& e : *parsed) {
        EXPECT_FALSE(names.contains(e.code)) << e.code.toStdString() << " listed twice";
        names.insert(e.code, e.name);
        EXPECT_FALSE(e.lat || e.lon);
        EXPECT_EQ(e.aliases, CityCatalog::aliases(e.name));
    }
    const QHash<QString, QString> expected{
        {"bks", "Kota Bekasi & Sekitarnya"},
        {"jkt", "DKI Jakarta"},
        {"dup", "Second"},
        {"amp", "A &lt; B &amp; C"},
        {"bad", QString::fromUtf8("Kota \uFFFD")},
        {"kota-1_x.y", "Safe Punctuation"},
    };
    EXPECT_EQ(names, expected);

    const auto none = CityCatalog::parseCatalogPage("<h1>404 Not Found</h1>");
    ASSERT_TRUE(none) << "a page without options is no failure";
    EXPECT_TRUE(none->isEmpty());
}

TEST_F(CatalogTest, MergeLendsCoordinatesAndAliasesByCodeThenName) {
    EXPECT_EQ(catalog.merge({}), builtInCities());

    const QList<CityEntry> remote{
        city("bdg", "Kabupaten Bandung", std::nullopt, std::nullopt, {"bandung"}),
        city("xyz", "Kota Depok", std::nullopt, std::nullopt, {"depok"}),
        city("new", "Kota Antah Berantah", std::nullopt, std::nullopt, {"antah berantah"}),
    };
    const auto merged = catalog.merge(remote);
    ASSERT_EQ(codes(merged), (QStringList{"bdg", "xyz", "new"}));
    EXPECT_EQ(merged[0].name, "Kabupaten Bandung");
    EXPECT_EQ(merged[0].lat, -6.9175);
    EXPECT_EQ(asSet(merged[0].aliases), (QSet<QString>{"bandung", "kota bandung"}));
    EXPECT_EQ(merged[0].aliases.size(), 2);
    EXPECT_EQ(merged[1].lon, 106.7942) << "joined by normalized name";
    EXPECT_EQ(asSet(merged[1].aliases), (QSet<QString>{"depok", "kota depok"}));
    EXPECT_EQ(merged[2], remote[2]) << "known nowhere: no coordinates";
}

// A city the built-in table lacks takes the coordinates of the regency or city of that name, and nothing
// else.
TEST_F(CatalogTest, MergeTakesCoordinatesFromTheGazetteerForCitiesTheTableLacks) {
    const struct {
        const char* name;
        GeoPoint expected; // of the gazetteer entry
    } cases[] = {
        {"KOTA JAYAPURA", {-2.64647, 140.77779}},
        {"Kabupaten Jayapura", {-3.00000, 139.95000}}, // the full name first
        {"Kab. Jayapura", {-3.00000, 139.95000}},
        {"Jayapura", {-2.64647, 140.77779}}, // then the normalized one: the city
        {"Kota  Ambon", {-3.70000, 128.18333}},
        {"Tasikmalaya", {-7.35000, 108.21667}},
    };
    for (const auto& c : cases) {
        const CityEntry remote =
            city("svc1", c.name, std::nullopt, std::nullopt, CityCatalog::aliases(c.name));
        const QList<CityEntry> merged = catalog.merge({remote});
        ASSERT_EQ(merged.size(), 1);
        EXPECT_EQ(merged[0].lat, c.expected.latitude) << c.name;
        EXPECT_EQ(merged[0].lon, c.expected.longitude) << c.name;
        EXPECT_EQ(merged[0].code, "svc1");
        EXPECT_EQ(merged[0].name, c.name);
        EXPECT_EQ(merged[0].aliases, remote.aliases) << "no aliases of the gazetteer's";
    }

    // A built-in city keeps the table's coordinates, even where the gazetteer's point differs.
    EXPECT_EQ(catalog.merge({city("bdg", "Kota Bandung", std::nullopt, std::nullopt)})[0].lat, -6.9175);
    EXPECT_EQ(catalog.merge({city("xx", "Bandung", std::nullopt, std::nullopt)})[0].lat, -6.9175);
}

TEST_F(CatalogTest, MatchingQueriesAgainstTheBuiltInTable) {
    const std::pair<QString, const char*> cases[] = {
        {"Kab. Bogor", "bgr"},
        {"Kabupaten Bogor", "bgr"},
        {"KOTA BOGOR", "bgr"},
        {"jogja", "ykg"},
        {"Solo", "slo"},
        {"Jakarta Selatan, DKI", "jkt"},
        {"Kota Bekasi Jakarta", "jkt"}, // Jakarta is listed first and the query holds its name
        {"jakarta", "jkt"},
        {"BNA", "bna"},
        {"Banda Aceh", "bna"},
        {"Kota Banda Aceh", "bna"},
        {QString::fromUtf8("Dénpasar"), nullptr}, // "d npasar": diacritics are not folded away
        {QString::fromUtf8("Medan Barât"), "mdn"},
        {"Bekasi Kota", "bks"},
        {"", nullptr},
        {"  .,!? ", nullptr},
        {"Atlantis", nullptr},
    };
    for (const auto& [query, code] : cases) {
        const auto found = QCoro::waitFor(catalog.match(query));
        if (code) {
            ASSERT_TRUE(found) << query.toStdString();
            EXPECT_EQ(found->code, code) << query.toStdString();
        } else {
            EXPECT_EQ(found, std::nullopt) << query.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(catalogPath())) << "the built-in table alone is never written";
}

TEST_F(CatalogTest, EmptyQueryMatchesAnEntryWhoseAliasNormalizesToNothing) {
    writeCatalog({city("abc", "Abc", 1, 1, {"abc"}), city("odd", "Odd", 2, 2, {"odd", "!!!"})});
    EXPECT_EQ(QCoro::waitFor(catalog.match(""))->code, "odd");
    EXPECT_EQ(QCoro::waitFor(catalog.match("?"))->code, "odd");
}

TEST_F(CatalogTest, NearestCity) {
    struct Case {
        const char* what;
        QList<CityEntry> catalogue; // empty: the built-in table
        GeoPoint location;
        const char* code;
    } cases[] = {
        {"fallback location", {}, GeoPoint{-6.2088, 106.8456}, "jkt"},
        {"Bandung", {}, GeoPoint{-6.90, 107.60}, "bdg"},
        {"far away still has a nearest", {}, GeoPoint{51.5, -0.12}, "bna"},
        {"tie keeps the first",
         {city("east", "East", 0, 1), city("west", "West", 0, -1)},
         GeoPoint{0, 0},
         "east"},
        {"tie keeps the first, reversed",
         {city("west", "West", 0, -1), city("east", "East", 0, 1)},
         GeoPoint{0, 0},
         "west"},
        {"same place twice", {city("a", "A", 1, 1), city("b", "B", 1, 1)}, GeoPoint{1, 1}, "a"},
        {"entries without both coordinates are skipped",
         {city("nolon", "NoLon", 0, std::nullopt), city("far", "Far", 10, 10)},
         GeoPoint{0, 0},
         "far"},
    };
    for (const auto& c : cases) {
        QTemporaryDir caseDir;
        DataStore caseStore(caseDir.path(), Settings(caseDir.filePath("lumora.conf")), clock);
        if (!c.catalogue.isEmpty()) caseStore.saveCatalog(c.catalogue);
        CityCatalog caseCatalog(caseStore, network);
        EXPECT_EQ(QCoro::waitFor(caseCatalog.nearestCity(c.location)).code, c.code) << c.what;
    }
}

TEST_F(CatalogTest, CatalogueWithoutCoordinatesGivesTheBuiltInJakarta) {
    writeCatalog({city("sby2", "Surabaya", std::nullopt, std::nullopt, {"surabaya"}),
                  city("mdn2", "Medan", std::nullopt, std::nullopt, {"medan"})});
    EXPECT_EQ(QCoro::waitFor(catalog.nearestCity(GeoPoint{3.59, 98.67})), builtInCities().first());
}

TEST_F(CatalogTest, SavedFileUsedAsIsAndKeptForTheProcess) {
    const QList<CityEntry> saved{city("x1", "Kota Satu", 1, 2, {"satu"}),
                                 city("x2", "Dua", std::nullopt, std::nullopt, {})};
    writeCatalog(saved);
    EXPECT_EQ(QCoro::waitFor(catalog.entries()), saved);
    QFile::remove(catalogPath());
    EXPECT_EQ(QCoro::waitFor(catalog.entries()), saved) << "loaded once per process";
}

TEST_F(CatalogTest, UnusableFilesFallBackWithoutWritingWhenNoServiceIsConfigured) {
    const QByteArray files[] = {
        "[]",
        "not json",
        R"({"code":"jkt"})",
        R"([{"code":"jkt","name":"Jakarta","aliases":[]},{"code":"bks","name":"Bekasi"}])",
        R"([{"code":"jkt","name":"Jakarta","aliases":[],"lat":"-6.2"}])",
    };
    for (const QByteArray& bytes : files) {
        QTemporaryDir caseDir;
        DataStore caseStore(caseDir.path(), Settings(caseDir.filePath("lumora.conf")), clock);
        storage::writeFileAtomically(caseStore.filePath("city-catalog.json"), bytes);
        EXPECT_EQ(caseStore.loadCatalog().value_or(QList<CityEntry>{}), QList<CityEntry>{})
            << bytes.constData();
        CityCatalog caseCatalog(caseStore, network);
        EXPECT_EQ(QCoro::waitFor(caseCatalog.entries()), builtInCities()) << bytes.constData();
        EXPECT_EQ(storage::readFile(caseStore.filePath("city-catalog.json")), bytes) << "left as it was";
    }
}

TEST_F(CatalogTest, CatalogueFileFormat) {
    writeCatalog({city("jkt", "Jakarta", -6.2088, 106.8456, {"jakarta pusat"}),
                  city("new", "Baru", std::nullopt, std::nullopt, {})});
    const auto bytes = storage::readFile(catalogPath());
    ASSERT_TRUE(bytes);
    EXPECT_FALSE(bytes->contains('\n')) << "compact";
    const QJsonArray array = QJsonDocument::fromJson(*bytes).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject(), (QJsonObject{{"code", "jkt"},
                                                {"name", "Jakarta"},
                                                {"lat", -6.2088},
                                                {"lon", 106.8456},
                                                {"aliases", QJsonArray{"jakarta pusat"}}}));
    EXPECT_EQ(array[1].toObject().keys(), (QStringList{"aliases", "code", "name"}))
        << "absent coordinates left out";

    // Unknown keys and null coordinates are read as absent.
    storage::writeFileAtomically(
        catalogPath(), R"([{"code":"a","name":"A","aliases":["x"],"lat":null,"extra":true,"lon":3}])");
    EXPECT_EQ(store.loadCatalog(), (QList<CityEntry>{city("a", "A", std::nullopt, 3, {"x"})}));
}

namespace {

const QByteArray kCityPage = "<form><select id=\"kota\">\n"
                             "<option value=\"\">-- Pilih --</option>\n"
                             "<option value=\"bks\">Kota Bekasi</option>\n"
                             "<option value=\"jkt\">DKI Jakarta</option>\n"
                             "<option value=\"kbgr\">Kabupaten Bogor</option>\n"
                             "<option value=\"../../secret\">Luar</option>\n"
                             "<option value=\"tsk\">Tasikmalaya</option>\n"
                             "<option value=\"bks\">Kota&nbsp;Bekasi &amp; Sekitarnya</option>\n"
                             "</select></form>";

/// A catalogue pointed at a loopback city page.
class RemoteCatalogTest : public CatalogTest {
protected:
    void serve(int status, QByteArray body) {
        server.setHandler([status, body](const test::LoopbackServer::Request&) {
            return test::LoopbackServer::Reply{status, body};
        });
    }

    test::LoopbackServer server;
    // Hides the fixture's catalogue, which has no service.
    CityCatalog catalog{store, network, server.baseUrl().toString()};
};

} // namespace

TEST_F(RemoteCatalogTest, MissingOrEmptyFileFetchesThePageMergesAndSavesIt) {
    for (const char* file : {static_cast<const char*>(nullptr), "[]"}) {
        QTemporaryDir caseDir;
        DataStore caseStore(caseDir.path(), Settings(caseDir.filePath("lumora.conf")), clock);
        if (file) storage::writeFileAtomically(caseStore.filePath("city-catalog.json"), file);
        CityCatalog caseCatalog(caseStore, network, server.baseUrl().toString());
        serve(200, kCityPage);
        server.clearRequests();

        const auto list = QCoro::waitFor(caseCatalog.entries());
        const QString what = file ? "file []" : "no file";
        ASSERT_EQ(server.requests().size(), 1) << what.toStdString();
        const auto request = server.requests().first();
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.target, "/adzan/") << "the base page, no query";
        EXPECT_FALSE(request.header("User-Agent").toLower().contains("lumora")) << "no headers of our own";
        EXPECT_TRUE(request.header("Accept").isEmpty() || request.header("Accept") == "*/*");

        QHash<QString, CityEntry> byCode;
        for (const auto& e : list)
            byCode.insert(e.code, e);
        EXPECT_EQ(QSet<QString>(byCode.keyBegin(), byCode.keyEnd()),
                  (QSet<QString>{"bks", "jkt", "kbgr", "tsk"}))
            << "unsafe and empty codes skipped, the repeated code once";
        EXPECT_EQ(byCode["bks"].name, "Kota Bekasi & Sekitarnya") << "the later option wins";
        EXPECT_EQ(byCode["bks"].lat, -6.2383) << "joined by code";
        EXPECT_TRUE(byCode["bks"].aliases.contains("kota bekasi"));
        EXPECT_EQ(byCode["kbgr"].lat, -6.5944) << "joined by name";
        EXPECT_TRUE(byCode["jkt"].aliases.contains("jakarta utara"));
        EXPECT_EQ(byCode["tsk"].lat, -7.35) << "placed by the gazetteer";

        EXPECT_EQ(caseStore.loadCatalog(), list) << "saved in the order returned";

        // The saved file serves the next run without a request.
        server.clearRequests();
        CityCatalog nextRun(caseStore, network, server.baseUrl().toString());
        EXPECT_EQ(QCoro::waitFor(nextRun.entries()), list);
        EXPECT_TRUE(server.requests().isEmpty());

        // The fetched catalogue drives matching and the nearest city.
        EXPECT_EQ(QCoro::waitFor(caseCatalog.match("Kabupaten Bogor"))->code, "kbgr");
        EXPECT_EQ(QCoro::waitFor(caseCatalog.match("Bekasi"))->code, "bks");
        EXPECT_EQ(QCoro::waitFor(caseCatalog.nearestCity(GeoPoint{-6.6, 106.8})).code, "kbgr");
    }
}

// Before the gazetteer lent coordinates, a user in Jayapura got Makassar, 85 minutes off.
TEST_F(RemoteCatalogTest, ServiceCitiesBeyondTheTableCanBeTheNearest) {
    serve(200, "<select>\n"
               "<option value=\"jkt\">DKI JAKARTA</option>\n"
               "<option value=\"1201\">KOTA JAYAPURA</option>\n"
               "<option value=\"1202\">KOTA AMBON</option>\n"
               "<option value=\"1203\">KOTA MAKASSAR</option>\n"
               "</select>");
    const std::pair<GeoPoint, const char*> fixes[] = {
        {{-2.5337, 140.7181}, "1201"}, // Jayapura
        {{-2.6000, 140.6600}, "1201"}, // Abepura, still the city
        {{-3.6954, 128.1814}, "1202"}, // Ambon
        {{-5.1477, 119.4327}, "1203"}, {{-6.2000, 106.8000}, "jkt"},
    };
    for (const auto& [fix, code] : fixes)
        EXPECT_EQ(QCoro::waitFor(catalog.nearestCity(fix)).code, code)
            << fix.latitude << "," << fix.longitude;

    // The file keeps its form: the coordinates are ordinary "lat" and "lon" of the entry.
    const auto bytes = storage::readFile(catalogPath());
    ASSERT_TRUE(bytes);
    QJsonObject jayapura;
    for (const QJsonValue& v : QJsonDocument::fromJson(*bytes).array())
        if (v[QStringLiteral("code")] == QStringLiteral("1201")) jayapura = v.toObject();
    EXPECT_EQ(jayapura, (QJsonObject{{"code", "1201"},
                                     {"name", "KOTA JAYAPURA"},
                                     {"lat", -2.64647},
                                     {"lon", 140.77779},
                                     {"aliases", QJsonArray{"jayapura"}}}));
}

TEST_F(RemoteCatalogTest, ExistingFileIsUsedWithoutARequest) {
    const QList<CityEntry> saved{city("x1", "Satu", 1, 2, {"satu"})};
    writeCatalog(saved);
    serve(200, kCityPage);
    EXPECT_EQ(QCoro::waitFor(catalog.entries()), saved);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(RemoteCatalogTest, PageWithoutCitiesSavesTheBuiltInTable) {
    serve(404, "<h1>Not Found</h1>");
    EXPECT_EQ(QCoro::waitFor(catalog.entries()), builtInCities());
    EXPECT_EQ(store.loadCatalog(), builtInCities());
}

TEST_F(RemoteCatalogTest, FailedFetchOrNoServiceLeavesNoFile) {
    // A port that was just closed refuses the connection.
    quint16 closedPort = 0;
    {
        test::LoopbackServer gone;
        closedPort = gone.port();
    }
    const std::optional<QByteArray> urls[] = {
        QByteArray("http://127.0.0.1:") + QByteArray::number(closedPort) + "/adzan/",
        QByteArray(""),
        std::nullopt,
    };
    for (const auto& url : urls) {
        QTemporaryDir caseDir;
        DataStore caseStore(caseDir.path(), Settings(caseDir.filePath("lumora.conf")), clock);
        CityCatalog caseCatalog(caseStore, network, QString::fromUtf8(url.value_or(QByteArray())));
        EXPECT_FALSE(QCoro::waitFor(caseCatalog.fetchRemoteCatalog())) << url.value_or("(unset)").constData();
        EXPECT_EQ(QCoro::waitFor(caseCatalog.entries()), builtInCities());
        EXPECT_FALSE(QFile::exists(caseStore.filePath("city-catalog.json")))
            << url.value_or("(unset)").constData();
    }

    // A page cut off half way would be a catalogue missing cities for good: the file never expires.
    test::LoopbackServer::Reply cut{200, kCityPage};
    cut.cutAfter = kCityPage.indexOf("kbgr");
    server.setHandler([cut](const test::LoopbackServer::Request&) { return cut; });
    EXPECT_FALSE(QCoro::waitFor(catalog.fetchRemoteCatalog()));
    EXPECT_EQ(QCoro::waitFor(catalog.entries()), builtInCities());
    EXPECT_FALSE(QFile::exists(catalogPath()));
}

// HTML lets an option end without its end tag; the text then ends where the next option, group or the list
// begins. Tags are read by HTML's rules, so a '>' inside a quoted value does not end them.
TEST(CityCatalogPage, OptionsAreReadAsHtmlWritesThem) {
    const std::string longName(5000, 'x');
    const struct {
        const char* what;
        QByteArray page;
        QList<std::pair<QString, QString>> expected; // code, name
    } cases[] = {
        {"end tags left out",
         "<select><option value=\"a\">Alpha<option value='b'>Beta\n<optgroup label=x><option value=c>Gamma"
         "</optgroup><option value=d>Delta</select><p>after</p>",
         {{"a", "Alpha"}, {"b", "Beta"}, {"c", "Gamma"}, {"d", "Delta"}}},
        {"a quoted '>' inside the tag",
         "<option title=\"x > y\" value=\"a\">Alpha</option><option value=\"b\" title='>'>Beta</option>",
         {{"a", "Alpha"}, {"b", "Beta"}}},
        {"only the attribute named value",
         "<option data-value=\"z\" value = \"a\">Alpha</option><option data-value=\"y\">None</option>",
         {{"a", "Alpha"}}},
        {"the first value attribute", "<option value=\"a\" VALUE=\"b\">Alpha</option>", {{"a", "Alpha"}}},
        {"other tags that begin alike",
         "<optional value=\"a\">No</optional><option/value=\"b\">Beta</option>",
         {{"b", "Beta"}}},
        {"a tag that never ends",
         "<option value=\"a\">Alpha</option><option value=\"b\" title=\"Beta</option>",
         {{"a", "Alpha"}}},
        {"the page ends inside an option", "<option value=\"a\">Alpha", {{"a", "Alpha"}}},
        {"an implausibly long text",
         "<option value=\"a\">" + QByteArray::fromStdString(longName) + "</option><option value=\"b\">Beta",
         {{"b", "Beta"}}},
        {"markup without its '>' inside a name",
         "<option value=\"a\"><<<<<b Alpha</option>",
         {{"a", "<<<<<b Alpha"}}},
    };
    for (const auto& c : cases) {
        const auto parsed = CityCatalog::parseCatalogPage(c.page);
        ASSERT_TRUE(parsed) << c.what;
        QList<std::pair<QString, QString>> got;
        for (const CityEntry& e : *parsed)
            got.append({e.code, e.name});
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

// Unterminated options cost the old expression a scan to the end of the page each: 40 k took 20 s. How fast
// this is belongs to the benchmark; here, what such a page reads as, and that a page of more cities than the
// service has is no city list.
TEST(CityCatalogPage, PagesOfManyOptions) {
    QByteArray unterminated;
    for (int i = 0; i < 40'000; ++i)
        unterminated +=
            "<option value=\"c" + QByteArray::number(i % 100) + "\">Kota " + QByteArray::number(i);
    const auto parsed = CityCatalog::parseCatalogPage(unterminated);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 100);
    EXPECT_EQ(parsed->first().code, "c0");
    EXPECT_EQ(parsed->first().name, "Kota 39900") << "the later option wins";

    const auto listOf = [](int cities) {
        QByteArray page;
        for (int i = 0; i < cities; ++i)
            page += "<option value=\"k" + QByteArray::number(i) + "\">K</option>";
        return page;
    };
    const auto most = CityCatalog::parseCatalogPage(listOf(CityCatalog::kMaxCities));
    ASSERT_TRUE(most);
    EXPECT_EQ(most->size(), CityCatalog::kMaxCities);
    EXPECT_FALSE(CityCatalog::parseCatalogPage(listOf(CityCatalog::kMaxCities + 1)));
}

// Every view asks for the catalogue as the app starts; seven fetches of the page at once stalled the app.
TEST_F(RemoteCatalogTest, ConcurrentCallersShareOneFetch) {
    const struct {
        const char* what;
        int status;
        QByteArray body;
        bool fromPage;
    } cases[] = {
        {"the page", 200, kCityPage, true},
        {"no page", 404, "<h1>Not Found</h1>", false},
    };
    for (const auto& c : cases) {
        QTemporaryDir caseDir;
        DataStore caseStore(caseDir.path(), Settings(caseDir.filePath("lumora.conf")), clock);
        CityCatalog caseCatalog(caseStore, network, server.baseUrl().toString());
        serve(c.status, c.body);
        server.clearRequests();

        std::vector<QCoro::Task<QList<CityEntry>>> callers;
        for (int i = 0; i < 7; ++i)
            callers.push_back(caseCatalog.entries());
        std::vector<QList<CityEntry>> lists;
        for (auto& caller : callers)
            lists.push_back(QCoro::waitFor(caller));

        EXPECT_EQ(server.requests().size(), 1) << c.what;
        for (const auto& list : lists)
            EXPECT_EQ(list, lists.front()) << c.what;
        EXPECT_EQ(lists.front() == builtInCities(), !c.fromPage) << c.what;
        EXPECT_EQ(QCoro::waitFor(caseCatalog.entries()), lists.front()) << c.what;
        EXPECT_EQ(server.requests().size(), 1) << c.what;
    }
}
