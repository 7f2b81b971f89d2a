// Places by name and by fix, the zone hint, and the command line's error behaviour, run as the real program.
#include "lumora_cli_fixture.h"

#include "support/loopback_server.h"

#include <QRegularExpression>

#include <csignal>

namespace lumora::test {
namespace {

using Env = QList<std::pair<QString, QString>>;

TEST_F(LumoraCli, PlacesListsTheGazetteerBestMatchFirst) {
    const CliResult jayapura = run({"places", "jayapura", "--json"});
    EXPECT_EQ(jayapura.status, 0) << jayapura.err.toStdString();
    const QJsonArray found = jayapura.json().toArray();
    ASSERT_GE(found.size(), 2);
    EXPECT_EQ(
        compact(found.first()),
        R"({"code":"94.71","lat":-2.64647,"lon":140.77779,"name":"Kota Jayapura","province":"PAPUA","zone":"Asia/Jayapura"})");
    EXPECT_EQ(found[1]["code"].toString(), "94.03");

    const CliResult all = run({"places"});
    EXPECT_EQ(all.status, 0);
    const QStringList lines = all.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 514);
    EXPECT_TRUE(
        QRegularExpression(R"(^11\.01\s+Kabupaten Simeulue\s+ACEH\s+2\.6167,96\.0833\s+Asia/Jakarta$)")
            .match(lines.first())
            .hasMatch())
        << lines.first().toStdString();

    const CliResult none = run({"places", "atlantis"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, QString());
    EXPECT_EQ(none.err, "lumora: tempat tidak ditemukan: atlantis\n");
    EXPECT_EQ(run({"places", "atlantis", "--json"}).json(), QJsonValue(QJsonArray()));
}

// `places` finds every name LUMORA_LOCATION takes, aliases and provinces included, and lists first the place
// that name pins: the pinned run and a run pinned to that first place's code show the same place.
TEST_F(LumoraCli, PlacesFindsWhatLumoraLocationFindsAndRanksItFirst) {
    struct Case {
        const char* query;
        const char* first;   // the code places lists first
        const char* heading; // what `today` shows for LUMORA_LOCATION=query
    } cases[] = {
        {"Jayapura", "94.71", "Kota Jayapura (94.71)"},
        {"94.71", "94.71", "Kota Jayapura (94.71)"},
        {"Kab. Sleman", "34.04", "Yogyakarta (ykg)"}, // the catalogue city within 30 km
        {"jogja", "34.71", "Yogyakarta (ykg)"},
        {"solo", "33.72", "Surakarta (slo)"},
        {"jkt", "31.73", "Jakarta (jkt)"},
        {"Bali", "51.71", "Denpasar (dps)"},
        {"Papua Barat", "91.05", "Kabupaten Manokwari (91.05)"},
        {"-2.533,140.717", "94.71", "Kota Jayapura (94.71)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const CliResult found = run({"places", c.query, "--json"});
        EXPECT_EQ(found.status, 0) << found.err.toStdString();
        EXPECT_EQ(found.json().toArray().first()["code"].toString(), c.first);
        for (const char* location : {c.query, c.first}) {
            SCOPED_TRACE(location);
            const CliResult r =
                run({"today", "--at", kAt}, Env{{"LUMORA_LOCATION", location}, {"TZ", "UTC"}});
            EXPECT_FALSE(r.err.contains("tidak dikenal")) << r.err.toStdString();
            EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.heading) + '\n')) << r.out.toStdString();
        }
    }
    // "Bali" is the province before Balikpapan, which merely starts with it.
    const QStringList bali = run({"places", "Bali"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(bali.size(), 11); // Bali's nine, Kota Balikpapan, Kabupaten Purbalingga
    EXPECT_TRUE(bali.first().contains("Kota Denpasar")) << bali.first().toStdString();
    EXPECT_TRUE(bali[8].contains("BALI")) << bali[8].toStdString();
    EXPECT_TRUE(bali[9].contains("Kota Balikpapan")) << bali[9].toStdString();
    // A point no place is named after finds none.
    const CliResult sea = run({"places", "-5,110"});
    EXPECT_EQ(sea.status, 1);
    EXPECT_EQ(sea.err, "lumora: tempat tidak ditemukan: -5,110\n");
}

// Far from every regency a point goes by its coordinates; outside Indonesia it says so, its times are still
// computed there, a time that does not occur shows "--:--" with the reason, and the zone hint names the zone
// the times are shown in instead of an Indonesian one.
TEST_F(LumoraCli, APointFarFromEveryRegencyIsNamedHonestly) {
    struct Case {
        const char* location;
        const char* machineZone;
        const char* heading;
        const char* hint; // the one stderr line, or nullptr
    } cases[] = {
        {"-5,110", "Asia/Jakarta", "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara (-5.0000,110.0000)",
         nullptr},
        {"-5,110", "Asia/Jayapura", "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara (-5.0000,110.0000)",
         "lumora: zona waktu komputer ini Asia/Jayapura, bukan zona 5.00° LS, 110.00° BT, 195 km dari "
         "Kabupaten "
         "Jepara (Asia/Jakarta); untuk waktu setempat jalankan dengan TZ=Asia/Jakarta"},
        {"3.139,101.6869", "Asia/Kuala_Lumpur", "3.14° LU, 101.69° BT, di luar Indonesia (3.1390,101.6869)",
         "lumora: 3.14° LU, 101.69° BT di luar Indonesia; waktu ditampilkan dalam zona waktu komputer ini, "
         "Asia/Kuala_Lumpur (UTC+08:00)"},
        {"51.5074,-0.1278", "Asia/Jakarta", "51.51° LU, 0.13° BB, di luar Indonesia (51.5074,-0.1278)",
         "lumora: 51.51° LU, 0.13° BB di luar Indonesia; waktu ditampilkan dalam zona waktu komputer ini, "
         "Asia/Jakarta (UTC+07:00)"},
        {"51.5074,-0.1278", "Europe/London", "51.51° LU, 0.13° BB, di luar Indonesia (51.5074,-0.1278)",
         "lumora: 51.51° LU, 0.13° BB di luar Indonesia; waktu ditampilkan dalam zona waktu komputer ini, "
         "Europe/London (UTC+01:00)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.location) + " on " + c.machineZone);
        const Env env{{"LUMORA_LOCATION", c.location}, {"TZ", c.machineZone}};
        const CliResult r = run({"today", "--at", "2026-06-21T12:00"}, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.heading) + '\n')) << r.out.toStdString();
        const QString name = QString::fromUtf8(c.heading).section(" (", 0, 0);
        EXPECT_TRUE(r.out.contains("Jadwal hisab: " + name)) << r.out.toStdString();
        EXPECT_EQ(r.err, c.hint ? QString::fromUtf8(c.hint) + '\n' : QString());
    }

    // London at midsummer: the Sun never gets 18 or 20 degrees down, so there is no subuh and no isya.
    const Env london{{"LUMORA_LOCATION", "51.5074,-0.1278"}, {"TZ", "Europe/London"}};
    const CliResult today = run({"today", "--at", "2026-06-21T12:00"}, london);
    EXPECT_TRUE(
        today.out.contains("  SUBUH           --:--  (Matahari tidak turun sampai 20° di bawah ufuk)\n"))
        << today.out.toStdString();
    EXPECT_TRUE(
        today.out.contains("  ISYA            --:--  (Matahari tidak turun sampai 18° di bawah ufuk)\n"))
        << today.out.toStdString();
    EXPECT_TRUE(today.out.contains("  MAGHRIB         21:2")) << "London's own sunset, in its own zone";

    const QJsonArray slots = run({"today", "--json", "--at", "2026-06-21T12:00"}, london)
                                 .json()["state"]["todayDay"]["slots"]
                                 .toArray();
    ASSERT_EQ(slots.size(), 6);
    EXPECT_EQ(compact(slots.first()),
              R"({"name":"subuh","reason":"Matahari tidak turun sampai 20° di bawah ufuk","time":""})");
    EXPECT_FALSE(slots[1].toObject().contains("reason"));

    const QJsonArray rows =
        run({"dashboard", "--json", "--at", "2026-06-21T23:30"}, london).json()["rows"].toArray();
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows.first()["time"].toString(), "--:--");
    EXPECT_EQ(rows.last()["time"].toString(), "--:--");
    EXPECT_FALSE(rows.last()["highlight"].toBool());

    const CliResult reminders = run({"reminders", "--json", "--at", "2026-06-21T12:00"}, london);
    EXPECT_EQ(reminders.status, 0);
    for (const QJsonValue& request : reminders.json().toArray()) {
        const QString id = request["identifier"].toString();
        EXPECT_FALSE(id.contains("-subuh-") || id.contains("-isya-"))
            << "no reminder for a time that does not occur: " << id.toStdString();
    }
    EXPECT_FALSE(reminders.json().toArray().isEmpty());

    const CliResult month = run({"month", "--at", "2026-06-21T12:00"}, london);
    EXPECT_EQ(month.status, 0);
    EXPECT_TRUE(month.out.startsWith("51.5074,-0.1278 2026-06\n")) << month.out.toStdString();
    EXPECT_TRUE(QRegularExpression("\n2026-06-21 subuh=--:-- syuruq=04:\\d\\d .* isya=--:--\n")
                    .match(month.out)
                    .hasMatch())
        << month.out.toStdString();

    // The widget's snapshot is not written by a command, but the screenshot draws the window's rows.
    QTemporaryDir dir;
    EXPECT_EQ(run({"screenshot", dir.filePath("london.png"), "--at", "2026-06-21T23:30"}, london).status, 0);
}

TEST_F(LumoraCli, AFixOrAPlaceNameGetsItsOwnPlaceAndItsZoneRunsWithoutAHint) {
    struct Case {
        const char* location;
        const char* zone;
        const char* heading;
    } cases[] = {
        {"-2.533,140.717", "Asia/Jayapura", "Kota Jayapura (94.71)"},
        {"Jayapura", "Asia/Jayapura", "Kota Jayapura (94.71)"},
        {"-3.695,128.181", "Asia/Jayapura", "Kota Ambon (81.71)"},
        {"-10.178,123.607", "Asia/Makassar", "Kota Kupang (53.71)"},
        {"1.4748,124.8421", "Asia/Makassar", "Kota Manado (71.71)"},
        {"-0.026,109.343", "Asia/Pontianak", "Kota Pontianak (61.71)"},
        {"-6.2088,106.8456", "Asia/Jakarta", "Jakarta (jkt)"},
        {"jogja", "Asia/Jakarta", "Yogyakarta (ykg)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const CliResult r = run({"today", "--at", kAt}, Env{{"LUMORA_LOCATION", c.location}, {"TZ", c.zone}});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, QString());
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.heading) + '\n')) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("Jadwal hisab: " + QString::fromUtf8(c.heading).section(" (", 0, 0)))
            << r.out.toStdString();
    }
}

TEST_F(LumoraCli, AnotherZoneOnTheComputerGetsOneHintOnStderrOnly) {
    struct Case {
        const char* location;
        const char* machineZone;
        const char* placeZone; // nullptr: no hint
    } cases[] = {
        {"Jakarta", "UTC", "Asia/Jakarta"},
        {"Jayapura", "Asia/Jakarta", "Asia/Jayapura"},
        {"Kupang", "Asia/Jayapura", "Asia/Makassar"},
        {"Jakarta", "Asia/Pontianak", nullptr}, // the same hours under another name
        {"Jayapura", "Asia/Jayapura", nullptr},
    };
    for (const Case& c : cases) {
        for (const QStringList& command :
             {QStringList{"today", "--json"}, QStringList{"month", "--json"}, QStringList{"reminders"}}) {
            SCOPED_TRACE(std::string(c.location) + " on " + c.machineZone + ": " +
                         command.first().toStdString());
            const Env env{{"LUMORA_LOCATION", c.location}, {"TZ", c.machineZone}};
            const CliResult r = run(command + QStringList{"--at", kAt}, env);
            EXPECT_EQ(r.status, 0);
            if (!c.placeZone) {
                EXPECT_EQ(r.err, QString());
                continue;
            }
            ASSERT_EQ(r.errLines().size(), 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.startsWith("lumora: zona waktu komputer ini ")) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(c.machineZone)) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("TZ=") + c.placeZone)) << r.err.toStdString();
            // Standard output keeps its form.
            if (command.contains("--json")) {
                EXPECT_NE(r.json(), QJsonValue(QJsonValue::Undefined));
            }
        }
    }
}

TEST_F(LumoraCli, AnUnknownLocationIsToldOnceAndTheDeviceLocationServes) {
    for (const char* value : {"-6,9175,107,6191", "Atlantis"}) {
        SCOPED_TRACE(value);
        const CliResult r = run({"today", "--at", kAt}, Env{{"LUMORA_LOCATION", value}});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(
            r.err,
            QStringLiteral("lumora: lokasi \"%1\" tidak dikenal; memakai lokasi perangkat\n").arg(value));
        EXPECT_TRUE(r.out.startsWith("Jakarta (jkt)\n")) << r.out.toStdString();
    }
}

TEST_F(LumoraCli, ErrorsAreOneIndonesianLineWithUserTextEscaped) {
    QTemporaryDir dir;
    QFile big(dir.filePath("big.json"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(4 * 1024 * 1024 + 1, ' '));
    big.close();
    struct Case {
        QStringList args;
        int status;
        const char* start; // the line's beginning
    } cases[] = {
        {{"parse", "/dev/zero", "--city", "jkt", "--month", "2026-03"},
         2,
         "lumora: /dev/zero terlalu besar: "},
        {{"parse", big.fileName(), "--city", "jkt", "--month", "2026-03"}, 2, "lumora: "},
        {{"parse", "/dev/null", "--city", "jkt", "--month", "garbage"},
         2,
         "lumora: bulan tidak valid: garbage"},
        {{"parse", "/dev/null", "--city", "jkt", "--month=2026-13"}, 2, "lumora: bulan tidak valid: 2026-13"},
        {{"parse", dir.filePath("missing"), "--city", "jkt", "--month", "2026-03"},
         2,
         "lumora: tidak dapat membaca "},
        {{"month", "ja\nkarta"}, 1, "lumora: kota tidak ditemukan: ja\\nkarta"},
        {{"cities", "a\r\x1b[2Jb"}, 1, "lumora: kota tidak ditemukan: a\\r\\x1b[2Jb"},
        {{"today", "--at=2026-03-07\nT05:50"}, 2, "lumora: waktu tidak valid: 2026-03-07\\nT05:50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.status == 2 ? QString() : r.out);
        ASSERT_EQ(r.errLines().size(), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.start))) << r.err.toStdString();
    }
    // A body that does not read: Indonesian, the reader's own detail after the colon.
    QFile bad(dir.filePath("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("[{\"tanggal\": ");
    bad.close();
    const CliResult r = run({"parse", bad.fileName(), "--city", "jkt", "--month", "2026-03"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith("lumora: jawaban tidak terbaca: ")) << r.err.toStdString();
}

TEST_F(LumoraCli, AFailedWriteToStdoutFails) {
    seedJakarta();
    for (const QStringList& args :
         {QStringList{"today", "--at", kAt}, QStringList{"places", "--json"}, QStringList{"help"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setStandardOutputFile("/dev/full");
        p.start(QStringLiteral(LUMORA_BINARY), args);
        ASSERT_TRUE(p.waitForFinished(30'000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(p.exitCode(), 0);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_TRUE(err.startsWith("lumora: tidak dapat menulis keluaran: ")) << err.toStdString();
    }
}

TEST_F(LumoraCli, AnEmptyServiceMonthSaysWhy) {
    LoopbackServer server;
    server.setHandler([](const LoopbackServer::Request&) { return LoopbackServer::Reply{200, "[]"}; });
    LoopbackServer badTimes;
    badTimes.setHandler([](const LoopbackServer::Request&) {
        return LoopbackServer::Reply{
            200, R"([{"tanggal":"2026-03-01","subuh":"99:99","terbit":"05:50",)"
                 R"("dzuhur":"11:52","ashar":"15:13","maghrib":"17:46","isya":"18:58"}])"};
    });
    struct Case {
        QString url;
        const char* reason;
    } cases[] = {
        {"", "lumora: tidak ada layanan jadwal yang diatur (LUMORA_SCHEDULE_URL kosong)"},
        {server.baseUrl().toString(),
         "lumora: jawaban layanan jadwal tidak memuat hari untuk bgr bulan 2026-03"},
        {badTimes.baseUrl().toString(),
         "lumora: jawaban layanan jadwal untuk bgr bulan 2026-03 ditolak: waktunya tidak sah"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const CliResult r = run({"month", "bogor", "2026-03", "--source", "service", "--at", kAt},
                                Env{{"LUMORA_SCHEDULE_URL", c.url}});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, QString::fromUtf8(c.reason) + '\n');
        EXPECT_EQ(r.out, "bgr 2026-03\n");
    }
}

TEST_F(LumoraCli, AServiceThatDoesNotAnswerIsSaidSo) {
    const CliResult r = run({"month", "bogor", "2026-03", "--source", "service", "--at", kAt},
                            Env{{"LUMORA_SCHEDULE_URL", "http://127.0.0.1:9/adzan/"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("lumora: layanan jadwal tidak menjawab")) << r.err.toStdString();
}

// Ctrl-C ends the live view cleanly: status 130, and nothing left half a line.
TEST_F(LumoraCli, WatchEndsOnAFreshLineAfterCtrlC) {
    seedJakarta();
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(QStringLiteral(LUMORA_BINARY), {"today", "--watch", "--at", kAt});
    QString out;
    for (int i = 0; i < 100 && !out.contains("SYURUQ "); ++i) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAllStandardOutput());
    }
    ASSERT_TRUE(out.contains("Jadwal Hari Ini")) << out.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10'000));
    out += QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130);
    EXPECT_TRUE(out.endsWith('\n')) << out.toStdString();
    EXPECT_FALSE(out.endsWith("\n\n")) << "through a pipe every line is already ended";
}

} // namespace
} // namespace lumora::test
