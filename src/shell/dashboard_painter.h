#pragma once

#include "dashboard_style.h"

#include "model/dashboard_model.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <memory>

class QPainter;

namespace lumora {

/// One frame to draw: the model being shown, the one it replaces, and how far each animation has run.
struct DashboardFrame {
    DashboardModel model;
    /// The model before the latest change; texts cross-fade from it and values blend from it.
    DashboardModel previous;
    /// 0...1 over 0.22 s after a phase change (scale, glow, accent, digit colour).
    double phaseProgress = 1.0;
    /// 0...1 over 0.15 s after a clock step (blinking and changed texts).
    double clockProgress = 1.0;
    /// Position of the indeterminate progress bar, 0...1, repeating.
    double loadingPosition = 0.3;
    bool refreshPressed = false;
    bool refreshFocused = false;
};

/// Draws the dashboard canvas with QPainter; keeps the blurred shadows it made for the last scale.
class DashboardPainter {
public:
    DashboardPainter();
    ~DashboardPainter();

    /// Paints the window's content of `contentSize` (logical pixels) on `painter`.
    void paint(QPainter& painter, QSizeF contentSize, const DashboardFrame& frame);
    /// Where the refresh button sits for a content of `contentSize`, in logical pixels.
    static QRectF refreshButtonRect(QSizeF contentSize);

private:
    struct Cache;
    std::unique_ptr<Cache> m_cache;
};

/// Renders the dashboard offscreen at `size` logical pixels and `devicePixelRatio` (for screenshots and
/// tests).
QImage renderDashboard(const DashboardModel& model, QSize size, double devicePixelRatio = 1.0);
/// One frame, as it stands, into an image of `size` at `devicePixelRatio`.
QImage renderDashboardFrame(DashboardPainter& painter, const DashboardFrame& frame, QSize size,
                            double devicePixelRatio);

} // namespace lumora
