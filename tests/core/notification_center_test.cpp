#include "core/notification_center.h"
#include "model/date_helpers.h"

#include "core/recording_backend.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

using namespace lumora;
using namespace std::chrono_literals;

namespace {

Instant at(const char* hhmm, double extraSeconds = 0) {
    return *DateHelpers::makeDate("2026-03-14", hhmm) + extraSeconds;
}

NotificationRequest request(const char* id, const char* hhmm) {
    return NotificationRequest{id, QString("title ") + id, "", NotificationSound::none,
                               NotificationTrigger::at(at(hhmm))};
}

QStringList ids(const QList<NotificationRequest>& list) {
    QStringList out;
    for (const auto& n : list)
        out << n.identifier;
    return out;
}

class NotificationCenterTest : public ::testing::Test {
protected:
    ManualClock clock{at("11:00")};
    std::shared_ptr<test::RecordingBackend::Log> log = std::make_shared<test::RecordingBackend::Log>();
    NotificationCenter center{clock, std::make_unique<test::RecordingBackend>(log)};

    QStringList delivered() const { return ids(log->delivered); }
    void jumpTo(Instant t) {
        clock.set(t);
        center.clockChanged();
    }
};

} // namespace

TEST_F(NotificationCenterTest, SameIdentifierReplacesThePendingRequest) {
    center.add(request("a", "12:00"));
    center.add(request("b", "12:30"));
    center.add(NotificationRequest{"a", "later a", "", NotificationSound::takbir,
                                   NotificationTrigger::at(at("13:00"))});
    ASSERT_EQ(ids(center.pendingRequests()), QStringList({"b", "a"}));
    EXPECT_EQ(center.pendingRequests()[1].title, "later a");

    jumpTo(at("12:00"));
    EXPECT_TRUE(delivered().isEmpty()); // the replaced 12:00 request is gone
    jumpTo(at("12:30"));
    jumpTo(at("13:00"));
    EXPECT_EQ(delivered(), QStringList({"b", "a"}));
    EXPECT_EQ(log->delivered[1].title, "later a");
    EXPECT_FALSE(center.armedDelay());
}

TEST_F(NotificationCenterTest, RemoveAllPendingStopsEverything) {
    center.add(request("a", "12:00"));
    center.add(request("b", "13:00"));
    center.removeAllPending();
    EXPECT_TRUE(center.pendingRequests().isEmpty());
    EXPECT_FALSE(center.armedDelay());
    jumpTo(at("13:00"));
    EXPECT_TRUE(delivered().isEmpty());
}

TEST_F(NotificationCenterTest, ARequestWhoseMinuteHasBegunNeverFires) {
    struct Case {
        const char* what;
        Instant addedAt;
        bool kept;
    } cases[] = {
        {"a millisecond before the minute", at("12:00", -0.001), true},
        {"as the minute begins", at("12:00"), false},
        {"within the minute", at("12:00", 30), false},
        {"an hour later", at("13:00"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log->delivered.clear();
        center.removeAllPending();
        clock.set(c.addedAt);
        center.add(request("a", "12:00"));
        EXPECT_EQ(center.pendingRequests().size(), c.kept ? 1 : 0);
        jumpTo(at("12:00", 1));
        EXPECT_EQ(delivered().size(), c.kept ? 1 : 0);
    }
}

TEST_F(NotificationCenterTest, DeliversAtTheMinuteInTheOrderAdded) {
    center.add(request("next", "12:01"));
    center.add(request("first", "12:00"));
    center.add(request("second", "12:00"));

    jumpTo(at("12:00", -1));
    EXPECT_TRUE(delivered().isEmpty());
    jumpTo(at("12:00"));
    EXPECT_EQ(delivered(), QStringList({"first", "second"}));
    EXPECT_EQ(ids(center.pendingRequests()), QStringList({"next"}));
}

TEST_F(NotificationCenterTest, TheTimerFiresWhenTheMinuteBegins) {
    center.add(request("first", "12:00"));
    center.add(request("second", "12:00"));
    clock.set(at("12:00", -0.02));
    center.clockChanged();
    ASSERT_EQ(center.armedDelay(), 20ms);

    clock.set(at("12:00"));
    const QDeadlineTimer deadline(5s);
    while (log->delivered.size() < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(delivered(), QStringList({"first", "second"}));
    EXPECT_FALSE(center.armedDelay());
}

TEST_F(NotificationCenterTest, WallClockJumps) {
    struct Case {
        const char* what;
        Instant jumpTo;
        QStringList delivered;
        QStringList pending;
    } cases[] = {
        {"backwards", at("09:00"), {}, {"a", "b"}},
        {"forwards into the minute", at("12:00", 59), {"a"}, {"b"}},
        {"forwards past the whole minute", at("12:01"), {}, {"b"}},
        {"forwards past both", at("15:00"), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log->delivered.clear();
        center.removeAllPending();
        clock.set(at("11:00"));
        center.add(request("a", "12:00"));
        center.add(request("b", "13:00"));
        // Never armed longer than the cap, so a jump nobody reports is still noticed.
        EXPECT_EQ(center.armedDelay(), NotificationCenter::kMaxSleep);

        jumpTo(c.jumpTo);
        EXPECT_EQ(delivered(), c.delivered);
        EXPECT_EQ(ids(center.pendingRequests()), c.pending);
        EXPECT_EQ(center.armedDelay().has_value(), !c.pending.isEmpty());
    }
    // After the backwards jump the request still fires at its own minute.
    log->delivered.clear();
    center.removeAllPending();
    clock.set(at("11:00"));
    center.add(request("a", "12:00"));
    jumpTo(at("09:00"));
    jumpTo(at("11:59", 59.5));
    EXPECT_EQ(center.armedDelay(), 500ms);
    jumpTo(at("12:00"));
    EXPECT_EQ(delivered(), QStringList({"a"}));
}

TEST(NotificationCenterAvailability, FollowsTheBackendAndTheEnvironment) {
    struct Case {
        bool backend;
        std::optional<QByteArray> env;
        bool available;
    } cases[] = {
        {true, std::nullopt, true},
        {true, "on", true},
        {true, "off", false},
        {false, std::nullopt, false},
    };
    ManualClock clock;
    for (const Case& c : cases) {
        auto log = std::make_shared<test::RecordingBackend::Log>();
        log->available = c.backend;
        NotificationCenter center(clock, std::make_unique<test::RecordingBackend>(log), c.env != "off");
        EXPECT_EQ(center.isAvailable(), c.available)
            << c.backend << " " << c.env.value_or("unset").constData();
    }
}
