#include "core/app_view_model.h"

#include "core/app_services.h"
#include "core/notification_center.h"
#include "core/prayer_notifications.h"
#include "core/prayer_repository.h"
#include "model/date_helpers.h"
#include "places/city_catalog.h"
#include "places/location_service.h"
#include "places/data_store.h"
#include "recording_backend.h"
#include "schedule/schedule_bodies.h"
#include "snapshot/widget_snapshot.h"
#include "support/fake_location_provider.h"
#include "support/loopback_server.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <thread>

using namespace lumora;
using namespace std::chrono_literals;

namespace {

Instant at(const char* day, const char* time) {
    return *DateHelpers::makeDate(day, time);
}

template <class Pred> bool spinUntil(Pred done, std::chrono::milliseconds limit = 10s) {
    const QDeadlineTimer deadline(limit);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

/// The view model over the real repository, catalogue and month files, with a loopback schedule service
/// that answers every month (dhuhur 11:52) after `replyDelay`.
class ViewModel : public ::testing::Test {
protected:
    ViewModel() {
        server.setHandler([this](const test::LoopbackServer::Request& r) -> test::LoopbackServer::Reply {
            std::this_thread::sleep_for(replyDelay.load());
            const QUrlQuery q(QUrl::fromEncoded(r.target).query());
            if (!q.hasQueryItem("month")) return {404, {}};
            if (q.queryItemValue("export") != "json") return {200, "[]"};
            const QString key = q.queryItemValue("month");
            return {200, test::jsonMonth(key, key.endsWith("02")   ? 28
                                              : key.endsWith("04") ? 30
                                                                   : 31)
                             .toUtf8()};
        });
    }

    AppViewModel& make(int authorization = LocationProvider::authorizedWhenInUse) {
        auto provider = std::make_unique<test::FakeLocationProvider>(authorization);
        fake = provider.get();
        location = std::make_unique<LocationService>(std::move(provider), store);
        vm = std::make_unique<AppViewModel>(*location, repository, nullptr, clock, QDBusConnection("none"));
        refreshes = std::make_unique<QSignalSpy>(vm.get(), &AppViewModel::refreshStarted);
        published = std::make_unique<QSignalSpy>(vm.get(), &AppViewModel::widgetSnapshotPublished);
        return *vm;
    }
    bool settle() {
        return spinUntil([&] { return !vm->isLoading(); });
    }
    /// A tick `seconds` after the previous clock reading.
    void tickAfter(double seconds) {
        clock.advance(seconds);
        vm->handleMinuteTick();
    }

    test::TempHome home;
    test::LoopbackServer server;
    std::atomic<std::chrono::milliseconds> replyDelay{0ms};
    ManualClock clock{at("2026-03-07", "12:00")};
    QNetworkAccessManager network;
    DataStore store{home.dataFolder(), Settings(home.path() + "/lumora.conf"), clock};
    CityCatalog catalog{store, network};
    PrayerRepository repository{
        scheduleChain(store, PrayerSource(network, "test-agent", server.baseUrl().toString(), 2000ms)),
        catalog, store, clock};
    test::FakeLocationProvider* fake = nullptr;
    std::unique_ptr<LocationService> location;
    std::unique_ptr<AppViewModel> vm;
    std::unique_ptr<QSignalSpy> refreshes;
    std::unique_ptr<QSignalSpy> published;
};

} // namespace

TEST_F(ViewModel, BootstrapRunsOnceAndPublishesEveryAppliedState) {
    // A warm cache: the first load writes the month files the seed and cached states then read.
    make();
    ASSERT_TRUE(settle());
    vm.reset();

    AppViewModel& model = make();
    ASSERT_TRUE(settle());
    EXPECT_FALSE(model.isClockRunning());
    const int publishedBefore = published->size();

    model.bootstrap();
    // The seed state is applied before bootstrap() returns; nothing has been awaited yet.
    ASSERT_TRUE(model.state().todayDay);
    EXPECT_EQ(model.state().todayDay->date, "2026-03-07");
    model.bootstrap();
    ASSERT_TRUE(settle());
    spinUntil([&] { return refreshes->size() >= 2; }, 500ms);
    EXPECT_EQ(refreshes->size(), 1) << "one set of start tasks";
    EXPECT_TRUE(model.isClockRunning());
    EXPECT_TRUE(model.isLocationRefreshRunning());
    // The cached state is the seed's again: written once, not twice.
    EXPECT_EQ(published->size() - publishedBefore, 2) << "seed and loaded state";
    EXPECT_TRUE(QFile::exists(WidgetSnapshotStore::path(home.dataFolder())));
    EXPECT_EQ(model.lastRenderedDayKey(), "2026-03-07");
    EXPECT_EQ(model.state().statusText, "Lokasi terdeteksi: Jakarta");
}

TEST_F(ViewModel, ClockJumpsOfTwoMinutesReloadInEitherDirection) {
    make();
    ASSERT_TRUE(settle());
    vm->bootstrap();
    ASSERT_TRUE(settle());
    struct Case {
        double jump;
        int refreshes;
    } cases[] = {{120, 1}, {119, 0}, {-120, 1}, {-119, 0}, {3600, 1}};
    for (const Case& c : cases) {
        tickAfter(1);
        const int before = refreshes->size();
        tickAfter(c.jump);
        ASSERT_TRUE(settle());
        EXPECT_EQ(refreshes->size() - before, c.refreshes) << "jump " << c.jump;
    }
}

TEST_F(ViewModel, MidnightStartsOneRefreshEvenWhileItIsSlow) {
    clock.set(at("2026-03-07", "23:59") + 58);
    make();
    ASSERT_TRUE(settle());
    ASSERT_EQ(vm->lastRenderedDayKey(), "2026-03-07");
    // Without month files the midnight load has to wait for the slow service.
    for (const QString& f : QDir(home.dataFolder()).entryList({"month-*.json"}))
        QFile::remove(home.dataFolder() + "/" + f);
    replyDelay = 300ms;
    const int before = refreshes->size();
    tickAfter(2); // 00:00:00 of the 8th
    EXPECT_EQ(vm->lastRenderedDayKey(), "2026-03-08") << "stored before the refresh completes";
    EXPECT_TRUE(vm->isLoading());
    for (int i = 0; i < 5; ++i)
        tickAfter(1);
    EXPECT_EQ(refreshes->size() - before, 1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(vm->state().todayDay->date, "2026-03-08");
}

TEST_F(ViewModel, FirstTickWithoutADayKeyStartsOneRefresh) {
    replyDelay = 300ms;
    make();
    ASSERT_TRUE(vm->isLoading()) << "the location's refresh is still waiting for the service";
    ASSERT_EQ(vm->lastRenderedDayKey(), std::nullopt);
    tickAfter(1);
    tickAfter(1);
    EXPECT_EQ(refreshes->size(), 0) << "the first tick's joins the location's from construction";
    ASSERT_TRUE(settle());
}

TEST_F(ViewModel, ARefreshForTheSameLoadJoinsTheOneInFlight) {
    replyDelay = 300ms;
    make();
    ASSERT_TRUE(vm->isLoading()) << "the location's refresh is waiting for the service";
    QSignalSpy finished(vm.get(), &AppViewModel::refreshFinished);
    // The same place, day and zone: what a start asks for several times over.
    vm->startRefresh();
    vm->handleAppResumed();
    EXPECT_EQ(refreshes->size(), 0);
    // Another place is another load.
    fake->deliver({GeoPoint{-6.9175, 107.6191}});
    EXPECT_EQ(refreshes->size(), 1);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(spinUntil([&] { return finished.size() >= 2; }));
    EXPECT_EQ(finished.size(), 2) << "one for each load, none for the joined asks";

    // Nothing in flight: the next ask starts a load of its own.
    vm->startRefresh();
    EXPECT_EQ(refreshes->size(), 2);
    ASSERT_TRUE(settle());
}

// The clock that counts the seconds also brings the periodic load: five minutes without one start one, so a
// missed wake-up or a stalled service never leaves the faces stale for long.
TEST_F(ViewModel, FiveMinutesWithoutALoadStartOne) {
    make();
    ASSERT_TRUE(settle());
    vm->bootstrap();
    ASSERT_TRUE(settle());
    const int before = refreshes->size();
    for (int i = 1; i < AppViewModel::kPeriodicRefreshTicks; ++i)
        tickAfter(1);
    EXPECT_EQ(refreshes->size(), before);
    tickAfter(1);
    EXPECT_EQ(refreshes->size(), before + 1);
    ASSERT_TRUE(settle());
    // Any load starts the count again: one asked for in between puts the next periodic one off.
    for (int i = 1; i < AppViewModel::kPeriodicRefreshTicks / 2; ++i)
        tickAfter(1);
    vm->startRefresh();
    ASSERT_TRUE(settle());
    for (int i = 1; i < AppViewModel::kPeriodicRefreshTicks; ++i)
        tickAfter(1);
    EXPECT_EQ(refreshes->size(), before + 2);
    tickAfter(1);
    EXPECT_EQ(refreshes->size(), before + 3);
    ASSERT_TRUE(settle());
}

TEST_F(ViewModel, ARefreshAfterMidnightDoesNotJoinTheDayBefore) {
    clock.set(at("2026-03-07", "23:59") + 58);
    make();
    ASSERT_TRUE(settle());
    replyDelay = 300ms;
    for (const QString& f : QDir(home.dataFolder()).entryList({"month-*.json"}))
        QFile::remove(home.dataFolder() + "/" + f);
    vm->startRefresh(); // for the 7th
    const int before = refreshes->size();
    tickAfter(2); // 00:00:00 of the 8th: the day's refresh is another load
    EXPECT_EQ(refreshes->size() - before, 1);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(
        spinUntil([&] { return vm->state().todayDay && vm->state().todayDay->date == "2026-03-08"; }));
}

TEST_F(ViewModel, BlinkClockRunsOnlyWhileApproachingOrEntering) {
    make();
    ASSERT_TRUE(settle());
    // Dhuhur at 11:52: approaching from 15 to 6 minutes before, entering from its minute to 5 minutes after,
    // cool-down from then on.
    struct Case {
        const char* time;
        bool blinking;
    } cases[] = {{"11:30", false}, {"11:40", true}, {"11:47", false}, {"11:51", false},
                 {"11:52", true},  {"11:55", true}, {"11:59", false}, {"11:38", true}};
    for (const Case& c : cases) {
        clock.set(at("2026-03-07", c.time) + 30);
        vm->handleMinuteTick();
        EXPECT_EQ(vm->isBlinkTimerRunning(), c.blinking) << c.time;
        EXPECT_EQ(vm->blinkNow(), clock.now()) << c.time;
    }
    QSignalSpy blinks(vm.get(), &AppViewModel::blinkNowChanged);
    EXPECT_TRUE(spinUntil([&] { return blinks.size() >= 1; }, 2s)) << "the blink timer advances blinkNow";
}

TEST_F(ViewModel, LocationStatusFollowsTheAuthorization) {
    make(LocationProvider::notDetermined);
    EXPECT_EQ(vm->locationStatus(), "Minta lokasi");
    vm->bootstrap();
    EXPECT_EQ(fake->locationRequests, 1) << "asking for a fix is how the desktop asks the user";
    EXPECT_EQ(vm->locationStatus(), "Minta lokasi") << "until the user answers";
    struct Case {
        int status;
        const char* text;
    } cases[] = {{LocationProvider::denied, "Lokasi ditolak"},
                 {LocationProvider::restricted, "Lokasi ditolak"},
                 {LocationProvider::authorizedAlways, "Lokasi aktif"},
                 {LocationProvider::authorizedWhenInUse, "Lokasi aktif"},
                 {42, "Lokasi tidak dikenal"}};
    for (const Case& c : cases) {
        fake->changeAuthorization(c.status);
        EXPECT_EQ(vm->locationStatus(), c.text);
    }
    ASSERT_TRUE(settle());
}

TEST_F(ViewModel, NewLocationsRefreshAndResumeIsNotAJump) {
    make(LocationProvider::authorizedAlways);
    ASSERT_TRUE(settle());
    vm->bootstrap();
    ASSERT_TRUE(settle());
    const int before = refreshes->size();
    fake->deliver({GeoPoint{-6.9175, 107.6191}});
    EXPECT_EQ(refreshes->size() - before, 1);
    ASSERT_TRUE(settle());

    clock.advance(8 * 3600); // the machine slept
    const int requests = fake->locationRequests;
    vm->handleAppResumed();
    EXPECT_EQ(refreshes->size() - before, 2);
    EXPECT_EQ(fake->locationRequests, requests + 1);
    tickAfter(1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(refreshes->size() - before, 2) << "the tick after a resume is not a clock jump";
}

TEST_F(ViewModel, ZoneChangeReloadsOnceAndDaysFollowTheNewZone) {
    struct Restore {
        ~Restore() { DateHelpers::setZone("Asia/Jakarta"); }
    } restore;
    clock.set(at("2026-03-07", "23:00"));
    make();
    ASSERT_TRUE(settle());
    const int before = refreshes->size();
    vm->handleTimeZoneChanged("Asia/Jayapura"); // 01:00 on the 8th there
    EXPECT_EQ(vm->lastRenderedDayKey(), "2026-03-08");
    tickAfter(1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(refreshes->size() - before, 1);
    ASSERT_TRUE(vm->state().todayDay);
    EXPECT_EQ(vm->state().todayDay->date, "2026-03-08");
    vm->handleTimeZoneChanged("Asia/Jayapura");
    EXPECT_EQ(refreshes->size() - before, 1) << "the same zone again is no change";
}

// Every completed refresh replaces what is pending with the plan for the state it applied, and a pending
// reminder is delivered when its minute comes.
TEST_F(ViewModel, NotificationsFollowEveryAppliedState) {
    auto log = std::make_shared<test::RecordingBackend::Log>();
    NotificationCenter center(clock, std::make_unique<test::RecordingBackend>(log));
    auto provider = std::make_unique<test::FakeLocationProvider>(LocationProvider::authorizedWhenInUse);
    location = std::make_unique<LocationService>(std::move(provider), store);
    AppViewModel model(*location, repository, &center, clock, QDBusConnection("none"));
    ASSERT_TRUE(spinUntil([&] { return !model.isLoading(); }));
    const QList<NotificationRequest> first = center.pendingRequests();
    ASSERT_FALSE(first.isEmpty());
    for (const NotificationRequest& r : first)
        EXPECT_TRUE(r.identifier.startsWith("2026-03-07") || r.identifier.startsWith("2026-03-08"))
            << r.identifier.toStdString();

    // Ashar is at 15:13 in the service's months: its reminder goes out at 14:58.
    clock.set(at("2026-03-07", "14:58") + 1);
    center.clockChanged();
    ASSERT_EQ(log->delivered.size(), 1);
    EXPECT_EQ(log->delivered.first().identifier, "2026-03-07-ashar-reminder");

    // The next day's refresh plans the 8th and the 9th.
    clock.set(at("2026-03-08", "00:00") + 1);
    model.handleMinuteTick();
    ASSERT_TRUE(spinUntil([&] { return !model.isLoading(); }));
    for (const NotificationRequest& r : center.pendingRequests())
        EXPECT_FALSE(r.identifier.startsWith("2026-03-07")) << r.identifier.toStdString();
}

// A changed choice of reminders replaces what is pending for the state shown, without a load.
TEST_F(ViewModel, AChangedReminderPlanReplacesThePendingOnes) {
    auto log = std::make_shared<test::RecordingBackend::Log>();
    NotificationCenter center(clock, std::make_unique<test::RecordingBackend>(log));
    auto provider = std::make_unique<test::FakeLocationProvider>(LocationProvider::authorizedWhenInUse);
    location = std::make_unique<LocationService>(std::move(provider), store);
    AppViewModel model(*location, repository, &center, clock, QDBusConnection("none"));
    ASSERT_TRUE(spinUntil([&] { return !model.isLoading(); }));
    const auto find = [&](const QString& id) -> std::optional<NotificationRequest> {
        for (const NotificationRequest& r : center.pendingRequests())
            if (r.identifier == id) return r;
        return std::nullopt;
    };
    ASSERT_TRUE(find("2026-03-07-ashar-5after"));

    int refreshes = 0;
    QObject::connect(&model, &AppViewModel::refreshStarted, [&] { ++refreshes; });
    ReminderPlan plan = ReminderPlan::defaults();
    plan.of(PrayerName::ashar) = ReminderTimes{7, true, 0};
    model.setReminderPlan(plan);
    const auto reminder = find("2026-03-07-ashar-reminder");
    ASSERT_TRUE(reminder);
    EXPECT_EQ(reminder->trigger.hour * 60 + reminder->trigger.minute, 15 * 60 + 13 - 7);
    EXPECT_FALSE(find("2026-03-07-ashar-5after"));
    EXPECT_TRUE(find("2026-03-07-isya-5after")) << "the other prayers keep theirs";
    EXPECT_EQ(refreshes, 0);
}
