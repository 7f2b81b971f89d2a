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
            if (command.contains("--json")) EXPECT_NE(r.json(), QJsonValue(QJsonValue::Undefined));
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
    struct Case {
        QString url;
        const char* reason;
    } cases[] = {
        {"", "lumora: tidak ada layanan jadwal yang diatur (LUMORA_SCHEDULE_URL kosong)"},
        {server.baseUrl().toString(),
         "lumora: jawaban layanan jadwal tidak memuat hari untuk bgr bulan 2026-03"},
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
