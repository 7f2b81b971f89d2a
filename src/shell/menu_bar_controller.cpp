#include "menu_bar_controller.h"

#include "core/app_view_model.h"
#include "model/tray_presentation.h"
#include "shell/tray_item.h"
#include "shell/tray_menu.h"

namespace lumora {

MenuBarController::MenuBarController(const Clock& clock, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_clock(clock), m_bus(std::move(bus)) {
    m_watchdog.setInterval(kWatchdogMs);
    connect(&m_watchdog, &QTimer::timeout, this, &MenuBarController::watchdogFired);
}

MenuBarController::~MenuBarController() = default;

void MenuBarController::attach(AppViewModel& viewModel, std::function<void()> refreshAction) {
    m_viewModel = &viewModel;
    m_refreshAction = std::move(refreshAction);
    if (!m_statusItem) {
        m_statusItem = std::make_unique<TrayItem>(m_bus);
        connect(m_statusItem.get(), &TrayItem::openRequested, this, &MenuBarController::openAppRequested);
        connect(m_statusItem.get(), &TrayItem::exitRequested, this, &MenuBarController::exitAppRequested);
        // The same refresh the window's button runs, for a user who only ever sees the panel.
        connect(m_statusItem.get(), &TrayItem::refreshRequested, this, [this] {
            if (m_refreshAction) m_refreshAction();
        });
        TrayMenu* menu = m_statusItem->menu();
        m_autostartEntry = menu->addCheckItem(
            QStringLiteral("Mulai saat login"), m_autostart.isEnabled(),
            [this, menu] {
                // The file decides, not the click: a write that failed leaves the mark as it was.
                if (m_autostart.isEnabled())
                    m_autostart.disable();
                else
                    m_autostart.enable();
                menu->setChecked(m_autostartEntry, m_autostart.isEnabled());
            },
            m_statusItem->exitEntry());
    }
    for (const auto& c : m_subscriptions)
        disconnect(c);
    m_subscriptions.clear();
    for (auto changed : {&AppViewModel::stateChanged, &AppViewModel::countdownNowChanged,
                         &AppViewModel::blinkNowChanged, &AppViewModel::locationStatusChanged})
        m_subscriptions << connect(&viewModel, changed, this, &MenuBarController::render);
    render();
    m_watchdogTicks = 0;
    m_watchdog.start();
}

void MenuBarController::render() {
    if (m_viewModel) update(m_viewModel->state(), m_viewModel->countdownNow(), m_viewModel->blinkNow());
}

void MenuBarController::update(const AppState& state, Instant now, Instant blinkNow) {
    if (!m_statusItem) return;
    const TrayPresentation p = presentTray(state, now, blinkNow);
    // The item compares each value with what the host already has and announces only real changes, so a
    // render every second costs nothing on the bus between minutes.
    m_statusItem->setTitle(p.title);
    m_statusItem->setColor(p.color);
    m_statusItem->setToolTip(p.tooltip);
    m_statusItem->setMenuTime(p.menuTimeText);
}

void MenuBarController::watchdogFired() {
    if (!m_viewModel) return;
    ++m_watchdogTicks;
    const Instant now = m_clock.now();
    m_viewModel->setCountdownNow(now);
    m_viewModel->setBlinkNow(now);
    update(m_viewModel->state(), now, now);
    if (m_watchdogTicks % 5 == 0 && m_refreshAction) m_refreshAction();
}

} // namespace lumora
