#include "core/preferences.h"

#include "support/environment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

using test::environment;

TEST(Preferences, TheEnvironmentPinsOverTheSettingWhichIsOverTheDefault) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    {
        SettingsFile file(path);
        ASSERT_TRUE(file.set("location", "Bandung"));
        ASSERT_TRUE(file.set("hisab", "off"));
    }
    using O = Preferences::Origin;
    struct Case {
        const char* what;
        QProcessEnvironment env;
        const char* location;
        O locationOrigin;
        const char* hisab;
        O hisabOrigin;
        bool problem;
    } cases[] = {
        {"no variables", environment({}), "Bandung", O::setting, "off", O::setting, false},
        {"pinned", environment({{"LUMORA_LOCATION", "Jayapura"}, {"LUMORA_HISAB", "on"}}), "Jayapura",
         O::environment, "on", O::environment, false},
        {"empty variables pin nothing", environment({{"LUMORA_LOCATION", ""}, {"LUMORA_HISAB", " "}}),
         "Bandung", O::setting, "off", O::setting, false},
        {"a variable that does not read is told", environment({{"LUMORA_HISAB", "perhaps"}}), "Bandung",
         O::setting, "off", O::setting, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Preferences prefs(c.env, path);
        EXPECT_EQ(prefs.value("location"), c.location);
        EXPECT_EQ(prefs.entry("location").origin, c.locationOrigin);
        EXPECT_EQ(prefs.entry("location").environmentName, "LUMORA_LOCATION");
        EXPECT_EQ(prefs.value("hisab"), c.hisab);
        EXPECT_EQ(prefs.entry("hisab").origin, c.hisabOrigin);
        EXPECT_EQ(!prefs.entry("hisab").problem.isEmpty(), c.problem);
        EXPECT_EQ(prefs.entry("schedule.source").origin, O::defaultValue);
        EXPECT_EQ(prefs.integer("reminders.subuh.before"), 15);
    }
}

// A change a variable overrides changes nothing in effect, so nothing is announced for it.
TEST(Preferences, OnlyChangesInEffectAreAnnounced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    Preferences prefs(environment({{"LUMORA_LOCATION", "Jayapura"}}), path);
    QSignalSpy spy(&prefs, &Preferences::changed);
    SettingsFile writer(path);
    ASSERT_TRUE(writer.set("location", "Bandung"));
    ASSERT_TRUE(writer.set("reminders.ashar.before", "7"));
    QDeadlineTimer deadline(2000);
    while (spy.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), "reminders.ashar.before");
    EXPECT_EQ(prefs.integer("reminders.ashar.before"), 7);
    EXPECT_EQ(prefs.value("location"), "Jayapura");
}
