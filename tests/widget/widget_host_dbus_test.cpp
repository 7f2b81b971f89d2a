// Runs inside its own session bus (dbus-run-session): the reload signal travels on a real bus, and the host
// program's single-instance rule is tried with real processes.
#include "widget/widget_host_window.h"

#include "snapshot/widget_reload.h"
#include "widget_fixtures.h"

#include "support/temp_home.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumora;

namespace {

bool onPrivateBus() {
    return qEnvironmentVariableIsSet("LUMORA_TEST_PRIVATE_BUS") &&
           QDBusConnection::sessionBus().isConnected();
}

// Whether some process holds the flock on `path`.
bool isLocked(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

} // namespace

TEST(WidgetHostBus, ReloadsWhenTheAppAsksForItsKind) {
    if (!onPrivateBus()) GTEST_SKIP() << "needs the private session bus of dbus-run-session";
    test::TempHome home;
    const QString path = home.path() + "/snapshot.json";
    ASSERT_TRUE(test::writeFile(path, *test::widgetSnapshot("Kota Jakarta").toJsonBytes()));
    const ManualClock clock(test::at("2026-01-01T10:00:30"));
    WidgetHostWindow host(clock, LumoraWidgetProvider(path), home.path() + "/lumora.conf");
    ASSERT_TRUE(host.isListening());
    QSignalSpy reloaded(&host, &WidgetHostWindow::timelineReloaded);

    ASSERT_TRUE(test::writeFile(path, *test::widgetSnapshot("Depok").toJsonBytes()));
    ASSERT_TRUE(WidgetReload::reloadTimelines("someOtherWidget"));
    ASSERT_TRUE(WidgetReload::reloadTimelines());
    ASSERT_TRUE(reloaded.wait(5000));
    QTest::qWait(200); // a reload for the other kind would have arrived first
    EXPECT_EQ(reloaded.count(), 1) << "only the kind lumoraWidget reloads";
    EXPECT_EQ(host.currentEntry()->viewModel().cityName, "DEPOK");
}

// Any process may send the signal: a flood costs a reload a second at most, and the last request still lands.
TEST(WidgetHostBus, AFloodOfReloadSignalsReloadsAtMostOnceASecond) {
    if (!onPrivateBus()) GTEST_SKIP() << "needs the private session bus of dbus-run-session";
    test::TempHome home;
    const QString path = home.path() + "/snapshot.json";
    ASSERT_TRUE(test::writeFile(path, *test::widgetSnapshot("Kota Jakarta").toJsonBytes()));
    const ManualClock clock(test::at("2026-01-01T10:00:30"));
    WidgetHostWindow host(clock, LumoraWidgetProvider(path), home.path() + "/lumora.conf");
    ASSERT_TRUE(host.isListening());
    WidgetReload::Listener listener;
    QSignalSpy heard(&listener, &WidgetReload::Listener::reloadRequested);
    QSignalSpy reloaded(&host, &WidgetHostWindow::timelineReloaded);

    QDBusConnection sender = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "flood");
    ASSERT_TRUE(sender.isConnected());
    const QString kind = QStringLiteral("lumoraWidget");
    const QStringList spoofs = {kind + QString(100'000, QLatin1Char('x')), QString(100'000, QLatin1Char('l')),
                                kind.left(11), QStringLiteral("LUMORAWIDGET")};
    QElapsedTimer elapsed;
    elapsed.start();
    constexpr int kFlood = 20'000;
    for (int i = 0; i < kFlood; ++i) {
        ASSERT_TRUE(WidgetReload::reloadTimelines(kind, sender));
        if (i % 100 == 0) {
            ASSERT_TRUE(WidgetReload::reloadTimelines(spoofs[(i / 100) % spoofs.size()], sender));
        }
    }
    // The flood's last request comes after the snapshot changed: it must not be folded away.
    ASSERT_TRUE(test::writeFile(path, *test::widgetSnapshot("Depok").toJsonBytes()));
    ASSERT_TRUE(WidgetReload::reloadTimelines(kind, sender));
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() == kFlood + 1; }, 60'000)) << heard.size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.currentEntry()->viewModel().cityName == "DEPOK"; }, 5000));
    const qint64 seconds = elapsed.elapsed() / 1000;
    QTest::qWait(1200); // a reload still due would come within the second
    EXPECT_EQ(host.currentEntry()->viewModel().cityName, "DEPOK");
    EXPECT_LE(reloaded.count(), seconds + 2) << "over " << seconds << " s";
    EXPECT_GE(reloaded.count(), 1);
    const auto spoofsHeard = std::count_if(heard.begin(), heard.end(),
                                           [&](const QList<QVariant>& args) { return args.at(0) != kind; });
    EXPECT_EQ(spoofsHeard, 0);
}

TEST(WidgetHostBus, ASecondHostLeavesTheFirstAndSucceeds) {
    if (!onPrivateBus()) GTEST_SKIP() << "needs the private session bus of dbus-run-session";
    test::TempHome home;
    const QString lock = home.dataFolder() + "/lumora-widget.lock";
    QProcess first;
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(LUMORA_WIDGET_BINARY, {"--snapshot", home.path() + "/none.json"});
    ASSERT_TRUE(first.waitForStarted());
    for (int i = 0; i < 100 && !isLocked(lock); ++i)
        QTest::qWait(50);
    ASSERT_TRUE(isLocked(lock)) << "the first host holds the lock";

    QProcess second;
    second.start(LUMORA_WIDGET_BINARY, {"--family=medium"});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_FALSE(isLocked(lock)) << "the lock goes with the process";
}
