#include "core/prayer_notifications.h"
#include "core/preferences.h"
#include "model/date_helpers.h"

#include "core/recording_backend.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QHash>
#include <QSet>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

using S = NotificationSound;

PrayerDay fullDay(const QString& date, const char* subuh = "04:38") {
    return PrayerDay{"jkt",
                     "KOTA JAKARTA",
                     date,
                     {{PrayerName::subuh, subuh},
                      {PrayerName::syuruq, "05:50"},
                      {PrayerName::dhuha, "06:18"},
                      {PrayerName::dhuhur, "12:01"},
                      {PrayerName::ashar, "15:12"},
                      {PrayerName::maghrib, "18:08"},
                      {PrayerName::isya, "19:17"}}};
}

// The six slots a parsed schedule page gives: no dhuha.
PrayerDay parsedDay(const QString& date) {
    PrayerDay d = fullDay(date);
    d.slots.removeIf([](const PrayerSlot& s) { return s.name == PrayerName::dhuha; });
    return d;
}

AppState stateWith(std::optional<PrayerDay> today, std::optional<PrayerDay> tomorrow) {
    AppState s = AppState::placeholder();
    s.cityName = "Jakarta";
    s.todayDay = std::move(today);
    s.tomorrowDay = std::move(tomorrow);
    return s;
}

QString fireAt(const NotificationTrigger& t) {
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
}

struct Row {
    const char* identifier;
    const char16_t* title;
    const char16_t* body;
    S sound;
    const char* fireAt;
};

void expectPlan(const QList<NotificationRequest>& plan, std::initializer_list<Row> rows) {
    ASSERT_EQ(plan.size(), qsizetype(rows.size()));
    qsizetype i = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.identifier);
        const NotificationRequest& n = plan[i++];
        EXPECT_EQ(n.identifier, QString::fromUtf8(r.identifier));
        EXPECT_EQ(n.title, QString::fromUtf16(r.title));
        EXPECT_EQ(n.body, QString::fromUtf16(r.body));
        EXPECT_EQ(n.sound, r.sound);
        EXPECT_EQ(fireAt(n.trigger), QString::fromUtf8(r.fireAt));
    }
}

} // namespace

TEST(NotificationPlan, OneFullDayInSlotOrder) {
    expectPlan(planNotifications(stateWith(fullDay("2026-03-14"), std::nullopt)),
               {
                   {"2026-03-14-subuh-main", u"Waktu SUBUH telah masuk", u"Jakarta \u2022 04:38", S::takbir,
                    "2026-03-14 04:38"},
                   {"2026-03-14-subuh-reminder", u"15 menit lagi \u2014> SUBUH 04:38 (Jakarta)", u"",
                    S::takbir, "2026-03-14 04:23"},
                   {"2026-03-14-subuh-5after", u"Sudah 5 menit dari adzan SUBUH (Jakarta 04:38)", u"",
                    S::none, "2026-03-14 04:43"},
                   // Sunrise ends subuh's time and has no adzan: no takbir, no "since the adzan" notice.
                   {"2026-03-14-syuruq-main", u"Matahari terbit, waktu SUBUH telah berakhir",
                    u"Jakarta \u2022 05:50", S::standard, "2026-03-14 05:50"},
                   {"2026-03-14-syuruq-reminder", u"15 menit lagi \u2014> SYURUQ 05:50 (Jakarta)", u"",
                    S::standard, "2026-03-14 05:35"},
                   {"2026-03-14-dhuha-start", u"Dhuha / Isyroq", u"Jakarta \u2022 06:05", S::standard,
                    "2026-03-14 06:05"},
                   {"2026-03-14-dhuhur-main", u"Waktu DHUHUR telah masuk", u"Jakarta \u2022 12:01", S::takbir,
                    "2026-03-14 12:01"},
                   {"2026-03-14-dhuhur-reminder", u"15 menit lagi \u2014> DHUHUR 12:01 (Jakarta)", u"",
                    S::takbir, "2026-03-14 11:46"},
                   {"2026-03-14-dhuhur-5after", u"Sudah 5 menit dari adzan DHUHUR (Jakarta 12:01)", u"",
                    S::none, "2026-03-14 12:06"},
                   {"2026-03-14-ashar-main", u"Waktu ASHAR telah masuk", u"Jakarta \u2022 15:12", S::takbir,
                    "2026-03-14 15:12"},
                   {"2026-03-14-ashar-reminder", u"15 menit lagi \u2014> ASHAR 15:12 (Jakarta)", u"",
                    S::takbir, "2026-03-14 14:57"},
                   {"2026-03-14-ashar-5after", u"Sudah 5 menit dari adzan ASHAR (Jakarta 15:12)", u"",
                    S::none, "2026-03-14 15:17"},
                   {"2026-03-14-maghrib-main", u"Waktu MAGHRIB telah masuk", u"Jakarta \u2022 18:08",
                    S::takbir, "2026-03-14 18:08"},
                   {"2026-03-14-maghrib-reminder", u"15 menit lagi \u2014> MAGHRIB 18:08 (Jakarta)", u"",
                    S::takbir, "2026-03-14 17:53"},
                   {"2026-03-14-maghrib-5after", u"Sudah 5 menit dari adzan MAGHRIB (Jakarta 18:08)", u"",
                    S::none, "2026-03-14 18:13"},
                   {"2026-03-14-isya-main", u"Waktu ISYA telah masuk", u"Jakarta \u2022 19:17", S::takbir,
                    "2026-03-14 19:17"},
                   {"2026-03-14-isya-reminder", u"15 menit lagi \u2014> ISYA 19:17 (Jakarta)", u"", S::takbir,
                    "2026-03-14 19:02"},
                   {"2026-03-14-isya-5after", u"Sudah 5 menit dari adzan ISYA (Jakarta 19:17)", u"", S::none,
                    "2026-03-14 19:22"},
               });
}

TEST(NotificationPlan, CountsAndOrderOverTwoDays) {
    struct Case {
        const char* what;
        std::optional<PrayerDay> today, tomorrow;
        qsizetype count;
    } cases[] = {
        {"two full days", fullDay("2026-03-14"), fullDay("2026-03-15"), 36},
        {"two parsed days", parsedDay("2026-03-14"), parsedDay("2026-03-15"), 36},
        {"today only", fullDay("2026-03-14"), std::nullopt, 18},
        {"tomorrow only", std::nullopt, parsedDay("2026-03-15"), 18},
        {"no day", std::nullopt, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<NotificationRequest> plan = planNotifications(stateWith(c.today, c.tomorrow));
        ASSERT_EQ(plan.size(), c.count);
        // The centre replaces by identifier, so a repeated one would silently lose a notification.
        QSet<QString> ids;
        for (const auto& n : plan)
            ids.insert(n.identifier);
        EXPECT_EQ(ids.size(), plan.size());
        // Today's requests all come before tomorrow's.
        if (c.today && c.tomorrow) {
            const qsizetype half = plan.size() / 2;
            for (qsizetype i = 0; i < plan.size(); ++i)
                EXPECT_TRUE(plan[i].identifier.startsWith(i < half ? c.today->date : c.tomorrow->date)) << i;
        }
    }
}

TEST(NotificationPlan, EarlyPrayerIsRemindedOnThePreviousDayUnderItsOwnKey) {
    struct Case {
        const char* date;
        const char* reminderAt;
    } cases[] = {
        {"2026-03-14", "2026-03-13 23:55"},
        {"2026-03-01", "2026-02-28 23:55"}, // across a month
        {"2026-01-01", "2025-12-31 23:55"}, // across a year
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        const auto plan = planNotifications(stateWith(fullDay(c.date, "00:10"), std::nullopt));
        const auto it = std::find_if(plan.begin(), plan.end(), [&](const NotificationRequest& n) {
            return n.identifier == QString(c.date) + "-subuh-reminder";
        });
        ASSERT_NE(it, plan.end());
        EXPECT_EQ(fireAt(it->trigger), c.reminderAt);
        EXPECT_EQ(it->title, QStringLiteral(u"15 menit lagi \u2014> SUBUH 00:10 (Jakarta)"));
    }
}

TEST(NotificationPlan, UnreadableSlotsAndDaysAreSkipped) {
    PrayerDay today = parsedDay("2026-03-14");
    today.slots[0].time = "--:--"; // subuh
    today.slots[2].time = "24:00"; // dhuhur: no such time of day
    today.slots[4].time = "";      // maghrib
    PrayerDay badDate = parsedDay("2026-13-40");

    const auto plan = planNotifications(stateWith(today, badDate));
    QStringList ids;
    for (const auto& n : plan)
        ids << n.identifier;
    EXPECT_EQ(ids,
              QStringList({"2026-03-14-syuruq-main", "2026-03-14-syuruq-reminder", "2026-03-14-dhuha-start",
                           "2026-03-14-ashar-main", "2026-03-14-ashar-reminder", "2026-03-14-ashar-5after",
                           "2026-03-14-isya-main", "2026-03-14-isya-reminder", "2026-03-14-isya-5after"}));
}

TEST(ScheduleNotifications, ReplacesThePendingSetWithThePlan) {
    ManualClock clock(*DateHelpers::makeDate("2026-03-14", "00:00"));
    auto log = std::make_shared<test::RecordingBackend::Log>();
    NotificationCenter center(clock, std::make_unique<test::RecordingBackend>(log));
    const NotificationRequest stale{"2026-03-13-isya-main", "old", "", S::none,
                                    NotificationTrigger::at(*DateHelpers::makeDate("2026-03-20", "19:00"))};

    const AppState both = stateWith(fullDay("2026-03-14"), fullDay("2026-03-15"));
    center.add(stale);
    scheduleNotifications(both, center);
    scheduleNotifications(both, center);
    EXPECT_EQ(center.pendingRequests(), planNotifications(both));
    EXPECT_EQ(center.pendingRequests().size(), 36);

    // A state without days empties the pending set.
    scheduleNotifications(stateWith(std::nullopt, std::nullopt), center);
    EXPECT_TRUE(center.pendingRequests().isEmpty());
}

TEST(ScheduleNotifications, LeavesTheCentreAloneWhenNotificationsAreUnavailable) {
    ManualClock clock(*DateHelpers::makeDate("2026-03-14", "00:00"));
    const AppState both = stateWith(fullDay("2026-03-14"), fullDay("2026-03-15"));
    const NotificationRequest kept{"keep", "kept", "", S::none,
                                   NotificationTrigger::at(*DateHelpers::makeDate("2026-03-20", "19:00"))};
    struct Case {
        const char* what;
        bool backendAvailable;
        std::optional<QByteArray> env;
    } cases[] = {
        {"LUMORA_NOTIFICATIONS=off", true, "off"},
        {"no session bus", false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto log = std::make_shared<test::RecordingBackend::Log>();
        NotificationCenter center(clock, std::make_unique<test::RecordingBackend>(log), c.env != "off");
        center.add(kept);
        log->available = c.backendAvailable;
        scheduleNotifications(both, center);
        EXPECT_EQ(center.pendingRequests(), QList<NotificationRequest>{kept});
    }
}

// The user's choices shape the plan through the preferences; what is left at its default stays as before.
TEST(NotificationPlan, TheUsersRemindersFromThePreferences) {
    test::TempHome home;
    const QString path = home.path() + "/lumora.conf";
    {
        SettingsFile file(path);
        ASSERT_TRUE(file.set("reminders.ashar.before", "7"));
        ASSERT_TRUE(file.set("reminders.ashar.after", "10"));
        ASSERT_TRUE(file.set("reminders.isya.atTime", "off"));
        ASSERT_TRUE(file.set("reminders.isya.after", "0"));
        ASSERT_TRUE(file.set("reminders.dhuha.before", "5"));
        ASSERT_TRUE(file.set("reminders.dhuha.after", "20"));
        ASSERT_TRUE(file.set("reminders.subuh.before", "0"));
    }
    const Preferences prefs(QProcessEnvironment(), path);
    const ReminderPlan plan = ReminderPlan::from(prefs);
    EXPECT_EQ(ReminderPlan::from(Preferences(QProcessEnvironment(), home.path() + "/none.conf")),
              ReminderPlan::defaults());

    const auto requests = planNotifications(stateWith(parsedDay("2026-03-14"), std::nullopt), plan);
    QHash<QString, NotificationRequest> byId;
    for (const NotificationRequest& r : requests)
        byId.insert(r.identifier, r);
    struct Case {
        const char* identifier;
        const char16_t* title; // nullptr: not planned
        const char* fireAt;
    } cases[] = {
        {"2026-03-14-subuh-main", u"Waktu SUBUH telah masuk", "2026-03-14 04:38"},
        {"2026-03-14-subuh-reminder", nullptr, ""},
        {"2026-03-14-subuh-5after", u"Sudah 5 menit dari adzan SUBUH (Jakarta 04:38)", "2026-03-14 04:43"},
        {"2026-03-14-ashar-reminder", u"7 menit lagi \u2014> ASHAR 15:12 (Jakarta)", "2026-03-14 15:05"},
        {"2026-03-14-ashar-5after", nullptr, ""},
        {"2026-03-14-ashar-10after", u"Sudah 10 menit dari adzan ASHAR (Jakarta 15:12)", "2026-03-14 15:22"},
        {"2026-03-14-isya-main", nullptr, ""},
        {"2026-03-14-isya-5after", nullptr, ""},
        {"2026-03-14-isya-reminder", u"15 menit lagi \u2014> ISYA 19:17 (Jakarta)", "2026-03-14 19:02"},
        {"2026-03-14-dhuha-reminder", u"5 menit lagi \u2014> DHUHA / ISYROQ 06:05 (Jakarta)", "2026-03-14 06:00"},
        {"2026-03-14-dhuha-start", u"Dhuha / Isyroq", "2026-03-14 06:05"},
        {"2026-03-14-dhuha-20after", u"Sudah 20 menit dari awal DHUHA / ISYROQ (Jakarta 06:05)", "2026-03-14 06:25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier);
        const auto it = byId.constFind(QString::fromLatin1(c.identifier));
        if (!c.title) {
            EXPECT_EQ(it, byId.constEnd());
            continue;
        }
        ASSERT_NE(it, byId.constEnd());
        EXPECT_EQ(it->title, QString::fromUtf16(c.title));
        EXPECT_EQ(fireAt(it->trigger), c.fireAt);
    }
}
