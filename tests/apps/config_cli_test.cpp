#include "lumora_cli_fixture.h"

#include <QFile>

using namespace lumora::test;

namespace {

class ConfigCli : public LumoraCli {
protected:
    QString settingsPath() const { return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/lumora/lumora.conf"; }
    QByteArray settingsBytes() const {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QJsonObject listed(const QString& key, const QList<std::pair<QString, QString>>& env = {}) {
        const CliResult r = run({"config", "list", "--json"}, env);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        for (const QJsonValue& v : r.json().toArray())
            if (v.toObject()["key"].toString() == key) return v.toObject();
        return {};
    }
};

} // namespace

TEST_F(ConfigCli, SetGetListAndResetEndToEnd) {
    ASSERT_EQ(run({"config", "path"}).out.trimmed(), settingsPath());
    CliResult r = run({"config", "set", "reminders.ashar.before", "7"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "reminders.ashar.before = 7\n");
    EXPECT_EQ(run({"config", "get", "reminders.ashar.before"}).out, "7\n");
    QJsonObject e = listed("reminders.ashar.before");
    EXPECT_EQ(e["value"].toString(), "7");
    EXPECT_EQ(e["default"].toString(), "15");
    EXPECT_EQ(e["origin"].toString(), "setting");

    // The plan the app would schedule follows at once.
    seedJakarta();
    r = run({"reminders", "--json", "--at", kAt});
    bool seen = false;
    for (const QJsonValue& v : r.json().toArray())
        if (v.toObject()["identifier"].toString() == "2026-03-07-ashar-reminder") {
            seen = true;
            EXPECT_TRUE(v.toObject()["title"].toString().startsWith("7 menit lagi"));
        }
    EXPECT_TRUE(seen) << r.out.toStdString();

    ASSERT_EQ(run({"config", "reset", "reminders.ashar.before"}).status, 0);
    EXPECT_EQ(listed("reminders.ashar.before")["origin"].toString(), "default");
    ASSERT_EQ(run({"config", "set", "hisab", "off"}).status, 0);
    ASSERT_EQ(run({"config", "reset", "--all"}).status, 0);
    EXPECT_EQ(run({"config", "get", "hisab"}).out, "on\n");
}

TEST_F(ConfigCli, ARefusedSetExitsTwoAndLeavesTheFileByteForByte) {
    ASSERT_EQ(run({"config", "set", "schedule.correction.subuh", "2"}).status, 0);
    const QByteArray before = settingsBytes();
    struct Case {
        QStringList args;
        const char* told;
    } cases[] = {
        {{"config", "set", "reminders.ashar.befor", "7"}, "maksud Anda reminders.ashar.before?"},
        {{"config", "set", "schedule.correction.subuh", "16"}, "-15 sampai 15"},
        {{"config", "set", "schedule.source", "cache"}, "auto, service atau hisab"},
        {{"config", "set", "location", "Atlantis"}, "lumora places"},
        {{"config", "set", "location", QString(5000, u'x') + "\x1b[31m"}, "tidak"},
        {{"config", "get", "nope"}, "kunci tidak dikenal"},
        {{"config", "reset", "nope"}, "kunci tidak dikenal"},
        {{"config", "frobnicate"}, "pemakaian"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').left(80).toStdString());
        const CliResult r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, QString());
        ASSERT_EQ(r.errLines().size(), 1) << r.err.left(400).toStdString();
        EXPECT_TRUE(r.err.contains(c.told)) << r.err.left(400).toStdString();
        EXPECT_LT(r.err.size(), 600);
        EXPECT_FALSE(r.err.contains(QChar(0x1b)));
        EXPECT_EQ(settingsBytes(), before);
    }
}

// A variable that pins a key wins over the setting, and both `list` and `set` say so.
TEST_F(ConfigCli, AnEnvironmentPinIsShownAsTheOrigin) {
    ASSERT_EQ(run({"config", "set", "location", "Jayapura"}).status, 0);
    const QList<std::pair<QString, QString>> pinned{{"LUMORA_LOCATION", "Bandung"}};
    const QJsonObject e = listed("location", pinned);
    EXPECT_EQ(e["value"].toString(), "Bandung");
    EXPECT_EQ(e["origin"].toString(), "environment");
    EXPECT_EQ(e["environment"].toString(), "LUMORA_LOCATION");
    const CliResult r = run({"config", "set", "location", "Medan"}, pinned);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("LUMORA_LOCATION")) << r.err.toStdString();
    EXPECT_EQ(listed("location")["value"].toString(), "Medan");
    EXPECT_TRUE(run({"today"}).out.contains("Medan")) << "the pinned place is what the programs use";
}

// A correction reaches every face the command line shows: today's list (marked), the countdown and the
// reminders; the month files keep what the service said.
TEST_F(ConfigCli, ACorrectionReachesTodayAndTheRemindersButNotTheMonthFile) {
    seedJakarta();
    const QString file = dataFile("month-jkt-2026-03.json");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    f.close();
    ASSERT_EQ(run({"config", "set", "schedule.correction.ashar", "+2"}).status, 0);

    const CliResult today = run({"today", "--at", kAt});
    EXPECT_TRUE(today.out.contains("ASHAR           15:15  (koreksi +2 menit)")) << today.out.toStdString();
    EXPECT_TRUE(today.out.contains("SUBUH           04:35\n")) << today.out.toStdString();
    const CliResult reminders = run({"reminders", "--json", "--at", kAt});
    bool seen = false;
    for (const QJsonValue& v : reminders.json().toArray())
        if (v.toObject()["identifier"].toString() == "2026-03-07-ashar-main") {
            seen = true;
            EXPECT_EQ(v.toObject()["fireAt"].toString(), "2026-03-07 15:15");
        }
    EXPECT_TRUE(seen) << reminders.out.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);
}
