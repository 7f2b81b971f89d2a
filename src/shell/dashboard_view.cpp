#include "dashboard_view.h"

#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace lumora {

namespace {

constexpr double kPhaseSeconds = 0.22;
constexpr double kClockSeconds = 0.15;
constexpr double kLoadingCycleSeconds = 1.4;
constexpr int kFrameMs = 16;

// A change of any of these is a phase change; anything else that differs is a clock step.
bool phaseDiffers(const DashboardModel& a, const DashboardModel& b) {
    return a.phase != b.phase || a.accent != b.accent || a.timeUrgent != b.timeUrgent ||
           a.countdownScale != b.countdownScale || a.countdownGlow != b.countdownGlow;
}

} // namespace

RefreshButton::RefreshButton(QWidget* parent) : QAbstractButton(parent) {
    setAccessibleName(QStringLiteral("Refresh Lokasi + Jadwal"));
    setToolTip(QStringLiteral("Refresh Lokasi + Jadwal"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // The parent paints the button face, including its pressed and focused looks.
    connect(this, &QAbstractButton::pressed, parent, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::released, parent, qOverload<>(&QWidget::update));
}

void RefreshButton::paintEvent(QPaintEvent*) {}

void RefreshButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool RefreshButton::hitButton(const QPoint& pos) const {
    const QPointF c = QRectF(rect()).center();
    const double dx = pos.x() + 0.5 - c.x(), dy = pos.y() + 0.5 - c.y();
    return std::hypot(dx, dy) <= width() / 2.0;
}

void RefreshButton::focusInEvent(QFocusEvent* event) {
    const Qt::FocusReason r = event->reason();
    m_keyboardFocus = r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
    parentWidget()->update();
}

void RefreshButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    parentWidget()->update();
}

DashboardView::DashboardView(QWidget* parent) : QWidget(parent), m_button(new RefreshButton(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
    m_timer.setInterval(kFrameMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &DashboardView::tick);
    connect(m_button, &QAbstractButton::clicked, this, &DashboardView::refreshRequested);
    m_frame.model = m_frame.previous = dashboardModel(AppState::placeholder(), {}, {}, false);
    m_loadingClock.start();
}

void DashboardView::setModel(const DashboardModel& model) {
    if (model == m_frame.model) return;
    if (!isVisible()) {
        // Nothing animates while hidden: the next show starts from the latest model.
        m_frame.model = m_frame.previous = model;
        m_frame.phaseProgress = m_frame.clockProgress = 1.0;
        updateTimer();
        return;
    }
    const bool phase = phaseDiffers(model, m_frame.model);
    m_frame.previous = m_frame.model;
    m_frame.model = model;
    if (phase) {
        m_frame.phaseProgress = 0;
        m_phaseClock.start();
    } else {
        m_frame.phaseProgress = 1.0;
    }
    m_frame.clockProgress = 0;
    m_clockClock.start();
    updateTimer();
    update();
}

bool DashboardView::animating() const {
    return m_frame.phaseProgress < 1.0 || m_frame.clockProgress < 1.0 || m_frame.model.loading;
}

void DashboardView::updateTimer() {
    if (isVisible() && animating()) {
        if (!m_timer.isActive()) m_timer.start();
    } else {
        m_timer.stop();
    }
}

void DashboardView::tick() {
    if (m_frame.phaseProgress < 1.0)
        m_frame.phaseProgress = std::min(1.0, m_phaseClock.elapsed() / 1000.0 / kPhaseSeconds);
    if (m_frame.clockProgress < 1.0)
        m_frame.clockProgress = std::min(1.0, m_clockClock.elapsed() / 1000.0 / kClockSeconds);
    if (m_frame.model.loading) {
        const double cycle = m_loadingClock.elapsed() / 1000.0 / kLoadingCycleSeconds;
        m_frame.loadingPosition = cycle - std::floor(cycle);
    }
    update();
    updateTimer();
}

void DashboardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    m_frame.refreshPressed = m_button->isDown();
    m_frame.refreshFocused = m_button->showsFocusRing();
    m_painter.paint(p, QSizeF(size()), m_frame);
}

void DashboardView::resizeEvent(QResizeEvent*) {
    m_button->setGeometry(DashboardPainter::refreshButtonRect(QSizeF(size())).toAlignedRect());
}

void DashboardView::showEvent(QShowEvent*) {
    updateTimer();
}

void DashboardView::hideEvent(QHideEvent*) {
    m_frame.phaseProgress = m_frame.clockProgress = 1.0;
    m_frame.previous = m_frame.model;
    m_timer.stop();
}

QImage DashboardView::renderToImage(QSize size, double devicePixelRatio) const {
    DashboardFrame frame = m_frame;
    frame.phaseProgress = frame.clockProgress = 1.0;
    frame.refreshPressed = frame.refreshFocused = false;
    return renderDashboardFrame(m_painter, frame, size, devicePixelRatio);
}

} // namespace lumora
