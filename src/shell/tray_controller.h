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

#include <memory>

namespace lumora {

class AppViewModel;
class TrayItem;

/// The app's tray item, kept in step with the view model: the title beside the icon, its colour, the
/// tooltip and the menu. It only renders what the view model publishes; the view model keeps the clock.
class TrayController : public QObject {
    Q_OBJECT
public:
    explicit TrayController(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);
    ~TrayController() override;

    /// Binds to `viewModel` (held weakly): renders at once and on every change. The tray item is made on the
    /// first attach and kept.
    void attach(AppViewModel& viewModel);
    void update(const AppState& state, Instant now, Instant blinkNow, const QString& locationStatus = {});
    /// None before the first attach.
    TrayItem* statusItem() const { return m_statusItem.get(); }
    /// The menu's "Mulai saat login" check item, which writes or removes the start-at-login entry.
    int autostartEntry() const { return m_autostartEntry; }

Q_SIGNALS:
    /// "Buka Lumora" in the menu, or a click on the item.
    void openAppRequested();
    /// "Exit" in the menu.
    void exitAppRequested();
    /// "Muat ulang jadwal" in the menu: the same refresh as the window's button.
    void refreshRequested();

private:
    void render();

    QDBusConnection m_bus;
    std::unique_ptr<TrayItem> m_statusItem;
    QPointer<AppViewModel> m_viewModel;
    QList<QMetaObject::Connection> m_subscriptions;
    Autostart m_autostart;
    int m_autostartEntry = 0;
};

} // namespace lumora
