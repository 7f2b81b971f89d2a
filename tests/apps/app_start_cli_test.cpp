// How the program starts: its version and help, the desktop app's own options, and `--at` moving the
// running app's clock.
#include "lumora_cli_fixture.h"

#include "core/single_instance_lock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace lumora::test {
namespace {

TEST_F(LumoraCli, VersionAndHelpNameTheVersion) {
    const CliResult version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "lumora " LUMORA_VERSION "\n");
    EXPECT_EQ(version.err, QString());

    const CliResult help = run({"help"});
    ASSERT_EQ(help.status, 0);
    const QStringList lines = help.out.split(u'\n');
    EXPECT_TRUE(lines.first().startsWith("lumora " LUMORA_VERSION ": ")) << lines.first().toStdString();
    // What a user needs to start the app and pin its place, without the README at hand.
    for (const char* part :
         {"Pemakaian: lumora [app] [--hidden] [--at WAKTU]",
          "Tanpa perintah (atau dengan app), lumora menjalankan aplikasi desktop", "--hidden",
          "LUMORA_LOCATION", "fixedLocation di ~/.config/lumora/lumora.conf", "--version"})
        EXPECT_TRUE(help.out.contains(part)) << part;
}

/// This test plays a running copy: it holds the lock and listens where a later start knocks.
class AppStart : public LumoraCli {
protected:
    void SetUp() override {
        ASSERT_TRUE(lock.acquire());
        server.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(server.listen(m_runtime.path() + "/lumora.socket"));
    }
    /// What a start sent the running copy; empty when it never connected.
    QByteArray knocked() {
        bool timedOut = false;
        if (!server.waitForNewConnection(200, &timedOut)) return {};
        QLocalSocket* socket = server.nextPendingConnection();
        QByteArray got;
        while (socket->waitForReadyRead(200) || socket->bytesAvailable())
            got += socket->readAll();
        return got + socket->readAll();
    }

    SingleInstanceLock lock{m_home.dataFolder()};
    QLocalServer server;
};

// A bad option is refused before anything of the app exists: no display is even looked for, and the
// running copy hears nothing.
TEST_F(AppStart, OptionsThatDoNotReadAreUsageErrorsThatWakeNobody) {
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "lumora: pilihan tidak dikenal: --bogus (lihat: lumora help)"},
        {{"--hidden", "--bogus"}, "lumora: pilihan tidak dikenal: --bogus (lihat: lumora help)"},
        {{"app", "--json"}, "lumora: pilihan tidak dikenal: --json (lihat: lumora help)"},
        {{"app", "sekarang"}, "lumora: argumen tidak dikenal: sekarang (lihat: lumora help)"},
        {{"--hidden=ya"}, "lumora: --hidden tidak memerlukan nilai"},
        {{"--at"}, "lumora: --at memerlukan nilai"},
        {{"--at", "besok\npagi"}, "lumora: waktu tidak valid: besok\\npagi (contoh: 2026-03-07T05:50:00)"},
        {{"app", "--at=2026-03-07T25:00"},
         "lumora: waktu tidak valid: 2026-03-07T25:00 (contoh: 2026-03-07T05:50:00)"},
    };
    for (const auto& c : cases) {
        expectUsageError(c.args);
        EXPECT_EQ(run(c.args).err.trimmed(), c.message);
        EXPECT_EQ(knocked(), QByteArray()) << c.args.join(' ').toStdString();
    }
    // The same start with good options does knock: the silence above is the refusal, not a deaf socket.
    for (const QStringList& args : {QStringList{"--hidden"}, QStringList{"app", "--at", kAt}}) {
        const CliResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(knocked(), "activate\n") << args.join(' ').toStdString();
    }
}

/// The app itself, on the offscreen platform: it needs no display to keep its schedule and snapshot.
class AppClock : public LumoraCli {
protected:
    void TearDown() override {
        app.terminate();
        if (!app.waitForFinished(10'000)) app.kill();
        app.waitForFinished();
    }
    QJsonObject snapshot() const {
        QFile f(dataFile("widget-snapshot.json"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    /// Waits for a snapshot of `date`.
    QJsonObject snapshotOf(const QString& date) {
        const QDeadlineTimer deadline(30'000);
        QJsonObject s = snapshot();
        while (s["todayDay"].toObject()["date"].toString() != date && !deadline.hasExpired()) {
            QThread::msleep(50);
            s = snapshot();
        }
        return s;
    }

    QProcess app;
};

// Ten seconds before midnight the app starts on the 7th, and by its own clock's running it crosses into the
// 8th: the month files (fresh for that moment, long stale for the real one) serve both days.
TEST_F(AppClock, AtStartsTheClockThereAndItRunsOn) {
    const double start = kAt0550 + (18 * 3600 + 9 * 60 + 50); // 2026-03-07 23:59:50
    const double midnight = start + 10;
    for (const QStringList& args :
         {QStringList{"--at", "2026-03-07T23:59:50"}, QStringList{"app", "--at=2026-03-07 23:59:50"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QFile::remove(dataFile("widget-snapshot.json"));
        seedJakarta();
        app.setProcessEnvironment(
            environment({{"QT_QPA_PLATFORM", "offscreen"}, {"LUMORA_LOCATION", "-6.2088,106.8456"}}));
        app.start(QStringLiteral(LUMORA_BINARY), args);
        ASSERT_TRUE(app.waitForStarted());

        const QJsonObject before = snapshotOf("2026-03-07");
        ASSERT_EQ(before["todayDay"].toObject()["date"].toString(), "2026-03-07")
            << compact(before) << app.readAllStandardError().toStdString();
        EXPECT_GE(before["savedAt"].toDouble(), start);
        EXPECT_LT(before["savedAt"].toDouble(), midnight);
        const QJsonObject after = snapshotOf("2026-03-08");
        ASSERT_EQ(after["todayDay"].toObject()["date"].toString(), "2026-03-08") << compact(after);
        EXPECT_GE(after["savedAt"].toDouble(), midnight);
        EXPECT_EQ(after["cityCode"].toString(), "jkt");
        TearDown();
    }
}

} // namespace
} // namespace lumora::test
