// `lumora hijri` and the Hijri line of `lumora today` as a user runs them: a real process over a private home
// whose settings file the test writes.
#include "lumora_cli_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

class HijriCli : public LumoraCli {
protected:
    /// Writes the settings file the program reads (QSettings' INI form).
    void writeSettings(const QString& body) {
        const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/lumora");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile f(folder + QStringLiteral("/lumora.conf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[General]\n" + body).toUtf8());
    }
};

TEST_F(HijriCli, JsonGivesTheDateAndTheNextThreeMonths) {
    struct Case {
        QStringList args;
        const char* calendar;
        const char* text;
        int day;
        const char* nextText;
        const char* nextDate;
    } cases[] = {
        {{"hijri", "2026-03-09", "--json"},
         "indonesia",
         "19 Ramadhan 1447H",
         19,
         "1 Syawal 1447H",
         "2026-03-21"},
        {{"hijri", "2026-03-09", "--json", "--calendar", "ummalqura"},
         "ummalqura",
         "20 Ramadhan 1447H",
         20,
         "1 Syawal 1447H",
         "2026-03-20"},
        {{"hijri", "--calendar", "indonesia", "2026-02-18", "--json"},
         "indonesia",
         "30 Sya'ban 1447H",
         30,
         "1 Ramadhan 1447H",
         "2026-02-19"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = run(c.args);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.err, QString());
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        EXPECT_EQ(o["calendar"].toString(), c.calendar);
        EXPECT_EQ(o["date"].toString(), c.args.filter("-").filter(QRegularExpression("^\\d")).first());
        EXPECT_EQ(o["text"].toString(), c.text);
        EXPECT_EQ(o["day"].toInt(), c.day);
        EXPECT_EQ(o["year"].toInt(), 1447);
        const QJsonArray next = o["nextMonths"].toArray();
        ASSERT_EQ(next.size(), 3);
        EXPECT_EQ(next[0].toObject()["text"].toString(), c.nextText);
        EXPECT_EQ(next[0].toObject()["date"].toString(), c.nextDate);
    }
}

TEST_F(HijriCli, SettingsChooseTheCalendarAndOffsetAndBadValuesAreReportedAndIgnored) {
    struct Case {
        const char* settings;
        const char* text;
        int errLines;
    } cases[] = {
        {"hijriCalendar=ummalqura\n", "20 Ramadhan 1447H", 0},
        {"hijriOffset=-2\n", "17 Ramadhan 1447H", 0},
        {"hijriCalendar=ummalqura\nhijriOffset=1\n", "21 Ramadhan 1447H", 0},
        {"hijriCalendar=saudi\nhijriOffset=1\n", "20 Ramadhan 1447H", 1},
        {"hijriCalendar=saudi\nhijriOffset=9\n", "19 Ramadhan 1447H", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        writeSettings(QString::fromLatin1(c.settings));
        const CliResult r = run({"hijri", "2026-03-09", "--json"});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object()["text"].toString(), c.text);
        EXPECT_EQ(r.errLines().size(), c.errLines) << r.err.toStdString();
        for (const QString& line : r.errLines())
            EXPECT_TRUE(line.startsWith("lumora: ")) << line.toStdString();
    }
}

TEST_F(HijriCli, TextFormAndUsageErrors) {
    const CliResult ok = run({"hijri", "2026-03-20"});
    ASSERT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out, "2026-03-20  30 Ramadhan 1447H  (kalender indonesia)\n"
                      "2026-03-21  1 Syawal 1447H\n"
                      "2026-04-19  1 Dzulqaidah 1447H\n"
                      "2026-05-18  1 Dzulhijjah 1447H\n");

    struct Case {
        QStringList args;
        int status;
    } cases[] = {
        {{"hijri", "2026-02-30"}, 2},
        {{"hijri", "--calendar", "saudi"}, 2},
        {{"hijri", "--calendar"}, 2},
        {{"hijri", "--at", "2026-03-20"}, 2},
        {{"hijri", "2026-03-20", "2026-03-21"}, 2},
        {{"hijri", "1990-01-01"}, 1},
    };
    for (const auto& c : cases) {
        const CliResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, QString());
        ASSERT_EQ(r.errLines().size(), 1) << r.err.toStdString();
        EXPECT_TRUE(r.errLines()[0].startsWith("lumora: "));
    }
    // Without a date it is today's.
    EXPECT_EQ(run({"hijri", "--json"}).status, 0);
}

// `today` shows the Hijri line from the configured calendar too.
TEST_F(HijriCli, TodayFollowsTheSetting) {
    const CliResult indonesia = run({"today", "--at", "2026-03-20T05:50:00"});
    EXPECT_TRUE(indonesia.out.contains(" / 30 Ramadhan 1447H\n")) << indonesia.out.toStdString();
    writeSettings("hijriCalendar=ummalqura\n");
    const CliResult ummalqura = run({"today", "--at", "2026-03-20T05:50:00"});
    EXPECT_TRUE(ummalqura.out.contains(" / 1 Syawal 1447H\n")) << ummalqura.out.toStdString();
}

} // namespace
} // namespace lumora::test
