#pragma once

// moc 6.4 cannot parse libstdc++'s <compare>, which instant.h pulls in; moc needs nothing from it.
#ifndef Q_MOC_RUN
#include "core/prayer_notifications.h"
#include "model/app_state.h"
#include "model/instant.h"
#endif
#include "platform/location_provider.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

namespace lumora {

class LocationService;
class NotificationCenter;
class PrayerRepository;

/// The one long-lived driver of the app: holds the state the tray, the window and the widget show, ticks the
/// countdown clock, and decides when the schedule is loaded again (a new location, the day's change, a clock
/// jump, a resume, a user's request). Lives on the main thread.
class AppViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString locationStatus READ locationStatus NOTIFY locationStatusChanged)

public:
    /// A jump of the wall clock this large (either way) between two ticks reloads the schedule.
    static constexpr double kClockJumpThreshold = 120;
    static constexpr int kTickMs = 1000;
    static constexpr int kLocationRefreshMs = 30 * 60 * 1000;
    /// Ticks without a load after which the schedule is loaded again, so a missed wake-up or a stalled
    /// service never leaves the faces stale for more than five minutes.
    static constexpr int kPeriodicRefreshTicks = 5 * 60;
    static inline const QString kWaitingForLocation = QStringLiteral("Menunggu lokasi...");

    /// `notifications` may be null (notifications off or unavailable); `widgetBus` carries the reload signal.
    /// Every value the location service publishes, the current one first, starts a refresh.
    AppViewModel(LocationService& locationService, PrayerRepository& repository,
                 NotificationCenter* notifications, const Clock& clock, QDBusConnection widgetBus,
                 QObject* parent = nullptr);
    ~AppViewModel() override;

    const AppState& state() const { return m_state; }
    bool isLoading() const { return m_isLoading; }
    Instant countdownNow() const { return m_countdownNow; }
    Instant blinkNow() const { return m_blinkNow; }
    QString locationStatus() const { return m_locationStatus; }
    LocationService& locationService() { return m_locationService; }

    void setCountdownNow(Instant now);
    void setBlinkNow(Instant now);

    /// The start sequence; runs once, later calls return at once.
    void bootstrap();
    /// One load cycle for `location`. A refresh asked for while one for the same location, day and zone is in
    /// flight joins it (it ends when that one ends); other refreshes run, and the last to finish sets the
    /// state.
    QCoro::Task<> refresh(std::optional<GeoPoint> location);
    /// Starts a refresh with the location service's current location, without waiting for it.
    void startRefresh();
    /// The reminders the user chose; a change replaces what is pending at once, for the state shown.
    void setReminderPlan(const ReminderPlan& plan);
    const ReminderPlan& reminderPlan() const { return m_reminderPlan; }

    // The clock's steps; public so the shell (and tests) can drive them.
    /// Every second: detects clock jumps, advances the countdown, keeps the blink clock and the day in step,
    /// and loads again after kPeriodicRefreshTicks without a load.
    void handleMinuteTick();
    void refreshIfDayChanged();
    /// The app became active or the machine woke.
    void handleAppResumed();
    /// The system's zone changed: every time and day key follows it, and the schedule is loaded again.
    void handleTimeZoneChanged(const QString& zoneId);
    void updateBlinkTimer();

    bool hasStarted() const { return m_hasStarted; }
    bool isClockRunning() const { return m_timer.isActive(); }
    bool isLocationRefreshRunning() const { return m_locationRefreshTimer.isActive(); }
    bool isBlinkTimerRunning() const { return m_blinkTimer != nullptr; }
    std::optional<QString> lastRenderedDayKey() const { return m_lastRenderedDayKey; }

Q_SIGNALS:
    void stateChanged();
    void isLoadingChanged();
    void countdownNowChanged();
    void blinkNowChanged();
    void locationStatusChanged();
    /// A load cycle began (a refresh that joined one in flight starts none).
    void refreshStarted();
    /// A load cycle ended and its state was applied.
    void refreshFinished();
    /// After the snapshot was written (or failed to be) and the reload was asked for.
    void widgetSnapshotPublished();

private:
    QCoro::Task<> restoreCachedState();
    QCoro::Task<> startSequenceTasks();
    void applyState(const AppState& state);
    void publishWidgetSnapshot(const AppState& state);
    void setIsLoading(bool loading);
    void setLocationStatus(LocationProvider::Authorization authorization);
    bool locationAuthorizedAlways() const;
    QString todayKey() const;

    /// What makes two refreshes the same load: the state depends on the place, the day and the zone.
    struct RefreshKey {
        std::optional<GeoPoint> location;
        QString dayKey;
        QString zoneId;
        bool operator==(const RefreshKey&) const = default;
    };

    LocationService& m_locationService;
    PrayerRepository& m_repository;
    QPointer<NotificationCenter> m_notifications;
    ReminderPlan m_reminderPlan = ReminderPlan::defaults();
    const Clock& m_clock;
    QDBusConnection m_widgetBus;

    AppState m_state;
    bool m_isLoading = false;
    Instant m_countdownNow;
    Instant m_blinkNow;
    QString m_locationStatus = kWaitingForLocation;

    QTimer m_timer;
    std::unique_ptr<QTimer> m_blinkTimer;
    QTimer m_locationRefreshTimer;
    bool m_hasStarted = false;
    std::optional<QString> m_lastRenderedDayKey;
    std::optional<Instant> m_lastClockSample;
    int m_ticksSinceLoad = 0;
    QList<RefreshKey> m_refreshesInFlight;
    /// The state last written to the widget snapshot: the same state again is not written or announced.
    std::optional<AppState> m_publishedState;
};

} // namespace lumora
