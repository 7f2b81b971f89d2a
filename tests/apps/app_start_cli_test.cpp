// How the program starts: its version and help, the desktop app's own options, and `--at` moving the
// running app's clock.
#include "lumora_cli_fixture.h"

#include "core/single_instance_lock.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

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

// A lock file that cannot be opened is no running copy: the start says why, in one line, and fails,
// instead of knocking on a socket nobody listens at and passing for a second start.
TEST_F(LumoraCli, ALockThatCannotBeOpenedFailsTheStartWithItsReason) {
    const QString folder = m_home.dataFolder();
    const QString lock = folder + "/lumora.lock";
    const auto makeFolder = [&] { ASSERT_TRUE(QDir().mkpath(folder)); };
    const auto makeFile = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    };
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* reason;
        bool failsForRoot; ///< permission bits do not stop root
    } cases[] = {
        {"a FIFO",
         [&] {
             makeFolder();
             ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
         },
         "bukan berkas biasa", true},
        {"a folder", [&] { ASSERT_TRUE(QDir().mkpath(lock)); }, "berupa folder", true},
        {"a symlink to another file",
         [&] {
             makeFolder();
             makeFile(m_home.path() + "/elsewhere");
             ASSERT_TRUE(QFile::link(m_home.path() + "/elsewhere", lock));
         },
         "berupa tautan simbolik, yang tidak diikuti", true},
        {"a file where the data folder goes",
         [&] {
             ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).path()));
             makeFile(folder);
         },
         "salah satu folder di jalurnya bukan folder", true},
        {"a read-only lock file",
         [&] {
             makeFolder();
             makeFile(lock);
             ASSERT_EQ(::chmod(QFile::encodeName(lock).constData(), 0400), 0);
         },
         "akses ditolak", false},
        {"a read-only data folder",
         [&] {
             makeFolder();
             ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0500), 0);
         },
         "akses ditolak", false},
    };
    const auto clear = [&] {
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        QDir(folder).removeRecursively();
        QFile::remove(folder);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        // The permission cases come last: as root they cannot fail, and the rest has been checked.
        if (!c.failsForRoot && ::geteuid() == 0)
            GTEST_SKIP() << c.name << " and what follows: permission bits do not stop root";
        c.arrange();
        QLocalServer listener; // where a copy would listen: nobody may knock on it
        listener.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(listener.listen(m_runtime.path() + "/lumora.socket"));
        const CliResult r = run({"--hidden"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, QStringLiteral("lumora: tidak dapat membuka kunci %1: %2\n").arg(lock, c.reason));
        EXPECT_FALSE(listener.waitForNewConnection(100)) << "the start knocked as if a copy held the lock";
    }
    clear();
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
