#include "shell/tray_item.h"

#include "shell/tray_icon_factory.h"
#include "shell/status_notifier_item.h"
#include "shell/tray_menu.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace lumora {

namespace {

constexpr QChar figureSpace(0x2007);

} // namespace

QString TrayItem::defaultLabelGuide() {
    return QStringLiteral(" DHUHA / ISYROQ -00j 00m");
}

const QList<int>& TrayItem::iconSizes() {
    static const QList<int> sizes{16, 22, 24, 32, 48};
    return sizes;
}

TrayItem::TrayItem(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_menu(new TrayMenu(this)) {
    m_timeEntry = m_menu->addItem(QStringLiteral("--:--"));
    m_menu->setEnabled(m_timeEntry, false);
    m_menu->addSeparator();
    m_menu->addItem(QStringLiteral("Buka Lumora"), [this] { Q_EMIT openRequested(); });
    m_menu->addItem(QStringLiteral("Muat ulang jadwal"), [this] { Q_EMIT refreshRequested(); });
    m_exitEntry = m_menu->addItem(
        QStringLiteral("Exit"), [this] { Q_EMIT exitRequested(); }, QStringLiteral("q"));

    const QString watcher = QString::fromLatin1(StatusNotifierItem::watcherService);
    if (m_bus.isConnected()) {
        // A panel started after the app (a usual race at login) still gets the labelled item.
        m_watcherWatch =
            new QDBusServiceWatcher(watcher, m_bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_watcherWatch, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            if (m_backend != Backend::statusNotifier) useStatusNotifier();
        });
    }
    if (m_bus.isConnected() && m_bus.interface() && m_bus.interface()->isServiceRegistered(watcher).value())
        useStatusNotifier();
    else if (qobject_cast<QApplication*>(QCoreApplication::instance()) &&
             QSystemTrayIcon::isSystemTrayAvailable())
        useSystemTray();
    flush();
}

TrayItem::~TrayItem() {
    delete m_fallbackMenu;
}

void TrayItem::setTitle(const QString& title) {
    if (title == m_title) return;
    m_title = title;
    scheduleFlush();
}

void TrayItem::setColor(TrayColor color) {
    if (color == m_color) return;
    m_color = color;
    scheduleFlush();
}

void TrayItem::setToolTip(const QString& text) {
    if (text == m_toolTip) return;
    m_toolTip = text;
    scheduleFlush();
}

void TrayItem::setMenuTime(const QString& time) {
    m_menu->setLabel(m_timeEntry, time);
}

QString TrayItem::shownLabel() const {
    // A panel label has no colour, so the title colour goes to the icon badge. The one colour a label can
    // show is none: in the dark half of a blink (`clear`) the text gives way to figure spaces, one per
    // character, so the label keeps its width and the panel does not reflow every second.
    if (m_color == TrayColor::clear) return QString(m_title.size(), figureSpace);
    return m_title;
}

SniPixmapList TrayItem::pixmapsFor(TrayColor color) const {
    SniPixmapList pixmaps;
    for (int size : iconSizes())
        pixmaps.append(toSniPixmap(TrayIconFactory::mosqueDome(size, trayBadgeColor(color))));
    return pixmaps;
}

void TrayItem::scheduleFlush() {
    if (m_flushPending) return;
    m_flushPending = true;
    QTimer::singleShot(0, this, [this] { flush(); });
}

void TrayItem::flush() {
    m_flushPending = false;
    if (m_sni) {
        // Cheap to recompute, and the item compares before announcing anything.
        m_sni->setIconPixmap(pixmapsFor(m_color));
        // The tooltip carries the countdown, so it changes with the label once a minute; the label's NewTitle
        // already has hosts read everything again, and a NewToolTip beside it would only add traffic.
        const QString label = shownLabel();
        m_sni->setToolTip(m_toolTip, label == m_sni->label());
        m_sni->setLabel(label, defaultLabelGuide());
    }
    if (m_systemTray) {
        QIcon icon;
        for (int size : iconSizes())
            icon.addPixmap(QPixmap::fromImage(TrayIconFactory::mosqueDome(size, trayBadgeColor(m_color))));
        m_systemTray->setIcon(icon);
        m_systemTray->setToolTip(m_title.trimmed());
    }
}

void TrayItem::useStatusNotifier() {
    delete m_systemTray;
    m_systemTray = nullptr;
    delete m_fallbackMenu;
    m_fallbackMenu = nullptr;
    m_sni = new StatusNotifierItem(m_menu, m_bus, this);
    connect(m_sni, &StatusNotifierItem::activated, this, &TrayItem::openRequested);
    m_backend = Backend::statusNotifier;
    flush();
}

void TrayItem::useSystemTray() {
    m_systemTray = new QSystemTrayIcon(this);
    m_fallbackMenu = new QMenu;
    rebuildFallbackMenu();
    connect(m_menu, &TrayMenu::layoutChanged, this, &TrayItem::rebuildFallbackMenu);
    connect(m_menu, &TrayMenu::entryChanged, this, &TrayItem::rebuildFallbackMenu);
    m_systemTray->setContextMenu(m_fallbackMenu);
    connect(m_systemTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    Q_EMIT openRequested();
            });
    m_backend = Backend::systemTray;
    m_systemTray->show();
}

void TrayItem::rebuildFallbackMenu() {
    if (!m_fallbackMenu) return;
    m_fallbackMenu->clear();
    for (const TrayMenuEntry& entry : m_menu->entries()) {
        if (entry.kind == TrayMenuEntry::Kind::separator) {
            m_fallbackMenu->addSeparator();
            continue;
        }
        QAction* action = m_fallbackMenu->addAction(entry.label);
        action->setEnabled(entry.enabled);
        if (entry.kind == TrayMenuEntry::Kind::checkmark) {
            action->setCheckable(true);
            action->setChecked(entry.checked);
        }
        if (!entry.shortcutKey.isEmpty()) action->setShortcut(QKeySequence(entry.shortcutKey));
        const int id = entry.id;
        // Queued: the action may rebuild this very menu.
        connect(
            action, &QAction::triggered, this, [this, id] { m_menu->trigger(id); }, Qt::QueuedConnection);
    }
}

} // namespace lumora
