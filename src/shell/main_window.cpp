#include "main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "platform/linux/x11_window_hints.h"

#include <cmath>

namespace lumora {

namespace {

constexpr int kResizeEndMs = 300; // stands in for "the live resize ended"
constexpr double kAspectSlack = 0.002;

QSize ceilSize(QSizeF s) {
    return QSize(int(std::ceil(s.width() - 1e-9)), int(std::ceil(s.height() - 1e-9)));
}

QSize roundSize(QSizeF s) {
    return QSize(int(std::lround(s.width())), int(std::lround(s.height())));
}

} // namespace

MainWindow::MainWindow(Settings settings, QWidget* parent)
    : QWidget(parent), m_settings(std::move(settings)), m_view(new DashboardView(this)) {
    setWindowTitle(QStringLiteral("lumora"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, DashboardColors::windowBackground());
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    m_aspect = WindowFrameStore::savedAspectRatio(m_settings, WindowMetrics::kDesignWindowSize);
    setMinimumSize(ceilSize(WindowMetrics::kMinimumSize));
    resize(WindowMetrics::kDesignWindowSize.toSize());
    m_resizeStart = size();

    m_resizeEnd.setSingleShot(true);
    m_resizeEnd.setInterval(kResizeEndMs);
    connect(&m_resizeEnd, &QTimer::timeout, this, [this] {
        m_resizeStart = size();
        saveFrame();
    });
    // Corrections run after the resize that caused them has been handled, never inside it.
    m_correction.setSingleShot(true);
    m_correction.setInterval(0);
    connect(&m_correction, &QTimer::timeout, this, &MainWindow::correctAspect);

    // Qt rewrites WM_NORMAL_HINTS without the ratio whenever it sets the geometry itself; ours are put
    // back once the event that caused it has been handled.
    m_hints.setSingleShot(true);
    m_hints.setInterval(0);
    connect(&m_hints, &QTimer::timeout, this, &MainWindow::applyWindowManagerHints);

    placeInitially();
}

void MainWindow::placeInitially() {
    // The stored size is not used: the window always reopens at the canvas size, where it was left.
    resize(WindowMetrics::kDesignWindowSize.toSize());
    if (const std::optional<QRectF> frame = WindowFrameStore::load(m_settings)) {
        move(frame->topLeft().toPoint());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_hints.start(); // Qt writes its own hints once the window is mapped, after this event
    m_placed = true;
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // Qt rewrites the size hints whenever the window is created again; ours go back on top.
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::PlatformSurface) m_hints.start();
    return handled;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_placed) {
        m_resizeStart = size();
        return;
    }
    m_resizeEnd.start();
    m_correction.start();
    m_hints.start();
}

// A window manager may ignore the ratio in the size hints (and without one nothing enforces it), so a size
// that breaks it is corrected afterwards by the same rule. The rule compares with the size before the
// resize began, not with the last event: the server may still echo sizes that were asked for earlier.
void MainWindow::correctAspect() {
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const QSize target =
        roundSize(WindowMetrics::constrainedContentSize(QSizeF(m_resizeStart), QSizeF(size()), m_aspect));
    if (std::abs(target.width() - width()) <= 1 && std::abs(target.height() - height()) <= 1) return;
    resize(target);
    m_hints.start();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!m_placed) return;
    saveFrame();
    m_hints.start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveFrame();
    // The app keeps running in the tray: closing only hides the window.
    event->ignore();
    hide();
    // Only the user's close counts: the application closes its windows itself on the way out, too.
    if (event->spontaneous()) Q_EMIT closed();
}

void MainWindow::saveFrame() {
    WindowFrameStore::save(m_settings, QRectF(frameGeometry()), QSizeF(size()));
}

void MainWindow::applyWindowManagerHints() {
    if (!windowHandle()) return;
    // Whole pixels rarely meet a stored ratio such as 831:568 exactly: a slack of 0.2 % either way lets the
    // canvas size itself (731 x 500) through, instead of the window manager trimming it by a pixel.
    X11WindowHints::setSizeHints(windowHandle(), minimumSize(), m_aspect, kAspectSlack);
}

} // namespace lumora
