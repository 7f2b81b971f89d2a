#pragma once

// moc 6.4 cannot parse libstdc++'s <compare>, which instant.h pulls in; moc needs nothing from it.
#ifndef Q_MOC_RUN
#include "model/app_state.h"
#include "model/instant.h"
#endif

#include "places/autostart.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace lumora {

class AppViewModel;
class TrayItem;

/// The app's tray item, kept in step with the view model: the title beside the icon, its colour, the
/// tooltip and the menu; plus a one-minute watchdog that moves the clocks on and every fifth minute asks for
/// a refresh, so a stalled clock or a missed wake-up never leaves the panel stale for long.
class MenuBarController : public QObject {
    Q_OBJECT
public:
    static constexpr int kWatchdogMs = 60'000;

    explicit MenuBarController(const Clock& clock = SystemClock::instance(),
                               QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);
    ~MenuBarController() override;

    /// Binds to `viewModel` (held weakly): renders at once and on every change, and (re)starts the watchdog
    /// with its count at zero. The tray item is made on the first attach and kept.
    void attach(AppViewModel& viewModel, std::function<void()> refreshAction);
    void update(const AppState& state, Instant now, Instant blinkNow);

    /// One watchdog firing; public so tests need not wait a minute.
    void watchdogFired();
    int watchdogTicks() const { return m_watchdogTicks; }
    /// None before the first attach.
    TrayItem* statusItem() const { return m_statusItem.get(); }
    /// The menu's "Mulai saat login" check item, which writes or removes the start-at-login entry.
    int autostartEntry() const { return m_autostartEntry; }

Q_SIGNALS:
    /// "Buka Lumora" in the menu, or a click on the item.
    void openAppRequested();
    /// "Exit" in the menu.
    void exitAppRequested();

private:
    void render();

    const Clock& m_clock;
    QDBusConnection m_bus;
    std::unique_ptr<TrayItem> m_statusItem;
    QPointer<AppViewModel> m_viewModel;
    std::function<void()> m_refreshAction;
    QList<QMetaObject::Connection> m_subscriptions;
    QTimer m_watchdog;
    int m_watchdogTicks = 0;
    Autostart m_autostart;
    int m_autostartEntry = 0;
};

} // namespace lumora
