// Runs inside its own session bus (dbus-run-session): the reload signal travels on a real bus, and the host
// program's single-instance rule is tried with real processes.
#include "widget/widget_host_window.h"

#include "snapshot/widget_reload.h"
#include "widget_fixtures.h"

#include "support/temp_home.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

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
