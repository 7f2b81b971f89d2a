#include "shell/tray_controller.h"

#include "core/app_config.h"
#include "core/app_services.h"
#include "core/app_view_model.h"
#include "model/date_helpers.h"
#include "model/tray_presentation.h"
#include "places/autostart.h"
#include "shell/tray_item.h"
#include "shell/tray_menu.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace lumora;

namespace {

/// The controller over a real view model on computed Jakarta times, with no bus: the item stays local.
class TrayControl : public ::testing::Test {
protected:
    static AppConfig config(const test::TempHome& home) {
        AppConfig c;
        c.dataFolder = home.dataFolder();
        c.settingsPath = home.path() + "/lumora.conf";
        c.notificationsEnabled = false;
        c.fixedLocation = GeoPoint{-6.2088, 106.8456};
        return c;
    }

    test::TempHome home;
    ManualClock clock{*DateHelpers::makeDate("2026-03-07", "15:00")};
    AppServices services{config(home), clock};
    AppViewModel vm{services.locationService(), services.repository(), nullptr, clock,
                    QDBusConnection("none")};
    TrayController controller{QDBusConnection("none")};
};

} // namespace

TEST_F(TrayControl, OneItemAcrossAttachesAndTheLocationStatusInItsTooltip) {
    EXPECT_EQ(controller.statusItem(), nullptr) << "no item before the first attach";
    controller.attach(vm);
    TrayItem* item = controller.statusItem();
    ASSERT_NE(item, nullptr);
    controller.attach(vm);
    EXPECT_EQ(controller.statusItem(), item);
    // The view model says how it knows where the user is; the tooltip's last line carries it.
    EXPECT_EQ(item->toolTip().split(u'\n').last(), vm.locationStatus());
    EXPECT_FALSE(vm.locationStatus().isEmpty());
}

TEST_F(TrayControl, TheItemShowsThePresentersTitleAndFollowsTheClock) {
    controller.attach(vm);
    // The view model computed today's Jakarta times at construction; ashar is the next prayer at 15:00.
    const auto expected = [&] { return presentTray(vm.state(), vm.countdownNow(), vm.blinkNow()).title; };
    EXPECT_EQ(controller.statusItem()->shownLabel(), expected());
    EXPECT_TRUE(expected().startsWith(" ASHAR -")) << expected().toStdString();
    clock.advance(600);
    vm.handleMinuteTick();
    EXPECT_EQ(controller.statusItem()->shownLabel(), expected());
}

// Each entry runs what it names: the window, the window button's refresh, or the end of the app.
TEST_F(TrayControl, TheMenuOpensRefreshesAndExits) {
    int refreshes = 0, opens = 0, exits = 0;
    QObject::connect(&controller, &TrayController::openAppRequested, [&] { ++opens; });
    QObject::connect(&controller, &TrayController::exitAppRequested, [&] { ++exits; });
    QObject::connect(&controller, &TrayController::refreshRequested, [&] { ++refreshes; });
    controller.attach(vm);
    TrayMenu* menu = controller.statusItem()->menu();
    QStringList labels;
    for (const TrayMenuEntry& e : menu->entries())
        labels << e.label;
    ASSERT_EQ(labels.mid(2), (QStringList{"Buka Lumora", "Muat ulang jadwal", "Mulai saat login", "Exit"}));

    const struct {
        const char* label;
        std::vector<int> counts; // opens, refreshes, exits after the click
    } clicks[] = {
        {"Muat ulang jadwal", {0, 1, 0}},
        {"Buka Lumora", {1, 1, 0}},
        {"Muat ulang jadwal", {1, 2, 0}},
        {"Exit", {1, 2, 1}},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.label);
        const auto entry = std::find_if(menu->entries().begin(), menu->entries().end(),
                                        [&](const TrayMenuEntry& e) { return e.label == c.label; });
        ASSERT_NE(entry, menu->entries().end());
        ASSERT_TRUE(menu->trigger(entry->id));
        EXPECT_EQ((std::vector<int>{opens, refreshes, exits}), c.counts);
    }
}

TEST_F(TrayControl, StartAtLoginIsACheckItemBeforeExitThatFollowsTheEntryFile) {
    controller.attach(vm);
    TrayMenu* menu = controller.statusItem()->menu();

    const Autostart autostart;
    const int id = controller.autostartEntry();
    ASSERT_FALSE(autostart.isEnabled());
    EXPECT_FALSE(menu->entry(id)->checked);
    ASSERT_TRUE(menu->trigger(id));
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_TRUE(menu->entry(id)->checked);
    ASSERT_TRUE(menu->trigger(id));
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_FALSE(menu->entry(id)->checked);
}
