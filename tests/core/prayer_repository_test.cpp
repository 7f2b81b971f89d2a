#include "core/prayer_repository.h"

#include "core/app_services.h"
#include "core/computed_month_source.h"
#include "model/city_name.h"
#include "model/date_helpers.h"
#include "places/cached_month_envelope.h"
#include "places/city_catalog.h"
#include "places/location_service.h"
#include "places/data_store.h"
#include "schedule/schedule_bodies.h"
#include "support/loopback_server.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QFile>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QTimeZone>
#include <QUrlQuery>

#include <functional>

#include <gtest/gtest.h>

using namespace lumora;
using namespace std::chrono_literals;

namespace {

constexpr double kDay = 86400;
const GeoPoint kJakartaPoint{-6.2088, 106.8456};

int daysIn(const QString& key) {
    const Instant first =
        *DateHelpers::fromCivil(CivilTime{key.left(4).toInt(), key.mid(5).toInt(), 1, 0, 0, 0});
    return static_cast<int>(std::lround((*DateHelpers::addMonths(first, 1) - first) / kDay));
}

/// A whole month as the repository stores it, every subuh at `subuh`.
PrayerMonthCache storedMonth(const QString& code, const QString& key, const QString& subuh) {
    PrayerMonthCache m{code, key, {}};
    for (int d = 1; d <= daysIn(key); ++d)
        m.days.append(PrayerDay{code,
                                code,
                                test::dayOf(key, d),
                                {{PrayerName::subuh, subuh},
                                 {PrayerName::syuruq, "05:50"},
                                 {PrayerName::dhuhur, "11:52"},
                                 {PrayerName::ashar, "15:13"},
                                 {PrayerName::maghrib, "17:46"},
                                 {PrayerName::isya, "18:58"}}});
    return m;
}

class Repository : public ::testing::Test {
protected:
    Repository() {
        server.setHandler([this](const test::LoopbackServer::Request& r) { return answer(r); });
    }

    // The service answers JSON months (subuh 04:35) for "&export=json" and nothing else; `serviceHasDays`
    // switches it to answering every month query with no days.
    test::LoopbackServer::Reply answer(const test::LoopbackServer::Request& r) {
        const QUrlQuery q(QUrl::fromEncoded(r.target).query());
        if (!q.hasQueryItem("month")) return {404, {}};
        if (!serviceHasDays || q.queryItemValue("export") != "json") return {200, "[]"};
        const QString key = q.queryItemValue("month");
        if (serviceAnswer) return {200, serviceAnswer(key)};
        return {200, test::jsonMonth(key, daysIn(key)).toUtf8()};
    }

    int monthRequests() const {
        int n = 0;
        for (const auto& r : server.requests())
            n += r.target.contains("month=");
        return n;
    }

    QString monthPath(const QString& code, const QString& key) const {
        return home.dataFolder() + "/month-" + code + "-" + key + ".json";
    }
    void saveAged(const PrayerMonthCache& m, double age) {
        storage::writeFileAtomically(monthPath(m.cityCode, m.month),
                                     json::compact(CachedMonthEnvelope{clock.now() - age, m}.toJson()));
    }
    void saveCatalog(const QList<CityEntry>& entries) { store.saveCatalog(entries); }

    AppState load(std::optional<GeoPoint> location = kJakartaPoint) {
        return QCoro::waitFor(repository.loadState(location));
    }

    test::TempHome home;
    test::LoopbackServer server;
    bool serviceHasDays = true;
    /// When set, what the JSON address answers for a month key in place of a good month.
    std::function<QByteArray(const QString&)> serviceAnswer;
    ManualClock clock{*DateHelpers::makeDate("2026-03-07", "12:00")};
    QNetworkAccessManager network;
    DataStore store{home.dataFolder(), Settings(home.path() + "/lumora.conf"), clock};
    CityCatalog catalog{store, network};
    PrayerRepository repository{
        scheduleChain(store, PrayerSource(network, "test-agent", server.baseUrl().toString(), 2000ms)),
        catalog, store, clock};
};

} // namespace

TEST_F(Repository, FirstLoadFetchesBothMonthsThenTheFilesServe) {
    const AppState first = load();
    ASSERT_TRUE(first.todayDay);
    EXPECT_EQ(first.todayDay->date, "2026-03-07");
    EXPECT_EQ(first.statusText, "Lokasi terdeteksi: Jakarta");
    EXPECT_EQ(monthRequests(), 2);
    EXPECT_TRUE(QFile::exists(monthPath("jkt", "2026-03")));
    EXPECT_TRUE(QFile::exists(monthPath("jkt", "2026-04")));

    clock.advance(6 * kDay);
    const AppState second = load();
    EXPECT_EQ(monthRequests(), 2) << "fresh files make no request";
    EXPECT_EQ(second.todayDay->date, "2026-03-13");
}

TEST_F(Repository, MonthAgeDecidesBetweenFileAndService) {
    struct Case {
        const char* name;
        double age;
        const char* subuh; // 04:01 comes from the file, 04:35 from the service
        int requests;
    } cases[] = {
        {"six days old", 6 * kDay, "04:01", 0},
        {"eight days old", 8 * kDay, "04:35", 1},
        {"saved in the future", -2 * kDay, "04:01", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.clearRequests();
        saveAged(storedMonth("jkt", "2026-03", "04:01"), c.age);
        const PrayerMonthCache m = QCoro::waitFor(repository.ensureMonth("jkt", clock.now()));
        ASSERT_FALSE(m.days.isEmpty());
        EXPECT_EQ(m.days.first().slots.first().time, c.subuh);
        EXPECT_EQ(monthRequests(), c.requests);
    }
}

TEST_F(Repository, AStaleMonthStandsInUntilTheServiceAnswersWell) {
    serviceHasDays = false;
    saveAged(storedMonth("jkt", "2026-03", "04:01"), 9 * kDay);
    const QByteArray stale = *storage::readFile(monthPath("jkt", "2026-03"));

    const ChainMonth failed = QCoro::waitFor(
        repository.sourcedMonth(CityEntry{"jkt", {}, {}, {}, {}}, clock.now(), MonthSource::automatic, {}));
    EXPECT_EQ(monthRequests(), 7);
    ASSERT_FALSE(failed.month.days.isEmpty()) << "official times a few weeks old beat computed ones";
    EXPECT_EQ(failed.month.days.first().slots.first().time, "04:01");
    EXPECT_EQ(failed.attempts.size(), 3) << "fresh files, the service, then the stale file";
    EXPECT_EQ(storage::readFile(monthPath("jkt", "2026-03")), stale) << "kept as it was";
    const AppState state = load();
    ASSERT_TRUE(state.todayDay);
    EXPECT_EQ(state.todayDay->slots.first().time, "04:01");
    EXPECT_EQ(state.statusText, "Lokasi terdeteksi: Jakarta") << "told as the schedule it is, not as hisab";

    serviceHasDays = true;
    const PrayerMonthCache answered = QCoro::waitFor(repository.ensureMonth("jkt", clock.now()));
    ASSERT_FALSE(answered.days.isEmpty());
    EXPECT_EQ(answered.days.first().slots.first().time, "04:35");
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), answered) << "replaced, and fresh again";
}

TEST_F(Repository, AnAnswerThatIsNoScheduleIsRefusedAndTheOldMonthStays) {
    auto month = [](const QString& key, int days, const QString& subuh) {
        return test::jsonMonth(key, days, subuh).toUtf8();
    };
    auto fortyDays = [](const QString& key) {
        QStringList records;
        for (int d = 0; d < 40; ++d)
            records.append(test::jsonRecord(test::dayOf(key, d % 31 + 1)));
        return ("[" + records.join(",") + "]").toUtf8();
    };
    auto oneLongTime = [](const QString& key) {
        // Cut at its second colon, as times with seconds are, it would read "04:35".
        QStringList records{
            test::jsonRecord(test::dayOf(key, 1), "\"04:35:" + QString(3'000'000, u'0') + "\"")};
        for (int d = 2; d <= daysIn(key); ++d)
            records.append(test::jsonRecord(test::dayOf(key, d)));
        return ("[" + records.join(",") + "]").toUtf8();
    };
    struct Case {
        const char* name;
        std::function<QByteArray(const QString&)> answer;
    } cases[] = {
        {"99:99", [&](const QString& k) { return month(k, daysIn(k), "\"99:99\""); }},
        {"ab:cd", [&](const QString& k) { return month(k, daysIn(k), "\"ab:cd\""); }},
        {"empty times", [&](const QString& k) { return month(k, daysIn(k), "\"\""); }},
        {"a 3 MB time", oneLongTime},
        {"subuh after sunrise", [&](const QString& k) { return month(k, daysIn(k), "\"06:10\""); }},
        {"40 days", fortyDays},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        serviceAnswer = c.answer;
        for (const bool hadMonth : {true, false}) {
            SCOPED_TRACE(hadMonth ? "over a stale month" : "with no month saved");
            for (const char* key : {"2026-03", "2026-04"})
                storage::removeFile(monthPath("jkt", key));
            if (hadMonth) saveAged(storedMonth("jkt", "2026-03", "04:01"), 9 * kDay);
            const auto before = storage::readFile(monthPath("jkt", "2026-03"));

            const ChainMonth service = QCoro::waitFor(repository.sourcedMonth(
                CityEntry{"jkt", {}, {}, {}, {}}, clock.now(), MonthSource::service, {}));
            EXPECT_TRUE(service.month.days.isEmpty());
            EXPECT_EQ(service.outcome(), MonthLoadOutcome::invalidDays);

            const AppState state = load();
            EXPECT_EQ(storage::readFile(monthPath("jkt", "2026-03")), before) << "byte for byte";
            EXPECT_FALSE(QFile::exists(monthPath("jkt", "2026-04")));
            ASSERT_TRUE(state.todayDay);
            if (hadMonth) {
                EXPECT_EQ(state.todayDay->slots.first().time, "04:01");
                EXPECT_EQ(state.statusText, "Lokasi terdeteksi: Jakarta");
            } else {
                EXPECT_EQ(state.statusText, "Jadwal hisab: Jakarta") << "computed times fill in";
            }
        }
    }
}

TEST_F(Repository, CachedStateOnTheLastDayWithoutNextMonthHasNoTomorrow) {
    clock.set(*DateHelpers::makeDate("2026-03-31", "20:00"));
    saveAged(storedMonth("jkt", "2026-03", "04:01"), kDay);
    const auto s = QCoro::waitFor(repository.cachedState(kJakartaPoint));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->todayDay->date, "2026-03-31");
    EXPECT_FALSE(s->tomorrowDay);
    EXPECT_FALSE(s->nextPrayer);
    EXPECT_EQ(monthRequests(), 0);
}

TEST_F(Repository, CityWithoutNetwork) {
    const CityEntry bareJakarta{"jkt", "DKI Jakarta", {}, {}, {}};
    const CityEntry bandung{"bdg", "Bandung", -6.9175, 107.6191, {}};
    const CityEntry jakartaByName{"x1", "Kota Jakarta Pusat", {}, {}, {}};
    struct Case {
        const char* name;
        QList<CityEntry> catalogue;
        std::optional<GeoPoint> location;
        QString code;
    } cases[] = {
        {"no catalogue file", {}, kJakartaPoint, "jkt"},
        {"entries without coordinates, found by code", {bandung, bareJakarta}, std::nullopt, "jkt"},
        {"found by name", {jakartaByName}, std::nullopt, "x1"},
        {"no coordinates to compare", {bareJakarta}, GeoPoint{-6.9, 107.6}, "jkt"},
        {"nearest with coordinates", {bareJakarta, bandung}, GeoPoint{-6.9, 107.6}, "bdg"},
        {"nothing like Jakarta", {CityEntry{"mdn", "Medan", {}, {}, {}}}, std::nullopt, "jkt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        storage::removeFile(home.dataFolder() + "/city-catalog.json");
        if (!c.catalogue.isEmpty()) saveCatalog(c.catalogue);
        EXPECT_EQ(repository.cachedResolvedCity(c.location).code, c.code);
    }
}

TEST_F(Repository, SeedFallsBackToJakartasSavedMonth) {
    saveCatalog(builtInCities());
    store.saveLocation(
        CachedLocation{-6.9175, 107.6191, clock.now() - 10 * kDay}); // Bandung, age plays no part
    saveAged(storedMonth("jkt", "2026-03", "04:01"), kDay);
    const auto s = repository.seedInitialState();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->cityCode, "jkt");
    EXPECT_EQ(s->todayDay->slots.first().time, "04:01");
    EXPECT_EQ(s->statusText, "Lokasi terdeteksi: Jakarta");
    EXPECT_EQ(monthRequests(), 0);
}

TEST_F(Repository, APinnedPlaceSeedsOverTheDevicesLastFix) {
    saveCatalog(builtInCities());
    store.saveLocation(CachedLocation{-6.9175, 107.6191, clock.now()}); // Bandung, a fresh fix
    saveAged(storedMonth("jkt", "2026-03", "04:01"), kDay);
    saveAged(storedMonth("bdg", "2026-03", "04:02"), kDay);
    ASSERT_EQ(repository.seedInitialState()->cityCode, "bdg");
    // Pinned to Jakarta for this run: the first paint is Jakarta's, not Bandung's for a moment.
    const auto pinned = repository.seedInitialState(kJakartaPoint);
    ASSERT_TRUE(pinned);
    EXPECT_EQ(pinned->cityCode, "jkt");
    EXPECT_EQ(pinned->todayDay->slots.first().time, "04:01");
    EXPECT_EQ(monthRequests(), 0);
}

TEST_F(Repository, ComputedTimesOnlyWhenNeitherDayCanBeHad) {
    serviceHasDays = false;
    const AppState computed = load();
    ASSERT_TRUE(computed.todayDay && computed.tomorrowDay);
    EXPECT_EQ(computed.statusText, "Jadwal hisab: Jakarta");
    EXPECT_EQ(computed.todayDay->cityName, "Jakarta");
    EXPECT_EQ(computed.todayDay->slots.size(), 6);
    EXPECT_FALSE(QFile::exists(monthPath("jkt", "2026-03"))) << "computed months are never written";
    EXPECT_FALSE(QFile::exists(monthPath("jkt", "2026-04")));

    // The disk-only states compute too, so a first start without network shows times at once.
    EXPECT_EQ(repository.seedInitialState()->statusText, "Jadwal hisab: Jakarta");
    EXPECT_EQ(QCoro::waitFor(repository.cachedState(kJakartaPoint))->statusText, "Jadwal hisab: Jakarta");

    {
        PrayerRepository off{
            scheduleChain(store, PrayerSource(network, "test-agent", server.baseUrl().toString(), 2000ms),
                          false),
            catalog, store, clock};
        const AppState failed = QCoro::waitFor(off.loadState(kJakartaPoint));
        EXPECT_EQ(failed.statusText, "Gagal memuat jadwal untuk Jakarta");
        EXPECT_FALSE(failed.todayDay || failed.tomorrowDay || failed.nextPrayer);
        EXPECT_EQ(off.seedInitialState(), std::nullopt);
        EXPECT_EQ(QCoro::waitFor(off.cachedState(kJakartaPoint)), std::nullopt);
    }

    // With only tomorrow saved (today's month missing), the saved day wins over computing.
    clock.set(*DateHelpers::makeDate("2026-03-31", "12:00"));
    saveAged(storedMonth("jkt", "2026-04", "04:01"), kDay);
    const AppState saved = load();
    EXPECT_FALSE(saved.todayDay);
    ASSERT_TRUE(saved.tomorrowDay);
    EXPECT_EQ(saved.tomorrowDay->slots.first().time, "04:01");
    EXPECT_EQ(saved.statusText, "Lokasi terdeteksi: Jakarta");
}

namespace {

/// A UTC time "yyyy-MM-ddTHH:mm:ss" as an instant.
Instant utc(const char* text) {
    QDateTime t = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    t.setTimeZone(QTimeZone::utc());
    return Instant::fromUnixSeconds(static_cast<double>(t.toSecsSinceEpoch()));
}

/// The day's maghrib as shown, as an instant.
Instant maghribOf(const std::optional<PrayerDay>& day) {
    for (const PrayerSlot& slot : day.value().slots)
        if (slot.name == PrayerName::maghrib) return DateHelpers::makeDate(day->date, slot.time).value();
    return Instant{};
}

} // namespace

// Reference sunsets from an independent ephemeris: PyEphem 4.1.4 (Debian's python3-ephem), Observer at the
// fix, elevation 0, pressure 0 (no refraction model), horizon -1 degree, use_center=True: the Sun's centre at
// the altitude the convention takes for maghrib. Maghrib as shown carries two minutes of precaution and is
// rounded up to the minute, so without the precaution it lies within a minute of the reference.
TEST_F(Repository, ComputedTimesAreForTheFixAndNamedAfterItsPlace) {
    serviceHasDays = false;
    struct Case {
        const char* what;
        GeoPoint fix;
        const char* code;
        const char* name;
        const char* sunsetToday;    // UTC, 2026-03-07
        const char* sunsetTomorrow; // UTC, 2026-03-08
    } cases[] = {
        {"Jayapura",
         {-2.533, 140.717},
         "94.71",
         "Kota Jayapura",
         "2026-03-07T08:53:04",
         "2026-03-08T08:52:45"},
        {"Ambon", {-3.695, 128.181}, "81.71", "Kota Ambon", "2026-03-07T09:43:38", "2026-03-08T09:43:17"},
        {"Kupang", {-10.178, 123.607}, "53.71", "Kota Kupang", "2026-03-07T10:04:22", "2026-03-08T10:03:51"},
        {"Manado", {1.4748, 124.8421}, "71.71", "Kota Manado", "2026-03-07T09:55:05", "2026-03-08T09:54:53"},
        // Nearer Kubu Raya's reference point than the city's, but inside the city.
        {"Pontianak",
         {-0.026, 109.343},
         "61.71",
         "Kota Pontianak",
         "2026-03-07T10:57:37",
         "2026-03-08T10:57:22"},
        // Within 30 km of the catalogue's Jakarta: its name, times at the fix.
        {"central Jakarta", kJakartaPoint, "jkt", "Jakarta", "2026-03-07T11:09:53", "2026-03-08T11:09:28"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AppState s = load(c.fix);
        EXPECT_EQ(s.cityCode, c.code);
        EXPECT_EQ(s.cityName, c.name);
        EXPECT_EQ(s.statusText, QStringLiteral("Jadwal hisab: ") + c.name);
        ASSERT_TRUE(s.todayDay && s.tomorrowDay);
        for (const auto& [day, sunset] :
             {std::pair{s.todayDay, c.sunsetToday}, {s.tomorrowDay, c.sunsetTomorrow}}) {
            const double offBy = (maghribOf(day) - 2 * 60) - utc(sunset);
            EXPECT_GT(offBy, -60) << day->date.toStdString();
            EXPECT_LE(offBy, 60) << day->date.toStdString();
        }
        // The month for the nearest city at the fix is the same place's.
        const CityEntry nearest = QCoro::waitFor(catalog.nearestCity(c.fix));
        const PrayerMonthCache m =
            QCoro::waitFor(repository.month(nearest, clock.now(), MonthSource::hisab, c.fix));
        EXPECT_EQ(m.cityCode, c.code);
        EXPECT_EQ(m.days.value(6), *s.todayDay);
    }
    EXPECT_FALSE(QFile::exists(monthPath("94.71", "2026-03"))) << "computed months are never written";
}

TEST_F(Repository, WithoutARealLocationComputedTimesKeepTheCatalogueCity) {
    serviceHasDays = false;
    const AppState atJakarta = load(std::nullopt);
    EXPECT_EQ(atJakarta.cityCode, "jkt");
    EXPECT_EQ(load(LocationService::fallbackLocation()), atJakarta) << "the fallback point is no fix";

    // A city asked for by name is computed where it lies.
    const CityEntry makassar = *QCoro::waitFor(catalog.match("makassar"));
    const PrayerMonthCache m =
        QCoro::waitFor(repository.month(makassar, clock.now(), MonthSource::hisab, std::nullopt));
    EXPECT_EQ(m.cityCode, "mks");
    // A service city without coordinates takes its gazetteer entry's.
    const CityEntry ambon{"1234", "KOTA AMBON", std::nullopt, std::nullopt, {}};
    EXPECT_EQ(ComputedMonthSource::computedMonth(ambon, clock.now(), std::nullopt).days,
              ComputedMonthSource::computedMonth(CityEntry{"1234", "KOTA AMBON", -3.7, 128.18333, {}},
                                                 clock.now(), std::nullopt)
                  .days);
}

// London is not Kota Sabang, nor is a point in the Java Sea Kabupaten Jepara: far from every regency the
// times are computed at the point and named after it, whatever the service or the month files hold for the
// nearest catalogue city.
TEST_F(Repository, FarFromEveryRegencyTheTimesAreComputedAtThePointAndNamedByIt) {
    struct Case {
        const char* what;
        GeoPoint fix;
        const char* code;
        const char* name;
    } cases[] = {
        {"the Java Sea",
         {-5.0, 110.0},
         "-5.0000,110.0000",
         "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara"},
        {"London", {51.5074, -0.1278}, "51.5074,-0.1278", "51.51° LU, 0.13° BB, di luar Indonesia"},
        {"Kuala Lumpur", {3.139, 101.6869}, "3.1390,101.6869", "3.14° LU, 101.69° BT, di luar Indonesia"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = QString::fromUtf8(c.name);
        // The nearest catalogue city's month is fresh on disk, and the service would answer too.
        const CityEntry nearest = QCoro::waitFor(catalog.nearestCity(c.fix));
        saveAged(storedMonth(nearest.code, "2026-03", "04:01"), kDay);
        const int requestsBefore = monthRequests();

        const AppState s = load(c.fix);
        EXPECT_EQ(s.cityCode, c.code);
        EXPECT_EQ(s.cityName, name);
        EXPECT_EQ(s.statusText, "Jadwal hisab: " + name);
        ASSERT_TRUE(s.todayDay && s.tomorrowDay);
        EXPECT_NE(s.todayDay->slots.first().time, "04:01");
        EXPECT_EQ(monthRequests(), requestsBefore) << "the service is not asked";
        EXPECT_EQ(QCoro::waitFor(repository.cachedState(c.fix)), s);
        store.saveLocation(CachedLocation{c.fix.latitude, c.fix.longitude, clock.now()});
        EXPECT_EQ(repository.seedInitialState(), s);

        const PrayerMonthCache m =
            QCoro::waitFor(repository.month(nearest, clock.now(), MonthSource::automatic, c.fix));
        EXPECT_EQ(m.cityCode, c.code);
        EXPECT_EQ(m.days.value(6), *s.todayDay);

        PrayerRepository off{
            scheduleChain(store, PrayerSource(network, "test-agent", server.baseUrl().toString(), 2000ms),
                          false),
            catalog, store, clock};
        const AppState failed = QCoro::waitFor(off.loadState(c.fix));
        EXPECT_EQ(failed.statusText, "Gagal memuat jadwal untuk " + name) << "never the nearest city's times";
        EXPECT_FALSE(failed.todayDay || failed.tomorrowDay);
        EXPECT_TRUE(
            QCoro::waitFor(off.month(nearest, clock.now(), MonthSource::automatic, c.fix)).days.isEmpty());
    }
    // Within 100 km of a regency the service's month for the nearest city still serves.
    EXPECT_EQ(load(kJakartaPoint).statusText, "Lokasi terdeteksi: Jakarta");
}
