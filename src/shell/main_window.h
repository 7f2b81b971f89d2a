#pragma once

#include "dashboard_view.h"
#include "window_metrics.h"

#include "places/storage.h"

#include <QTimer>
#include <QWidget>

namespace lumora {

/// The main window: hosts the dashboard, keeps the canvas's aspect ratio and minimum, opens at the canvas
/// size where it was left, and only hides when closed (the app decides whether it lives on in the tray).
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    /// Reads the ratio and the last position from `settings`, where it also keeps its frame.
    explicit MainWindow(Settings settings, QWidget* parent = nullptr);

    DashboardView* dashboard() const { return m_view; }
    /// The ratio this window keeps (the stored content size of the last run, else the canvas size).
    QSizeF lockedAspectRatio() const { return m_aspect; }

Q_SIGNALS:
    /// The user (through the window manager) closed the window; it is only hidden, and whoever runs the app
    /// decides whether that ends it.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void placeInitially();
    void correctAspect();
    void saveFrame();
    void applyWindowManagerHints();

    Settings m_settings;
    DashboardView* m_view;
    QSizeF m_aspect;
    /// The size when the current resize began; the resize rule measures changes from it.
    QSize m_resizeStart;
    bool m_placed = false;
    QTimer m_resizeEnd;
    QTimer m_correction;
    QTimer m_hints;
};

} // namespace lumora
