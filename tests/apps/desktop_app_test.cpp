// The desktop app as a person starts it: the real binary on a private X server and a private session bus
// (the CTest entry wraps this program in its own dbus-run-session), over a private home.
#include "core/single_instance_lock.h"
#include "shell/sni_dbus_types.h"
#include "shell/sni_fakes.h"
#include "support/temp_home.h"
#include "support/xvfb_server.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace lumora::test {
namespace {

bool waitFor(const std::function<bool()>& done, int ms = 15'000) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QThread::msleep(25);
    return done();
}

class DesktopApp : public ::testing::Test {
protected:
    void SetUp() override {
        if (qgetenv("LUMORA_TEST_PRIVATE_BUS") != "1")
            GTEST_SKIP() << "needs the private bus (ctest -R apps.desktop)";
        if (!xvfb.isRunning()) GTEST_SKIP() << "Xvfb is not available";
        QDir().mkpath(runtime());
        QFile::setPermissions(runtime(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    QString runtime() const { return home.path() + "/runtime"; }
    QString socketPath() const { return runtime() + "/lumora.socket"; }
    QString lockPath() const { return home.dataFolder() + "/lumora.lock"; }

    void start(QProcess& p, const QStringList& args = {},
               const QList<std::pair<QString, QString>>& env = {}) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("TZ", "Asia/Jakarta");
        e.insert("XDG_RUNTIME_DIR", runtime());
        e.insert("LUMORA_SCHEDULE_URL", "");
        e.insert("LUMORA_NOTIFICATIONS", "off");
        e.insert("LUMORA_LOCATION", "-6.2088,106.8456");
        e.insert("QT_LOGGING_RULES", "lumora.app.debug=true");
        e.remove("QT_QPA_PLATFORM"); // a real X client, not the offscreen platform the unit tests use
        for (const auto& [name, value] : env)
            e.insert(name, value);
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(LUMORA_BINARY), args);
        ASSERT_TRUE(p.waitForStarted());
    }
    /// The first copy is up once it listens for later starts.
    bool listening(QProcess& p) {
        return waitFor([&] {
            p.waitForReadyRead(50);
            m_firstErr += QString::fromUtf8(p.readAllStandardError());
            return m_firstErr.contains("listening for later starts");
        });
    }
    QString firstErr(QProcess& p) {
        p.waitForReadyRead(200);
        m_firstErr += QString::fromUtf8(p.readAllStandardError());
        return m_firstErr;
    }

    TempHome home;
    XvfbServer xvfb;
    QProcess first;
    QProcess second;
    QString m_firstErr;
};

TEST_F(DesktopApp, SecondStartActivatesTheFirstAndExits) {
    start(first);
    ASSERT_TRUE(listening(first)) << m_firstErr.toStdString();
    EXPECT_TRUE(QFileInfo::exists(socketPath()));
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(lockPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(waitFor([] {
        return QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/LumoraMac/widget-snapshot.json");
    })) << "the start sequence publishes the widget snapshot";

    start(second);
    ASSERT_TRUE(second.waitForFinished(10'000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return firstErr(first).contains("asked to activate"); }));
    EXPECT_EQ(first.state(), QProcess::Running);

    // SIGTERM ends the first copy cleanly.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10'000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(DesktopApp, AStartAfterAKilledCopyTakesOver) {
    start(first);
    ASSERT_TRUE(listening(first));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    first.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(socketPath())) << "the dead copy's socket is left behind";

    m_firstErr.clear();
    start(second);
    ASSERT_TRUE(listening(second)) << "the lock died with the killed copy, and the stale socket is replaced";
    EXPECT_EQ(second.state(), QProcess::Running);
}

TEST_F(DesktopApp, ACopyThatHoldsTheLockButNeverAnswersIsLeftAlone) {
    // This test process plays a copy that is starting or hung: it holds the lock and listens nowhere.
    SingleInstanceLock hung(home.dataFolder());
    ASSERT_TRUE(hung.acquire());
    start(second);
    ASSERT_TRUE(second.waitForFinished(10'000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(socketPath()));
}

// A panel's view of the app: its item registers with the watcher, carries the title as its label, and the
// menu's "Exit" ends the app.
TEST_F(DesktopApp, TrayItemRegistersAndItsExitEndsTheApp) {
    registerTrayDBusTypes();
    QDBusConnection panel = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "test-panel");
    FakeWatcher watcher(panel);
    ASSERT_TRUE(watcher.start());
    start(first);
    const QDeadlineTimer deadline(15'000);
    while (watcher.registered.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(watcher.registered.size(), 1) << firstErr(first).toStdString();
    const QString item = watcher.registered.first();
    EXPECT_EQ(item, QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(first.processId()));

    const auto call = [&](const QString& path, const QString& interface, const QString& member,
                          const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(item, path, interface, member);
        m.setArguments(args);
        return panel.call(m, QDBus::Block, 5000);
    };
    const QDBusMessage label = call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                                    {"org.kde.StatusNotifierItem", "XAyatanaLabel"});
    ASSERT_EQ(label.type(), QDBusMessage::ReplyMessage) << label.errorMessage().toStdString();
    const QString title = label.arguments().value(0).value<QDBusVariant>().variant().toString();
    EXPECT_TRUE(title.startsWith(' ')) << title.toStdString();
    EXPECT_GT(title.size(), 5) << title.toStdString();

    const QDBusMessage layout =
        call("/MenuBar", "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(layout.type(), QDBusMessage::ReplyMessage) << layout.errorMessage().toStdString();
    DBusMenuLayoutItem root;
    layout.arguments().value(1).value<QDBusArgument>() >> root;
    int exitId = -1;
    for (const DBusMenuLayoutItem& child : root.children)
        if (child.properties.value("label").toString() == "Exit") exitId = child.id;
    ASSERT_GE(exitId, 0);
    call("/MenuBar", "com.canonical.dbusmenu", "Event",
         {exitId, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    ASSERT_TRUE(first.waitForFinished(10'000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    QDBusConnection::disconnectFromBus("test-panel");
}

TEST_F(DesktopApp, HiddenStartLeavesTheWindowToTheTrayOnlyWhenATrayHostExists) {
    // This test process plays the panel: owning the watcher's name on the private bus is what the app looks
    // for. Xvfb has no X11 system tray, so without the name there is no host at all.
    struct Case {
        QStringList args;
        bool trayHost;
        const char* logLine;
        bool shown;
    };
    const Case cases[] = {
        {{}, true, "window shown at start", true},
        {{"--hidden"}, true, "window not shown at start (--hidden)", false},
        {{"app", "--hidden"}, true, "window not shown at start (--hidden)", false},
        {{"--hidden"}, false, "window shown at start: --hidden, but there is no tray host", true},
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString() + (c.trayHost ? " with a tray host" : " without one"));
        if (c.trayHost)
            ASSERT_TRUE(bus.registerService(watcher));
        else
            bus.unregisterService(watcher);
        m_firstErr.clear();
        start(first, c.args);
        ASSERT_TRUE(listening(first)) << m_firstErr.toStdString();
        EXPECT_TRUE(waitFor([&] { return firstErr(first).contains(c.logLine); })) << m_firstErr.toStdString();
        EXPECT_EQ(m_firstErr.contains("window shown"), c.shown) << m_firstErr.toStdString();
        // The start sequence runs all the same, hidden or not.
        EXPECT_TRUE(waitFor([] {
            return QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") +
                                     "/LumoraMac/widget-snapshot.json");
        }));
        first.terminate();
        ASSERT_TRUE(first.waitForFinished(10'000));
        QFile::remove(qEnvironmentVariable("XDG_DATA_HOME") + "/LumoraMac/widget-snapshot.json");
    }
    bus.unregisterService(watcher);
}

// LUMORA_LOCATION=Jayapura is for that run: the app shows Jayapura, but nothing of it is kept as the
// device's last fix, so the next run without it is where the device was (here, never located: Jakarta).
TEST_F(DesktopApp, APinnedLocationIsNotKeptAsTheDevicesLastFix) {
    const QString settings = qEnvironmentVariable("XDG_CONFIG_HOME") + "/lumora/lumora.conf";
    const QString snapshot = qEnvironmentVariable("XDG_DATA_HOME") + "/LumoraMac/widget-snapshot.json";
    start(first, {},
          {{"LUMORA_LOCATION", "Jayapura"},
           {"QT_LOGGING_RULES", "lumora.app.debug=true;lumora.places.debug=true"}});
    ASSERT_TRUE(listening(first)) << m_firstErr.toStdString();
    // The pinned place arrives as a fix from the event loop; the snapshot written after it names it.
    EXPECT_TRUE(waitFor([&] { return firstErr(first).contains("location fix:"); }))
        << m_firstErr.toStdString();
    EXPECT_TRUE(waitFor([&] {
        QFile f(snapshot);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("Kota Jayapura");
    }));
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10'000));
    EXPECT_EQ(first.exitCode(), 0);

    QFile conf(settings);
    const QByteArray stored = conf.open(QIODevice::ReadOnly) ? conf.readAll() : QByteArray();
    EXPECT_FALSE(stored.contains("cachedLocation")) << stored.constData();

    // The next start without the pin: the command line reads the same last fix the app would.
    QProcess today;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("TZ", "Asia/Jakarta");
    e.insert("LUMORA_SCHEDULE_URL", "");
    e.remove("LUMORA_LOCATION");
    today.setProcessEnvironment(e);
    today.start(QStringLiteral(LUMORA_BINARY), {"today", "--at", "2026-03-07T05:50"});
    ASSERT_TRUE(today.waitForFinished(30'000));
    const QString out = QString::fromUtf8(today.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith("Jakarta (jkt)\n")) << out.toStdString();
}

} // namespace
} // namespace lumora::test
