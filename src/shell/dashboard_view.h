#pragma once

#include "dashboard_painter.h"

#include "model/dashboard_model.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace lumora {

/// The round refresh button over the painted canvas: it draws only its pressed and focus states (the canvas
/// draws the button itself), so that it can be clicked, reached by keyboard and named for accessibility.
class RefreshButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit RefreshButton(QWidget* parent);
    /// Only focus reached from the keyboard shows a ring; the focus a window gives its first child does not.
    bool showsFocusRing() const { return hasFocus() && m_keyboardFocus; }

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_keyboardFocus = false;
};

/// The main window's content: the dashboard canvas scaled to the widget, animated between models.
class DashboardView final : public QWidget {
    Q_OBJECT
public:
    explicit DashboardView(QWidget* parent = nullptr);

    /// Shows `model`; phase changes animate over 0.22 s and clock steps over 0.15 s while visible.
    void setModel(const DashboardModel& model);
    const DashboardModel& model() const { return m_frame.model; }
    RefreshButton* refreshButton() const { return m_button; }
    /// Whether the animation clock is running (never while hidden).
    bool isAnimating() const { return m_timer.isActive(); }

    /// The content as it looks now, offscreen, at `size` and `devicePixelRatio`.
    QImage renderToImage(QSize size, double devicePixelRatio = 1.0) const;

    QSize sizeHint() const override { return kDesignCanvasSize.toSize(); }

Q_SIGNALS:
    /// The refresh button was pressed.
    void refreshRequested();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void tick();
    void updateTimer();
    bool animating() const;

    DashboardFrame m_frame;
    mutable DashboardPainter m_painter;
    RefreshButton* m_button;
    QTimer m_timer;
    QElapsedTimer m_phaseClock, m_clockClock, m_loadingClock;
};

} // namespace lumora
