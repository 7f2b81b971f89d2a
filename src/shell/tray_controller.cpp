#include "tray_controller.h"

#include "core/app_view_model.h"
#include "model/tray_presentation.h"
#include "shell/tray_item.h"
#include "shell/tray_menu.h"

namespace lumora {

TrayController::TrayController(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {}

TrayController::~TrayController() = default;

void TrayController::attach(AppViewModel& viewModel) {
    m_viewModel = &viewModel;
    if (!m_statusItem) {
        m_statusItem = std::make_unique<TrayItem>(m_bus);
        connect(m_statusItem.get(), &TrayItem::openRequested, this, &TrayController::openAppRequested);
        connect(m_statusItem.get(), &TrayItem::exitRequested, this, &TrayController::exitAppRequested);
        // The same refresh the window's button runs, for a user who only ever sees the panel.
        connect(m_statusItem.get(), &TrayItem::refreshRequested, this, &TrayController::refreshRequested);
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
        m_subscriptions << connect(&viewModel, changed, this, &TrayController::render);
    render();
}

void TrayController::render() {
    if (m_viewModel)
        update(m_viewModel->state(), m_viewModel->countdownNow(), m_viewModel->blinkNow(),
               m_viewModel->locationStatus());
}

void TrayController::update(const AppState& state, Instant now, Instant blinkNow,
                               const QString& locationStatus) {
    if (!m_statusItem) return;
    const TrayPresentation p = presentTray(state, now, blinkNow, locationStatus);
    // The item compares each value with what the host already has and announces only real changes, so a
    // render every second costs nothing on the bus between minutes.
    m_statusItem->setTitle(p.title);
    m_statusItem->setColor(p.color);
    m_statusItem->setToolTip(p.tooltip);
    m_statusItem->setMenuTime(p.menuTimeText);
}

} // namespace lumora
