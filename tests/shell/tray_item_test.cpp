// The tray item without a session bus: the label rules and the menu as data.
#include "shell/tray_item.h"
#include "shell/tray_menu.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace lumora {
namespace {

QDBusConnection noBus() {
    return QDBusConnection(QStringLiteral("lumora-no-bus"));
}

TEST(TrayItem, WithoutAnyTrayItRunsWithNoBackend) {
    TrayItem tray(noBus());
    EXPECT_EQ(tray.backend(), TrayItem::Backend::none);
    tray.setTitle(QStringLiteral(" ASHAR -1j 15m"));
    EXPECT_EQ(tray.shownLabel(), QStringLiteral(" ASHAR -1j 15m"));
}

TEST(TrayItem, TheDarkHalfOfABlinkIsAFigureSpaceRunOfTheSameLength) {
    TrayItem tray(noBus());
    tray.setTitle(QStringLiteral(" MAGHRIB ADZAN"));
    tray.setColor(TrayColor::clear);
    EXPECT_EQ(tray.shownLabel(), QString(14, QChar(0x2007)));
    tray.setColor(TrayColor::red);
    EXPECT_EQ(tray.shownLabel(), QStringLiteral(" MAGHRIB ADZAN"));
}

TEST(TrayMenu, ChoosingRunsActionsExceptOnDisabledEntriesAndTogglesCheckItems) {
    TrayMenu menu;
    int opened = 0, toggled = 0;
    const int time = menu.addItem(QStringLiteral("05:12"), [&] { ++opened; });
    menu.setEnabled(time, false);
    const int open = menu.addItem(QStringLiteral("lumora"), [&] { ++opened; });
    const int login = menu.addCheckItem(QStringLiteral("Mulai saat login"), false, [&] { ++toggled; });
    int changes = 0;
    QObject::connect(&menu, &TrayMenu::entryChanged, [&](int id) { changes += id == login; });

    EXPECT_TRUE(menu.trigger(time));
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(menu.trigger(open));
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(menu.trigger(login));
    EXPECT_TRUE(menu.entry(login)->checked);
    EXPECT_EQ(toggled, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(menu.trigger(42));
}

} // namespace
} // namespace lumora
