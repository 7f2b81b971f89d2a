// The lumora program as people and scripts run it: a real process over a private home, with the schedule
// service either switched off or served from a loopback service.
#include "lumora_cli_fixture.h"

#include "schedule/schedule_bodies.h"
#include "support/loopback_server.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace lumora::test {
namespace {

TEST_F(LumoraCli, TodayJsonOfASeededFolderHasTheDocumentedShape) {
    seedJakarta();
    const CliResult r = run({"today", "--json", "--at", kAt});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());

    const QJsonObject expected{
        {"state",
         QJsonObject{{"cityName", "Jakarta"},
                     {"cityCode", "jkt"},
                     {"todayLabel", "Sabtu, 07 Maret 2026"},
                     {"scheduleLabel", "Jadwal Hari Ini"},
                     // Syuruq at 05:50 is now, so no longer next; the city is the schedule's own text.
                     {"nextPrayer",
                      QJsonObject{{"name", "dhuhur"}, {"dateTime", kAt1152}, {"cityName", "KOTA JAKARTA"}}},
                     {"currentDay", dayJson("2026-03-07")},
                     {"todayDay", dayJson("2026-03-07")},
                     {"tomorrowDay", dayJson("2026-03-08")},
                     {"statusText", "Lokasi terdeteksi: Jakarta"}}},
        {"display", QJsonObject{{"prayer", "syuruq"},
                                {"dateTime", kAt0550},
                                {"mode", "upcoming"},
                                {"countdownTarget", kAt0605},
                                {"phase", "approaching"},
                                {"secondaryText", "-15 menit"}}}};
    EXPECT_EQ(compact(r.json()), compact(expected));
}

TEST_F(LumoraCli, TodayFeaturesTheDisplayOfTheMomentAndReadsTomorrowFromTheNextMonth) {
    struct Case {
        const char* at;
        const char* scheduleLabel;
        const char* currentDay;
        const char* tomorrowDay;
        QJsonObject display;
    };
    const Case cases[] = {
        {"2026-03-07T06:05", "Jadwal Hari Ini", "2026-03-07", "2026-03-08",
         QJsonObject{{"prayer", "dhuha"},
                     {"dateTime", kAt0605},
                     {"mode", "entering"},
                     {"phase", "entering"},
                     {"secondaryText", "WAKTU DHUHA"}}},
        // 32 minutes after isya on the last of March: tomorrow's subuh comes from the April file.
        {"2026-03-31T19:30:00", "Jadwal Besok", "2026-04-01", "2026-04-01",
         QJsonObject{{"prayer", "subuh"},
                     {"dateTime", kAt0550 + 25 * kDay - 75 * 60},
                     {"mode", "upcoming"},
                     {"countdownTarget", kAt0550 + 25 * kDay - 75 * 60},
                     {"phase", "upcoming"},
                     {"secondaryText", "-9 jam 5 menit"}}},
    };
    seedJakarta(kAt0550 + 24 * kDay); // fresh for both moments
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        const CliResult r = run({"today", "--json", "--at", c.at});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject state = r.json()["state"].toObject();
        EXPECT_EQ(state["scheduleLabel"].toString(), c.scheduleLabel);
        EXPECT_EQ(state["currentDay"]["date"].toString(), c.currentDay);
        EXPECT_EQ(state["tomorrowDay"]["date"].toString(), c.tomorrowDay);
        EXPECT_EQ(compact(r.json()["display"]), compact(c.display));
    }
}

TEST_F(LumoraCli, TodayTextMarksTheFeaturedPrayerAndLeavesTheFilesAlone) {
    seedJakarta();
    QFile march(dataFile("month-jkt-2026-03.json"));
    ASSERT_TRUE(march.open(QIODevice::ReadOnly));
    const QByteArray before = march.readAll();
    march.close();

    const CliResult r = run({"today", "--at", kAt});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n');
    EXPECT_EQ(lines.value(0), "Jakarta (jkt)");
    EXPECT_TRUE(lines.value(1).startsWith("Sabtu, 07 Maret 2026")) << lines.value(1).toStdString();
    EXPECT_TRUE(r.out.contains("Jadwal Hari Ini (2026-03-07)\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n> SYURUQ +05:50\n"))) << r.out.toStdString();
    EXPECT_EQ(r.out.count(QRegularExpression("\n> ")), 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\nSYURUQ -15 menit\n")) << r.out.toStdString();

    ASSERT_TRUE(march.open(QIODevice::ReadOnly));
    EXPECT_EQ(march.readAll(), before);
    EXPECT_EQ(monthFiles(), QStringList({"month-jkt-2026-03.json", "month-jkt-2026-04.json"}));
}

TEST_F(LumoraCli, TodayFetchesBothMonthsOnceAndTheNextRunMakesNoRequest) {
    LoopbackServer server;
    server.setHandler([](const LoopbackServer::Request& request) {
        const QUrlQuery query(QUrl(QString::fromUtf8(request.target)).query());
        if (!query.hasQueryItem("month")) {
            return LoopbackServer::Reply{.body =
                                             "<select name=\"city\"><option value=\"jkt\">Jakarta</option>"
                                             "<option value=\"bgr\">Kota Bogor</option></select>"};
        }
        const QString month = query.queryItemValue("month");
        return LoopbackServer::Reply{.body = jsonMonth(month, month == u"2026-03" ? 31 : 30).toUtf8(),
                                     .contentType = "application/json"};
    });
    const QList<std::pair<QString, QString>> env{{"LUMORA_SCHEDULE_URL", server.baseUrl().toString()}};
    const auto monthRequests = [&server] {
        QStringList months;
        for (const LoopbackServer::Request& r : server.requests()) {
            const QUrlQuery query(QUrl(QString::fromUtf8(r.target)).query());
            if (query.hasQueryItem("month")) months << query.queryItemValue("month");
        }
        return months;
    };

    const CliResult first = run({"today", "--json", "--at", kAt}, env);
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(monthRequests(), QStringList({"2026-03", "2026-04"}));
    EXPECT_EQ(first.json()["state"]["todayDay"]["date"].toString(), "2026-03-07");
    ASSERT_EQ(monthFiles(), QStringList({"month-jkt-2026-03.json", "month-jkt-2026-04.json"}));
    const std::pair<const char*, int> written[] = {{"month-jkt-2026-03.json", 31},
                                                   {"month-jkt-2026-04.json", 30}};
    for (const auto& [name, days] : written) {
        QFile f(dataFile(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QJsonObject envelope = QJsonDocument::fromJson(f.readAll()).object();
        EXPECT_EQ(envelope["savedAt"].toDouble(), kAt0550) << name;
        EXPECT_EQ(envelope["cache"]["days"].toArray().size(), days) << name;
    }

    server.clearRequests();
    const CliResult second = run({"today", "--json", "--at", "2026-03-07T12:00"}, env);
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_TRUE(server.requests().isEmpty()) << server.requests().first().target.toStdString();
    EXPECT_EQ(second.json()["state"]["nextPrayer"]["name"].toString(), "ashar");
}

TEST_F(LumoraCli, DebugLogShowsFetchesAndMonthFilesOnlyWhenAskedFor) {
    LoopbackServer server;
    server.setHandler([](const LoopbackServer::Request& r) {
        const QUrlQuery query(QUrl(QString::fromUtf8(r.target)).query());
        // Only the plain address answers with days: every earlier switch gets a page without any.
        if (!query.hasQueryItem("month") || r.target.contains("json") || r.target.contains("xml"))
            return LoopbackServer::Reply{404, "<h1>Not Found</h1>"};
        const QString month = query.queryItemValue("month");
        return LoopbackServer::Reply{.body = jsonMonth(month, month == u"2026-03" ? 31 : 30).toUtf8(),
                                     .contentType = "application/json"};
    });
    const QString url = server.baseUrl().toString();

    const CliResult loud = run({"today", "--at", kAt},
                               {{"LUMORA_SCHEDULE_URL", url}, {"QT_LOGGING_RULES", "lumora.*.debug=true"}});
    ASSERT_EQ(loud.status, 0) << loud.err.toStdString();
    for (const QString& line :
         {"lumora.schedule: GET " + url + "?city=jkt&month=2026-03&export=json -> 0 days",
          "lumora.schedule: GET " + url + "?city=jkt&month=2026-03 -> 31 days",
          QStringLiteral("lumora.core: month jkt 2026-03 from the service: found"),
          "lumora.places: month file written: " + dataFile("month-jkt-2026-03.json")})
        EXPECT_TRUE(loud.err.contains(line)) << line.toStdString() << "\n" << loud.err.toStdString();

    // The files now serve; by default nothing at all is printed on stderr.
    const CliResult quiet =
        run({"today", "--at", kAt}, {{"LUMORA_SCHEDULE_URL", url}, {"QT_LOGGING_RULES", ""}});
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    const CliResult reads = run({"today", "--at", kAt},
                                {{"LUMORA_SCHEDULE_URL", url}, {"QT_LOGGING_RULES", "lumora.*.debug=true"}});
    EXPECT_TRUE(reads.err.contains("lumora.places: month file read: " + dataFile("month-jkt-2026-03.json")))
        << reads.err.toStdString();
    EXPECT_FALSE(reads.err.contains("lumora.schedule")) << "no request";
}

TEST_F(LumoraCli, WithoutAScheduleTheStatusSaysSoUnlessComputedTimesStandIn) {
    struct Case {
        std::optional<QString> hisab;
        int status;
        const char* statusText;
        int reminders;
    };
    const Case cases[] = {
        {QStringLiteral("off"), 1, "Gagal memuat jadwal untuk Jakarta", 0},
        {std::nullopt, 0, "Jadwal hisab: Jakarta", 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hisab.value_or("(unset)").toStdString());
        QList<std::pair<QString, QString>> env;
        if (c.hisab) env.append(std::pair<QString, QString>("LUMORA_HISAB", *c.hisab));

        const CliResult today = run({"today", "--json", "--at", kAt}, env);
        EXPECT_EQ(today.status, c.status) << today.err.toStdString();
        const QJsonObject state = today.json()["state"].toObject();
        EXPECT_EQ(state["statusText"].toString(), c.statusText);
        EXPECT_EQ(state.contains("todayDay"), c.status == 0);
        EXPECT_EQ(today.json()["display"].isNull(), c.status != 0);

        const CliResult reminders = run({"reminders", "--json", "--at", kAt}, env);
        EXPECT_EQ(reminders.status, c.status) << reminders.err.toStdString();
        EXPECT_EQ(reminders.json().toArray().size(), c.reminders);

        // Failed loads and computed months are never written.
        EXPECT_EQ(monthFiles(), QStringList());
    }
}

TEST_F(LumoraCli, RemindersListThePlanInTimeOrderWithTheLocalMinuteEachFires) {
    seedJakarta();
    const CliResult r = run({"reminders", "--json", "--at", kAt});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray list = r.json().toArray();
    ASSERT_EQ(list.size(), 36); // two parsed days: six slots each, no dhuha

    const auto entry = [](const char* id, const QString& title, const QString& body, const char* sound,
                          const char* fireAt) {
        return QJsonObject{
            {"identifier", id}, {"title", title}, {"body", body}, {"sound", sound}, {"fireAt", fireAt}};
    };
    const QJsonObject expected[] = {
        entry("2026-03-07-subuh-reminder", "15 menit lagi \u2014> SUBUH 04:35 (Jakarta)", "", "takbir",
              "2026-03-07 04:20"),
        entry("2026-03-07-subuh-main", "Waktu SUBUH telah masuk", "Jakarta \u2022 04:35", "takbir",
              "2026-03-07 04:35"),
        entry("2026-03-07-subuh-5after", "Sudah 5 menit dari adzan SUBUH (Jakarta 04:35)", "", "none",
              "2026-03-07 04:40"),
        entry("2026-03-07-syuruq-reminder", "15 menit lagi \u2014> SYURUQ 05:50 (Jakarta)", "", "default",
              "2026-03-07 05:35"),
        entry("2026-03-07-syuruq-main", "Matahari terbit, waktu SUBUH telah berakhir", "Jakarta \u2022 05:50",
              "default", "2026-03-07 05:50"),
        entry("2026-03-07-dhuha-start", "Dhuha / Isyroq", "Jakarta \u2022 06:05", "default",
              "2026-03-07 06:05"),
    };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(compact(list[i]), compact(expected[i])) << "entry " << i;
    EXPECT_EQ(compact(list.last()),
              compact(entry("2026-03-08-isya-5after", "Sudah 5 menit dari adzan ISYA (Jakarta 18:58)", "",
                            "none", "2026-03-08 19:03")));
    // The whole list, the next day included, runs forward in time.
    for (qsizetype i = 1; i < list.size(); ++i)
        EXPECT_LE(list[i - 1]["fireAt"].toString(), list[i]["fireAt"].toString()) << "entry " << i;

    // The text form: one line per request, and those already past marked as never firing.
    const CliResult text = run({"reminders", "--at", kAt});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    const QStringList lines = text.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 36);
    EXPECT_EQ(lines[0], "2026-03-07 04:20  [takbir]   15 menit lagi \u2014> SUBUH 04:35 (Jakarta)  (lewat)");
    EXPECT_EQ(lines[1],
              "2026-03-07 04:35  [takbir]   Waktu SUBUH telah masuk: Jakarta \u2022 04:35  (lewat)");
    EXPECT_EQ(lines[3], "2026-03-07 05:35  [default]  15 menit lagi \u2014> SYURUQ 05:50 (Jakarta)  (lewat)");
    EXPECT_EQ(lines.filter("(lewat)").size(), 5); // subuh's three, and sunrise's notice and reminder
}

TEST_F(LumoraCli, ParseExitsByWhatTheAnswerHolds) {
    struct Case {
        const char* name;
        QString body;
        int status;
        int days; // -1: no JSON on stdout
    };
    const Case cases[] = {
        {"days", jsonMonth("2026-03", 2), 0, 2},
        {"no day of the month", jsonMonth("2026-04", 2), 1, 0},
        {"malformed JSON", "[{\"tanggal\": \"2026-03-01\", ", 2, -1},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile f(dir.filePath("answer.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.body.toUtf8());
        f.close();

        const CliResult r = run({"parse", f.fileName(), "--city", "jkt", "--month", "2026-03"});
        EXPECT_EQ(r.status, c.status);
        if (c.days < 0) {
            EXPECT_EQ(r.out, QString());
            ASSERT_EQ(r.errLines().size(), 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.startsWith("lumora: ")) << r.err.toStdString();
        } else {
            EXPECT_EQ(r.err, QString());
            const QJsonObject month = r.json().toObject();
            EXPECT_EQ(month["cityCode"].toString(), "jkt");
            EXPECT_EQ(month["month"].toString(), "2026-03");
            EXPECT_EQ(month["days"].toArray().size(), c.days);
        }
    }
}

TEST_F(LumoraCli, CitiesFindsTheMatchOrPrintsNull) {
    const CliResult bogor = run({"cities", "bogor", "--json"});
    EXPECT_EQ(bogor.status, 0) << bogor.err.toStdString();
    const QJsonObject city = bogor.json().toObject();
    EXPECT_EQ(city["code"].toString(), "bgr");
    EXPECT_EQ(city["name"].toString(), "Bogor");
    EXPECT_TRUE(city["lat"].isDouble() && city["lon"].isDouble()) << compact(city);

    const CliResult none = run({"cities", "xyz", "--json"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "null\n");

    const CliResult all = run({"cities", "--json"});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.json().toArray().first()["code"].toString(), "jkt");
}

TEST_F(LumoraCli, MonthComesFromTheChosenSourceAndComputedMonthsAreNotSaved) {
    struct Case {
        const char* source; // nullptr: the default
        const char* hisab;  // nullptr: unset (on)
        int days;
        int status;
    };
    const Case cases[] = {
        {"hisab", nullptr, 31, 0},  {"cache", nullptr, 0, 1}, // nothing saved
        {"service", nullptr, 0, 1},                           // no service
        {nullptr, "off", 0, 1},     {"auto", nullptr, 31, 0}, // no service, so computed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source ? c.source : "(default)") + (c.hisab ? " hisab off" : ""));
        QStringList args{"month", "bogor", "2026-03", "--json"};
        if (c.source) args << "--source" << c.source;
        QList<std::pair<QString, QString>> env;
        if (c.hisab) env.append(std::pair<QString, QString>("LUMORA_HISAB", c.hisab));

        const CliResult r = run(args, env);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        const QJsonObject month = r.json().toObject();
        EXPECT_EQ(month["cityCode"].toString(), "bgr");
        EXPECT_EQ(month["month"].toString(), "2026-03");
        const QJsonArray days = month["days"].toArray();
        ASSERT_EQ(days.size(), c.days);
        if (c.days) {
            EXPECT_EQ(days.first()["date"].toString(), "2026-03-01");
            EXPECT_EQ(days.last()["date"].toString(), "2026-03-31");
        }
        EXPECT_EQ(monthFiles(), QStringList());
    }
}

TEST_F(LumoraCli, UsageErrorsAreOneLineOnStderr) {
    const QStringList cases[] = {
        {"today", "--at", "2026-03-07 25:00"},
        {"today", "--at", "kemarin"},
        {"reminders", "--at"},
        {"frobnicate"},
        {"today", "--verbose"},
        {"cities", "--at", kAt},
        {"month", "--source", "internet"},
        {"month", "bogor", "2026-13"},
        {"parse", "answer.json"},
    };
    for (const QStringList& args : cases)
        expectUsageError(args);
    EXPECT_EQ(monthFiles(), QStringList());
}

} // namespace
} // namespace lumora::test

namespace lumora::test {
namespace {

// The live countdown runs on from --at in real time; through a pipe it prints a line per change.
TEST_F(LumoraCli, WatchRedrawsTheCountdownAsTimePasses) {
    seedJakarta();
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("TZ", "Asia/Jakarta");
    e.insert("LUMORA_SCHEDULE_URL", "");
    e.insert("LUMORA_NOTIFICATIONS", "off");
    QProcess p;
    p.setProcessEnvironment(e);
    // Ashar is at 15:13: its last minute still counts down, then the prayer enters at its minute.
    p.start(QStringLiteral(LUMORA_BINARY), {"today", "--watch", "--at", "2026-03-07T15:12:58"});
    QString out;
    for (int i = 0; i < 100 && !out.contains("ASHAR SAATNYA ADZAN"); ++i) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAllStandardOutput());
    }
    p.kill();
    p.waitForFinished();
    EXPECT_TRUE(out.contains("Jadwal Hari Ini (2026-03-07)")) << out.toStdString();
    const qsizetype before = out.indexOf("ASHAR -1 menit\n");
    const qsizetype entering = out.indexOf("ASHAR SAATNYA ADZAN\n");
    EXPECT_GE(before, 0) << out.toStdString();
    EXPECT_GT(entering, before) << out.toStdString();
}

TEST_F(LumoraCli, WatchRefusesJson) {
    const CliResult r = run({"today", "--watch", "--json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.errLines().size(), 1);
}

} // namespace
} // namespace lumora::test
