#include "widget/widget_host_window.h"

#include "widget_fixtures.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QScreen>
#include <QSettings>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumora;
using test::at;

namespace {

// A host on a private bus connection that is not connected: it reloads only by its own clock.
struct Host {
    explicit Host(Instant start, std::optional<WidgetFamily> family = std::nullopt)
        : clock(start), snapshotPath(home.path() + "/snapshot.json"),
          settingsPath(home.path() + "/lumora.conf") {
        writeSnapshot("Kota Jakarta");
        create(family);
    }
    void create(std::optional<WidgetFamily> family = std::nullopt) {
        window = std::make_unique<WidgetHostWindow>(clock, LumoraWidgetProvider(snapshotPath), settingsPath,
                                                    family, QDBusConnection(QStringLiteral("none")));
    }
    void writeSnapshot(const QString& city) {
        ASSERT_TRUE(test::writeFile(snapshotPath, *test::widgetSnapshot(city).toJsonBytes()));
    }
    QString shownCity() const { return window->currentEntry()->viewModel().cityName; }

    test::TempHome home;
    ManualClock clock;
    QString snapshotPath;
    QString settingsPath;
    std::unique_ptr<WidgetHostWindow> window;
};

} // namespace

TEST(WidgetHostWindow, SwitchesEntriesWhenTheirDateComes) {
    Host host(at("2026-01-01T11:57:30"));
    QSignalSpy shown(host.window.get(), &WidgetHostWindow::entryShown);
    EXPECT_EQ(host.window->currentEntry()->date, at("2026-01-01T11:57:30"));
    // The next entry is on the whole minute, where the tray and the window change too.
    EXPECT_EQ(host.window->nextWakeAt(), at("2026-01-01T11:58:00"));
    EXPECT_EQ(host.window->wakeTimer().interval(), 30000);
    EXPECT_TRUE(host.window->wakeTimer().isActive());

    // Woken early (a coarse timer, a clock set forward by hand): nothing changes, it sleeps the rest.
    host.clock.set(at("2026-01-01T11:57:45"));
    host.window->wake();
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(host.window->wakeTimer().interval(), 15000);

    host.clock.set(at("2026-01-01T11:58:00"));
    host.window->wake();
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].value<LumoraWidgetEntry>().date, at("2026-01-01T11:58:00"));
    EXPECT_EQ(host.window->currentEntry()->viewModel().statusText, "-2 menit");
    EXPECT_EQ(host.window->wakeTimer().interval(), 60000);
}

TEST(WidgetHostWindow, ItsOwnTimerBringsTheNextEntry) {
    Host host(at("2026-01-01T11:59:00"));
    QSignalSpy shown(host.window.get(), &WidgetHostWindow::entryShown);
    // 50 ms before the next entry by the injected clock; the real timer must then fire and show it.
    host.clock.set(at("2026-01-01T12:00:00") - 0.05);
    host.window->wake();
    EXPECT_LE(host.window->wakeTimer().interval(), 50);
    host.clock.set(at("2026-01-01T12:00:00"));
    ASSERT_TRUE(shown.wait(2000));
    EXPECT_EQ(host.window->currentEntry()->date, at("2026-01-01T12:00:00"));
    EXPECT_EQ(host.window->currentEntry()->viewModel().statusText, "SAATNYA ADZAN");
}

TEST(WidgetHostWindow, RereadsTheSnapshotAtTheReloadTime) {
    Host host(at("2026-01-01T10:00:30"));
    QSignalSpy reloaded(host.window.get(), &WidgetHostWindow::timelineReloaded);
    host.writeSnapshot("Bogor");

    // The last entry stays on show until the reload time.
    host.clock.set(at("2026-01-01T11:00:30"));
    host.window->wake();
    EXPECT_EQ(reloaded.count(), 0);
    EXPECT_EQ(host.shownCity(), "KOTA JAKARTA");
    EXPECT_EQ(host.window->nextWakeAt(), at("2026-01-01T11:01:00"));

    host.clock.set(at("2026-01-01T11:01:00"));
    host.window->wake();
    EXPECT_EQ(reloaded.count(), 1);
    EXPECT_EQ(host.shownCity(), "BOGOR");
    EXPECT_EQ(host.window->timeline().entries.first().date, at("2026-01-01T11:01:00"));
    EXPECT_EQ(host.window->timeline().reloadAt, at("2026-01-01T12:02:00"));
}

TEST(WidgetHostWindow, AClockSetBackBeforeTheTimelineReloads) {
    Host host(at("2026-01-01T10:00:30"));
    QSignalSpy reloaded(host.window.get(), &WidgetHostWindow::timelineReloaded);
    host.clock.set(at("2026-01-01T09:00:00"));
    host.window->wake();
    EXPECT_EQ(reloaded.count(), 1);
    EXPECT_EQ(host.window->currentEntry()->date, at("2026-01-01T09:00:00"));
}

TEST(WidgetHostWindow, RemembersFamilyAndPosition) {
    Host host(at("2026-01-01T10:00:30"));
    EXPECT_EQ(host.window->family(), WidgetFamily::small);
    EXPECT_EQ(host.window->size(), QSize(170, 170));

    host.window->setFamily(WidgetFamily::medium);
    EXPECT_EQ(host.window->size(), QSize(364, 170));
    host.window->show();
    host.window->move(140, 90);
    host.window.reset(); // a pending position is written on the way out

    QSettings settings(host.settingsPath, QSettings::IniFormat);
    EXPECT_EQ(settings.value("widget.family").toString(), "medium");
    EXPECT_EQ(settings.value("widget.position").toPoint(), QPoint(140, 90));

    host.create();
    EXPECT_EQ(host.window->family(), WidgetFamily::medium);
    EXPECT_EQ(host.window->pos(), QPoint(140, 90));

    // The command line's family wins for the run without being stored.
    host.create(WidgetFamily::small);
    EXPECT_EQ(host.window->family(), WidgetFamily::small);
    EXPECT_EQ(host.window->size(), QSize(170, 170));
    EXPECT_EQ(QSettings(host.settingsPath, QSettings::IniFormat).value("widget.family").toString(), "medium");
}

TEST(WidgetHostWindow, ChangingSizeStaysOnTheScreen) {
    Host host(at("2026-01-01T10:00:30"));
    const QRect area = host.window->screen()->availableGeometry();
    ASSERT_GT(area.width(), 364);
    // The first start's place sits by the top right corner, so the medium size grows to the left.
    const QRect first = host.window->geometry();
    ASSERT_TRUE(area.contains(first));
    host.window->setFamily(WidgetFamily::medium);
    EXPECT_TRUE(area.contains(host.window->geometry()));
    EXPECT_EQ(host.window->geometry().right(), first.right());
    host.window->setFamily(WidgetFamily::small);
    EXPECT_EQ(host.window->geometry(), first);

    // A place stored on a screen that is no longer there comes back into view.
    QSettings(host.settingsPath, QSettings::IniFormat)
        .setValue("widget.position", QPoint(area.right() + 400, 10));
    host.create(WidgetFamily::medium);
    EXPECT_TRUE(area.contains(host.window->geometry()));
}

TEST(WidgetHostWindow, IsAFramelessToolWindowBelowTheOthers) {
    Host host(at("2026-01-01T10:00:30"));
    const Qt::WindowFlags flags = host.window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnBottomHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(host.window->isListening());
}
