#include "widget_host_window.h"

#include "base/settings.h"

#include "widget_placement.h"
#include "platform/linux/x11_window_hints.h"

#include "snapshot/widget_reload.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

// A sleep or a clock change delays a wake by at most this much.
constexpr double kMaxWakeSeconds = 60;
// Position writes wait until a drag has settled.
constexpr int kSaveDelayMs = 500;
// Signalled reloads are at least this far apart.
constexpr int kReloadSpacingMs = 1000;
// The first start places the widget this far in from the screen's top right corner.
constexpr int kScreenMargin = 24;

// The free area of the screen the widget stands on (mostly), else of the primary one; empty without a screen.
QRect availableAreaAt(const QRect& geometry, const QScreen* fallback) {
    const QScreen* screen = QGuiApplication::screenAt(geometry.center());
    if (!screen) screen = fallback;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

WidgetHostWindow::WidgetHostWindow(const Clock& clock, LumoraWidgetProvider provider,
                                   const QString& settingsPath, std::optional<WidgetFamily> family,
                                   QDBusConnection bus, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint | Qt::Tool), m_clock(clock),
      m_provider(std::move(provider)), m_settings(std::make_unique<Settings>(settingsPath)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QString::fromLatin1(LumoraWidget::kDisplayName));

    const auto stored =
        widgetFamilyFromName(m_settings->text(QString::fromLatin1(kFamilyKey)).value_or(QString()));
    m_family = family.value_or(stored.value_or(WidgetFamily::small));
    setFixedSize(widgetSize(m_family));

    const QVariant position = m_settings->value(QString::fromLatin1(kPositionKey)).value_or(QVariant());
    if (position.canConvert<QPoint>() && position.isValid()) {
        // A place saved on a screen that has since gone or shrunk is brought back into view.
        const QRect stored(position.toPoint(), size());
        move(widgetPlacement(availableAreaAt(stored, nullptr), stored, size()).topLeft());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - kScreenMargin, area.top() + kScreenMargin);
    }

    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_wakeTimer, &QTimer::timeout, this, &WidgetHostWindow::wake);
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &WidgetHostWindow::savePosition);

    m_reloadWindow.setSingleShot(true);
    m_reloadWindow.setInterval(kReloadSpacingMs);
    connect(&m_reloadWindow, &QTimer::timeout, this, [this] {
        if (!m_reloadPending) return;
        m_reloadPending = false;
        reloadTimeline();
        m_reloadWindow.start();
    });

    m_listener = new WidgetReload::Listener(bus, this);
    connect(m_listener, &WidgetReload::Listener::reloadRequested, this, &WidgetHostWindow::onReloadRequested);

    reloadTimeline();
}

WidgetHostWindow::~WidgetHostWindow() {
    if (m_saveTimer.isActive()) savePosition();
}

bool WidgetHostWindow::isListening() const {
    return m_listener->isListening();
}

Instant WidgetHostWindow::nextWakeAt() const {
    const Instant now = m_clock.now();
    Instant at = m_timeline.reloadAt;
    if (const auto next = m_timeline.nextEntryDate(now)) at = std::min(at, *next);
    return at;
}

void WidgetHostWindow::setFamily(WidgetFamily family) {
    m_settings->setText(QString::fromLatin1(kFamilyKey), familyName(family));
    if (family == m_family) return;
    m_family = family;
    const QRect placed =
        widgetPlacement(availableAreaAt(geometry(), screen()), geometry(), widgetSize(m_family));
    setFixedSize(placed.size());
    move(placed.topLeft());
    applyShape();
    update();
}

void WidgetHostWindow::showOnDesktop() {
    winId();
    X11WindowHints::apply(windowHandle(), false);
    show();
}

void WidgetHostWindow::reloadTimeline() {
    m_timeline = m_provider.getTimeline(m_clock);
    m_shownDate.reset();
    Q_EMIT timelineReloaded();
    showCurrentEntry();
    armTimer();
}

void WidgetHostWindow::wake() {
    const Instant now = m_clock.now();
    // Past the reload time, or before the first entry after the clock went back: the timeline is stale.
    if (now >= m_timeline.reloadAt || !m_timeline.entryAt(now)) {
        reloadTimeline();
        return;
    }
    showCurrentEntry();
    armTimer();
}

void WidgetHostWindow::onReloadRequested(const QString& kind) {
    if (kind != QString::fromLatin1(kWidgetKind)) return;
    // Inside the window the request only marks that a reload is due; the window's end performs it, so the
    // last request of a burst is never lost.
    if (m_reloadWindow.isActive()) {
        m_reloadPending = true;
        return;
    }
    reloadTimeline();
    m_reloadWindow.start();
}

void WidgetHostWindow::showCurrentEntry() {
    const LumoraWidgetEntry* entry = currentEntry();
    if (!entry || (m_shownDate && *m_shownDate == entry->date)) return;
    m_shownDate = entry->date;
    update();
    Q_EMIT entryShown(*entry);
}

void WidgetHostWindow::armTimer() {
    const double seconds = std::clamp(nextWakeAt() - m_clock.now(), 0.0, kMaxWakeSeconds);
    // Rounded up, so the host never wakes just before an entry's date and has to sleep again.
    m_wakeTimer.start(static_cast<int>(std::ceil(seconds * 1000)));
}

void WidgetHostWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const LumoraWidgetEntry* entry = currentEntry();
    const LumoraWidgetEntry fallback = entry ? *entry : m_provider.placeholder(m_clock);
    LumoraWidgetView::paint(p, fallback.viewModel(), m_family);
}

void WidgetHostWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_hintsApplied && windowHandle()) {
        m_hintsApplied = true;
        X11WindowHints::apply(windowHandle(), true);
    }
    applyShape();
}

void WidgetHostWindow::applyShape() {
    // Without a compositor translucent corners come out black; cut them off instead.
    if (!X11WindowHints::isX11() || X11WindowHints::hasCompositor()) {
        clearMask();
        return;
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), LumoraWidgetView::kCornerRadius, LumoraWidgetView::kCornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

void WidgetHostWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    // The window manager moves the window where it can (and on Wayland only it can).
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void WidgetHostWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragOffset) return QWidget::mouseMoveEvent(event);
    move(event->globalPosition().toPoint() - *m_dragOffset);
}

void WidgetHostWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

void WidgetHostWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) m_saveTimer.start();
}

void WidgetHostWindow::savePosition() {
    m_settings->setValue(QString::fromLatin1(kPositionKey), pos());
}

void WidgetHostWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    auto* group = new QActionGroup(&menu);
    const auto addFamily = [&](const QString& text, WidgetFamily family) {
        QAction* action = menu.addAction(text);
        action->setCheckable(true);
        action->setChecked(m_family == family);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, family] { setFamily(family); });
    };
    addFamily(QStringLiteral("Kecil"), WidgetFamily::small);
    addFamily(QStringLiteral("Sedang"), WidgetFamily::medium);
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("Keluar")), &QAction::triggered, qApp, &QCoreApplication::quit);
    menu.exec(event->globalPos());
}

} // namespace lumora
