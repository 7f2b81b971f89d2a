#pragma once

#include "lumora_widget_provider.h"
#include "lumora_widget_view.h"

#include "model/instant.h"

#include <QDBusConnection>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace lumora {

class Settings;

namespace WidgetReload {
class Listener;
}

/// The desktop's widget host: a small frameless window below other windows that shows the timeline's entry
/// whose date has come, switches entries on time, and asks for a new timeline at the reload time or when the
/// app sends the reload signal for the widget's kind (at most once a second: the first signal at once, the rest
/// of that second folded into one reload at its end).
class WidgetHostWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr auto kPositionKey = "widget.position";
    static constexpr auto kFamilyKey = "widget.family";

    /// `settingsPath` is the INI file holding the position and family; `family` overrides the stored one.
    WidgetHostWindow(const Clock& clock, LumoraWidgetProvider provider, const QString& settingsPath,
                     std::optional<WidgetFamily> family = std::nullopt,
                     QDBusConnection bus = QDBusConnection::sessionBus(), QWidget* parent = nullptr);
    ~WidgetHostWindow() override;

    const LumoraWidgetTimeline& timeline() const { return m_timeline; }
    /// The entry on show; none only before the timeline's first date.
    const LumoraWidgetEntry* currentEntry() const { return m_timeline.entryAt(m_clock.now()); }
    WidgetFamily family() const { return m_family; }
    /// Whether the reload signal reaches this host.
    bool isListening() const;
    /// The instant the host next wakes by itself: the next entry's date or the reload time.
    Instant nextWakeAt() const;
    const QTimer& wakeTimer() const { return m_wakeTimer; }

    void setFamily(WidgetFamily family);
    /// Shows the window with the desktop hints set before it is mapped, as window managers read them then.
    void showOnDesktop();

public Q_SLOTS:
    /// Rereads the snapshot and builds a timeline from now.
    void reloadTimeline();
    /// The timer's work: shows the entry whose date has come, reloads once the reload time has come.
    void wake();

Q_SIGNALS:
    void timelineReloaded();
    void entryShown(const lumora::LumoraWidgetEntry& entry);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onReloadRequested(const QString& kind);
    void showCurrentEntry();
    void armTimer();
    void applyShape();
    void savePosition();

    const Clock& m_clock;
    LumoraWidgetProvider m_provider;
    std::unique_ptr<Settings> m_settings;
    WidgetFamily m_family = WidgetFamily::small;
    LumoraWidgetTimeline m_timeline;
    std::optional<Instant> m_shownDate;
    QTimer m_wakeTimer;
    QTimer m_saveTimer;
    // Reload signals may come from any process, so they reload at most once a second.
    QTimer m_reloadWindow;
    bool m_reloadPending = false;
    WidgetReload::Listener* m_listener = nullptr;
    std::optional<QPoint> m_dragOffset;
    bool m_hintsApplied = false;
};

} // namespace lumora
