#include "base/settings_schema.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace lumora;
namespace S = SettingsSchema;

TEST(SettingsSchema, GoodValuesReadInTheirCanonicalFormAndBadOnesNameWhatIsAllowed) {
    struct Case {
        const char* key;
        const char* text;
        const char* value;   // nullptr: refused
        const char* allowed; // in the refusal
    } cases[] = {
        {"schedule.source", "hisab", "hisab", nullptr},
        {"schedule.source", " SERVICE ", "service", nullptr},
        {"schedule.source", "cache", nullptr, "auto, service atau hisab"},
        {"schedule.correction.subuh", "+2", "2", nullptr},
        {"schedule.correction.subuh", "-15", "-15", nullptr},
        {"schedule.correction.subuh", "16", nullptr, "-15 sampai 15"},
        {"schedule.correction.isya", "1.5", nullptr, "-15 sampai 15"},
        {"schedule.correction.isya", "0x10", nullptr, "-15 sampai 15"},
        {"schedule.correction.isya", "99999999999999999999", nullptr, "-15 sampai 15"},
        {"reminders.ashar.before", "7", "7", nullptr},
        {"reminders.ashar.before", "0", "0", nullptr},
        {"reminders.ashar.before", "121", nullptr, "0 sampai 120"},
        {"reminders.ashar.after", "60", "60", nullptr},
        {"reminders.ashar.after", "61", nullptr, "0 sampai 60"},
        {"reminders.ashar.atTime", "ya", "on", nullptr},
        {"reminders.ashar.atTime", "False", "off", nullptr},
        {"reminders.ashar.atTime", "maybe", nullptr, "on atau off"},
        {"hisab", "OFF", "off", nullptr},
        {"hijriCalendar", "UmmAlQura", "ummalqura", nullptr},
        {"hijriOffset", "3", nullptr, "-2 sampai 2"},
        {"location", "AUTO", "auto", nullptr},
        {"location", "Kota Jayapura", "Kota Jayapura", nullptr},
        {"location", "-2.5,140.7", "-2.5,140.7", nullptr},
        {"location", "", nullptr, "lat,lon"},
        {"location", "Jaya\npura", nullptr, "lat,lon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.text);
        const S::Key* key = S::find(QString::fromLatin1(c.key));
        ASSERT_NE(key, nullptr);
        const S::Checked checked = S::check(*key, QString::fromUtf8(c.text));
        if (c.value) {
            EXPECT_EQ(checked.value, QString::fromUtf8(c.value));
            EXPECT_TRUE(checked.problem.isEmpty());
        } else {
            EXPECT_FALSE(checked.value);
            EXPECT_TRUE(checked.problem.contains(QString::fromLatin1(c.key))) << checked.problem.toStdString();
            EXPECT_TRUE(checked.problem.contains(QString::fromUtf8(c.allowed))) << checked.problem.toStdString();
            EXPECT_FALSE(checked.problem.contains(u'\n'));
        }
    }
}

// Every default must read under its own key, or a fresh install would report its own file as wrong.
TEST(SettingsSchema, EveryDefaultReadsAndNamesAreUnique) {
    QSet<QString> names;
    for (const S::Key& key : S::keys()) {
        SCOPED_TRACE(key.name.toStdString());
        EXPECT_FALSE(names.contains(key.name));
        names.insert(key.name);
        EXPECT_EQ(S::check(key, key.defaultValue).value, key.defaultValue);
        EXPECT_FALSE(key.description.isEmpty());
    }
    EXPECT_EQ(S::find(u"location")->legacyName, "fixedLocation");
}

// Today's plan: 15 minutes before and 5 after each adzan, the sunrise notice and its reminder, dhuha's start.
TEST(SettingsSchema, ReminderDefaultsAreTodaysPlan) {
    struct Case {
        const char* prayer;
        const char* before;
        const char* atTime;
        const char* after; // nullptr: no such key
    } cases[] = {
        {"subuh", "15", "on", "5"}, {"syuruq", "15", "on", nullptr}, {"dhuha", "0", "on", "0"},
        {"dhuhur", "15", "on", "5"}, {"ashar", "15", "on", "5"},    {"maghrib", "15", "on", "5"},
        {"isya", "15", "on", "5"},
    };
    for (const Case& c : cases) {
        const QString p = QStringLiteral("reminders.") + c.prayer;
        SCOPED_TRACE(p.toStdString());
        ASSERT_NE(S::find(p + ".before"), nullptr);
        EXPECT_EQ(S::find(p + ".before")->defaultValue, c.before);
        EXPECT_EQ(S::find(p + ".atTime")->defaultValue, c.atTime);
        if (c.after)
            EXPECT_EQ(S::find(p + ".after")->defaultValue, c.after);
        else
            EXPECT_EQ(S::find(p + ".after"), nullptr);
    }
}

TEST(SettingsSchema, TheNearestNameIsOfferedOnlyWhenItIsNear) {
    struct Case {
        const char* typed;
        const char* nearest;
    } cases[] = {
        {"lokation", "location"},
        {"reminders.ashar.befor", "reminders.ashar.before"},
        {"schedule.sourse", "schedule.source"},
        {"Hisab", "hisab"},
        {"completely.unrelated.words", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(S::nearestName(QString::fromLatin1(c.typed)), c.nearest) << c.typed;
}
