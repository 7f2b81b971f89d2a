// The desktop app as a person starts it: the real binary on a private X server and a private session bus
// (the CTest entry wraps this program in its own dbus-run-session), over a private home.
#include "core/single_instance_lock.h"
#include "shell/sni_dbus_types.h"
#include "shell/sni_fakes.h"
#include "support/temp_home.h"
#include "support/xvfb_server.h"
#include "x11_client.h"

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
#include <QTime>
#include <QJsonObject>
#include <QJsonDocument>
#include <QJsonArray>
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
        for (QProcess* p : {&first, &second, &windowManager}) {
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

    /// openbox on the test's X server, with a home of its own: minimizing and focus need a window manager.
    bool startWindowManager(X11Client& x) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        const QString wmHome = home.path() + "/openbox";
        QDir().mkpath(wmHome);
        e.insert("HOME", wmHome);
        e.insert("XDG_CONFIG_HOME", wmHome + "/.config");
        e.insert("XDG_RUNTIME_DIR", runtime());
        windowManager.setProcessEnvironment(e);
        windowManager.setStandardOutputFile(QProcess::nullDevice());
        windowManager.setStandardErrorFile(QProcess::nullDevice());
        windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        return windowManager.waitForStarted() && x.isConnected() &&
               x.waitFor([&] { return x.hasWindowManager(); });
    }
    /// The app's window once the window manager shows it.
    xcb_window_t mappedWindow(X11Client& x, QProcess& p) {
        xcb_window_t w = 0;
        x.waitFor([&] {
            w = x.windowOf(p.processId());
            return w && x.wmState(w) == X11Client::WmState::normal;
        });
        return w && x.wmState(w) == X11Client::WmState::normal ? w : 0;
    }
    /// Plays a panel: a watcher on its own connection that the app's item registers with.
    QString registeredTrayItem(FakeWatcher& watcher) {
        const QDeadlineTimer deadline(15'000);
        while (watcher.registered.isEmpty() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return watcher.registered.value(0);
    }
    static QDBusMessage callItem(QDBusConnection& panel, const QString& item, const QString& path,
                                 const QString& interface, const QString& member, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(item, path, interface, member);
        m.setArguments(args);
        return panel.call(m, QDBus::Block, 5000);
    }
    /// The menu entry's id by its label, -1 when the menu has none.
    static int menuEntry(QDBusConnection& panel, const QString& item, const QString& label) {
        const QDBusMessage layout =
            callItem(panel, item, "/MenuBar", "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
        if (layout.type() != QDBusMessage::ReplyMessage) return -1;
        DBusMenuLayoutItem root;
        layout.arguments().value(1).value<QDBusArgument>() >> root;
        for (const DBusMenuLayoutItem& child : root.children)
            if (child.properties.value("label").toString() == label) return child.id;
        return -1;
    }
    static void clickMenu(QDBusConnection& panel, const QString& item, int id) {
        callItem(panel, item, "/MenuBar", "com.canonical.dbusmenu", "Event",
                 {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    }

    TempHome home;
    XvfbServer xvfb;
    QProcess first;
    QProcess second;
    QProcess windowManager;
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
        return QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/lumora/widget-snapshot.json");
    })) << "the start sequence publishes the widget snapshot";

    // A start with an option it does not know is a usage error, and leaves the running copy alone.
    start(second, {"--hidden", "--bogus"});
    ASSERT_TRUE(second.waitForFinished(10'000));
    EXPECT_EQ(second.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardError()),
              "lumora: pilihan tidak dikenal: --bogus (lihat: lumora help)\n");

    start(second);
    ASSERT_TRUE(second.waitForFinished(10'000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return firstErr(first).contains("asked to activate"); }));
    EXPECT_EQ(firstErr(first).count("asked to activate"), 1) << "only the good start woke the first copy";
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

    for (const char* label : {"Buka Lumora", "Muat ulang jadwal"})
        EXPECT_GE(menuEntry(panel, item, label), 0) << label;
    const int exitId = menuEntry(panel, item, "Exit");
    ASSERT_GE(exitId, 0);
    clickMenu(panel, item, exitId);
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
            return QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/lumora/widget-snapshot.json");
        }));
        first.terminate();
        ASSERT_TRUE(first.waitForFinished(10'000));
        QFile::remove(qEnvironmentVariable("XDG_DATA_HOME") + "/lumora/widget-snapshot.json");
    }
    bus.unregisterService(watcher);
}

// Every way back to the window brings it back from the taskbar, not only to the front of the stack.
TEST_F(DesktopApp, AMinimizedWindowIsRestoredByEveryWayBackToIt) {
    X11Client x;
    ASSERT_TRUE(startWindowManager(x));
    registerTrayDBusTypes();
    QDBusConnection panel = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "test-panel");
    FakeWatcher watcher(panel);
    ASSERT_TRUE(watcher.start());
    start(first);
    const QString item = registeredTrayItem(watcher);
    ASSERT_FALSE(item.isEmpty()) << firstErr(first).toStdString();
    const xcb_window_t window = mappedWindow(x, first);
    ASSERT_NE(window, 0u) << firstErr(first).toStdString();
    // The start sequence ends by bringing the window forward once more; minimizing starts after it.
    ASSERT_TRUE(waitFor([&] { return firstErr(first).contains("window shown at start"); }));
    QThread::msleep(500);

    const struct {
        const char* way;
        std::function<void()> open;
    } ways[] = {
        {"the menu's Buka Lumora", [&] { clickMenu(panel, item, menuEntry(panel, item, "Buka Lumora")); }},
        {"a click on the item",
         [&] {
             callItem(panel, item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {0, 0});
         }},
        {"a second start",
         [&] {
             start(second);
             second.waitForFinished(10'000);
         }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        x.iconify(window);
        ASSERT_TRUE(x.waitFor([&] { return x.wmState(window) == X11Client::WmState::iconic; }));
        // The app learns of the new state from the same property change; a person clicks long after it.
        QThread::msleep(300);
        w.open();
        EXPECT_TRUE(x.waitFor([&] { return x.wmState(window) == X11Client::WmState::normal; }))
            << firstErr(first).toStdString();
        // Raising goes on for a moment after the window is mapped again (activation, stacking); a person
        // minimizes again only after it, and an iconify sent in the middle of it is undone by it.
        QThread::msleep(500);
    }
    EXPECT_EQ(first.state(), QProcess::Running);
    QDBusConnection::disconnectFromBus("test-panel");
}

// With nothing in a panel to reopen it from, closing the window ends the app rather than leaving it
// running out of reach; with a tray it only hides.
TEST_F(DesktopApp, ClosingTheWindowQuitsOnlyWithoutATrayItem) {
    X11Client x;
    ASSERT_TRUE(startWindowManager(x));
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    for (const bool trayHost : {true, false}) {
        SCOPED_TRACE(trayHost ? "with a tray host" : "without one");
        if (trayHost)
            ASSERT_TRUE(bus.registerService(watcher));
        else
            bus.unregisterService(watcher);
        m_firstErr.clear();
        start(first);
        const xcb_window_t window = mappedWindow(x, first);
        ASSERT_NE(window, 0u) << firstErr(first).toStdString();
        x.requestClose(window);
        if (trayHost) {
            EXPECT_TRUE(waitFor([&] { return firstErr(first).contains("the app goes on in the tray"); }))
                << m_firstErr.toStdString();
            EXPECT_TRUE(x.waitFor([&] { return x.wmState(window) == X11Client::WmState::withdrawn; }));
            EXPECT_EQ(first.state(), QProcess::Running);
            first.terminate();
        }
        ASSERT_TRUE(first.waitForFinished(10'000)) << firstErr(first).toStdString();
        EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(first.exitCode(), 0);
        EXPECT_EQ(firstErr(first).contains("no tray item is shown: quitting"), !trayHost)
            << m_firstErr.toStdString();
    }
    bus.unregisterService(watcher);
}

TEST_F(DesktopApp, CtrlQInTheWindowQuits) {
    X11Client x;
    ASSERT_TRUE(startWindowManager(x));
    // A tray host, so nothing but the key could end the app.
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    start(first);
    const xcb_window_t window = mappedWindow(x, first);
    ASSERT_NE(window, 0u) << firstErr(first).toStdString();
    x.activate(window);
    ASSERT_TRUE(x.waitFor([&] { return x.activeWindow() == window; }));
    // Let Qt hear of its focus before the key arrives.
    ASSERT_FALSE(first.waitForFinished(300));
    ASSERT_TRUE(x.pressKey(window, 'q', XCB_MOD_MASK_CONTROL));
    ASSERT_TRUE(first.waitForFinished(10'000)) << firstErr(first).toStdString();
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

// LUMORA_LOCATION=Jayapura is for that run: the app shows Jayapura, but nothing of it is kept as the
// device's last fix, so the next run without it is where the device was (here, never located: Jakarta).
TEST_F(DesktopApp, APinnedLocationIsNotKeptAsTheDevicesLastFix) {
    const QString settings = qEnvironmentVariable("XDG_CONFIG_HOME") + "/lumora/lumora.conf";
    const QString snapshot = qEnvironmentVariable("XDG_DATA_HOME") + "/lumora/widget-snapshot.json";
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

// A preference changed while the app runs reaches it without a restart: a correction is a new snapshot, a
// reminder a new plan of pending notifications.
TEST_F(DesktopApp, PreferencesChangedByTheCommandLineApplyWhileItRuns) {
    const QString snapshot = qEnvironmentVariable("XDG_DATA_HOME") + "/lumora/widget-snapshot.json";
    start(first, {}, {{"QT_LOGGING_RULES", "lumora.app.debug=true;lumora.core.debug=true"}});
    ASSERT_TRUE(listening(first)) << m_firstErr.toStdString();
    const auto subuh = [&]() -> QString {
        QFile f(snapshot);
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QJsonObject day = QJsonDocument::fromJson(f.readAll()).object()["todayDay"].toObject();
        for (const QJsonValue& slot : day["slots"].toArray())
            if (slot.toObject()["name"].toString() == "subuh") return slot.toObject()["time"].toString();
        return {};
    };
    ASSERT_TRUE(waitFor([&] { return !subuh().isEmpty(); }));
    const QTime before = QTime::fromString(subuh(), "HH:mm");
    ASSERT_TRUE(before.isValid()) << subuh().toStdString();

    const auto config = [&](const QStringList& args) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove("LUMORA_LOCATION");
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(LUMORA_BINARY), QStringList{"config", "set"} + args);
        return p.waitForFinished(30'000) && p.exitCode() == 0;
    };
    ASSERT_TRUE(config({"schedule.correction.subuh", "3"}));
    EXPECT_TRUE(waitFor([&] { return subuh() == before.addSecs(180).toString("HH:mm"); }))
        << "subuh " << subuh().toStdString() << ", was " << before.toString("HH:mm").toStdString();

    ASSERT_TRUE(config({"reminders.ashar.before", "7"}));
    EXPECT_TRUE(waitFor([&] { return firstErr(first).contains("reminders changed"); }))
        << m_firstErr.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
}

} // namespace
} // namespace lumora::test
