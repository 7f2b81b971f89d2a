#include "app_view_model.h"

#include "core/core_log.h"
#include "core/notification_center.h"
#include "core/prayer_notifications.h"
#include "core/prayer_repository.h"
#include "model/date_helpers.h"
#include "model/prayer_display.h"
#include "places/location_service.h"
#include "places/data_store.h"
#include "snapshot/widget_reload.h"
#include "snapshot/widget_snapshot.h"

#include <qcoro/qcorosignal.h>

#include <cmath>

namespace lumora {

namespace {

QString locationStatusText(LocationProvider::Authorization authorization) {
    switch (authorization) {
    case LocationProvider::notDetermined:
        return QStringLiteral("Minta lokasi");
    case LocationProvider::restricted:
    case LocationProvider::denied:
        return QStringLiteral("Lokasi ditolak");
    case LocationProvider::authorizedAlways:
    case LocationProvider::authorizedWhenInUse:
        return QStringLiteral("Lokasi aktif");
    default:
        return QStringLiteral("Lokasi tidak dikenal");
    }
}

} // namespace

AppViewModel::AppViewModel(LocationService& locationService, PrayerRepository& repository,
                           NotificationCenter* notifications, const Clock& clock, QDBusConnection widgetBus,
                           QObject* parent)
    : QObject(parent), m_locationService(locationService), m_repository(repository),
      m_notifications(notifications), m_clock(clock), m_widgetBus(std::move(widgetBus)),
      m_state(AppState::placeholder()), m_countdownNow(clock.now()), m_blinkNow(m_countdownNow) {
    // Each location starts its own refresh, which holds the view model only weakly across its wait; what is
    // known already is taken now, as a change would be.
    connect(&m_locationService, &LocationService::currentLocationChanged, this,
            [this](GeoPoint location) { refresh(location); });
    connect(&m_locationService, &LocationService::authorizationStatusChanged, this,
            &AppViewModel::setLocationStatus);
    if (const auto location = m_locationService.currentLocation()) refresh(*location);
    setLocationStatus(m_locationService.authorizationStatus());

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &AppViewModel::handleMinuteTick);
    m_locationRefreshTimer.setInterval(kLocationRefreshMs);
    connect(&m_locationRefreshTimer, &QTimer::timeout, this, [this] {
        if (locationAuthorizedAlways()) m_locationService.manager().requestLocation();
    });
}

AppViewModel::~AppViewModel() = default;

void AppViewModel::setCountdownNow(Instant now) {
    m_countdownNow = now;
    Q_EMIT countdownNowChanged();
}

void AppViewModel::setBlinkNow(Instant now) {
    m_blinkNow = now;
    Q_EMIT blinkNowChanged();
}

void AppViewModel::setIsLoading(bool loading) {
    if (m_isLoading == loading) return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void AppViewModel::setLocationStatus(LocationProvider::Authorization authorization) {
    const QString text = locationStatusText(authorization);
    if (text == m_locationStatus) return;
    m_locationStatus = text;
    Q_EMIT locationStatusChanged();
}

bool AppViewModel::locationAuthorizedAlways() const {
    return m_locationService.authorizationStatus() == LocationProvider::authorizedAlways;
}

QString AppViewModel::todayKey() const {
    return DateHelpers::dateFormatter().format(m_clock.now());
}

void AppViewModel::bootstrap() {
    if (m_hasStarted) return;
    m_hasStarted = true;
    // No process activity is needed here: Qt's timers keep running while the app is in the background.

    LocationProvider& manager = m_locationService.manager();
    const LocationProvider::Authorization authorization = manager.authorizationStatus();
    // The desktop's location service asks the user when an app first wants a fix, so asking for one is how
    // the app asks for permission.
    if (authorization == LocationProvider::notDetermined)
        manager.requestLocation();
    else if (authorization == LocationProvider::authorizedAlways)
        manager.startUpdatingLocation();

    const Instant now = m_clock.now();
    setCountdownNow(now);
    setBlinkNow(now);
    m_timer.start();
    m_locationRefreshTimer.start();

    if (auto seed = m_repository.seedInitialState(manager.pinnedPosition())) {
        m_state = std::move(*seed);
        Q_EMIT stateChanged();
        publishWidgetSnapshot(m_state);
    }
    if (locationAuthorizedAlways()) manager.requestLocation();
    // Activation and wake reach handleAppResumed() through the entry, which owns those event sources.
    startSequenceTasks();
    // Desktop notification servers ask for no permission, so there is no second task to start.
}

QCoro::Task<> AppViewModel::startSequenceTasks() {
    QPointer<AppViewModel> self(this);
    co_await restoreCachedState();
    if (!self) co_return;
    co_await refresh(m_locationService.currentLocation());
}

QCoro::Task<> AppViewModel::restoreCachedState() {
    QPointer<AppViewModel> self(this);
    std::optional<AppState> cached = co_await m_repository.cachedState(m_locationService.currentLocation());
    if (!self || !cached) co_return;
    m_state = std::move(*cached);
    Q_EMIT stateChanged();
    publishWidgetSnapshot(m_state);
    m_lastRenderedDayKey = todayKey();
    updateBlinkTimer();
}

QCoro::Task<> AppViewModel::refresh(std::optional<GeoPoint> location) {
    QPointer<AppViewModel> self(this);
    const RefreshKey key{location, todayKey(), DateHelpers::zoneId()};
    if (m_refreshesInFlight.contains(key)) {
        // The start alone asks several times (the first location, the activation, the start tasks); one load
        // answers them all.
        qCDebug(coreLog) << "refresh joins the one in flight";
        while (self && self->m_refreshesInFlight.contains(key))
            co_await qCoro(this, &AppViewModel::refreshFinished);
        co_return;
    }
    m_refreshesInFlight.append(key);
    m_ticksSinceLoad = 0;
    if (location)
        qCDebug(coreLog) << "schedule load for" << location->latitude << location->longitude;
    else
        qCDebug(coreLog) << "schedule load for no location";
    const Instant started = m_clock.now();
    m_lastClockSample = started;
    setCountdownNow(started);
    setIsLoading(true);
    Q_EMIT refreshStarted();

    AppState loaded = co_await m_repository.loadState(location);
    if (!self) co_return;
    m_refreshesInFlight.removeOne(key);

    const Instant now = m_clock.now();
    m_lastClockSample = now;
    setCountdownNow(now);
    applyState(loaded);
    if (m_notifications) scheduleNotifications(m_state, *m_notifications, m_reminderPlan);
    Q_EMIT refreshFinished();
}

void AppViewModel::setReminderPlan(const ReminderPlan& plan) {
    if (plan == m_reminderPlan) return;
    m_reminderPlan = plan;
    qCDebug(coreLog) << "reminders changed: pending notifications replaced";
    // Before the first load the state has no days and nothing is planned; that load plans with this choice.
    if (m_notifications) scheduleNotifications(m_state, *m_notifications, m_reminderPlan);
}

void AppViewModel::applyState(const AppState& state) {
    m_state = state;
    Q_EMIT stateChanged();
    setIsLoading(false);
    publishWidgetSnapshot(m_state);
    m_lastRenderedDayKey = todayKey();
    updateBlinkTimer();
}

void AppViewModel::startRefresh() {
    refresh(m_locationService.currentLocation());
}

void AppViewModel::handleMinuteTick() {
    const Instant now = m_clock.now();
    if (m_lastClockSample && std::abs(now - *m_lastClockSample) >= kClockJumpThreshold) {
        // The pending notifications were timed against the old clock too.
        if (m_notifications) m_notifications->clockChanged();
        startRefresh();
    }
    m_lastClockSample = now;
    setCountdownNow(now);
    updateBlinkTimer();
    refreshIfDayChanged();
    if (++m_ticksSinceLoad >= kPeriodicRefreshTicks) {
        m_ticksSinceLoad = 0;
        startRefresh();
    }
}

void AppViewModel::refreshIfDayChanged() {
    const QString key = todayKey();
    if (m_lastRenderedDayKey == key) return;
    // Stored first, so a slow or failed refresh does not start another one on every following tick.
    m_lastRenderedDayKey = key;
    startRefresh();
}

void AppViewModel::handleAppResumed() {
    const Instant now = m_clock.now();
    m_lastClockSample = now;
    setCountdownNow(now);
    setBlinkNow(now);
    updateBlinkTimer();
    if (m_notifications) m_notifications->clockChanged();
    if (locationAuthorizedAlways()) m_locationService.manager().requestLocation();
    startRefresh();
}

void AppViewModel::handleTimeZoneChanged(const QString& zoneId) {
    if (!DateHelpers::setZone(zoneId)) return;
    // The day key is taken in the new zone now, so the next tick does not count the change as a new day.
    m_lastRenderedDayKey = todayKey();
    if (m_notifications) m_notifications->clockChanged();
    startRefresh();
}

void AppViewModel::updateBlinkTimer() {
    const Instant now = m_clock.now();
    const auto display = prayerDisplay(now, m_state.todayDay, m_state.tomorrowDay);
    const auto phase = display ? std::optional(display->phase(now)) : std::nullopt;
    const bool blinking = phase == PrayerDisplayPhase::approaching || phase == PrayerDisplayPhase::entering;
    if (!blinking) {
        m_blinkTimer.reset();
    } else if (!m_blinkTimer) {
        m_blinkTimer = std::make_unique<QTimer>();
        m_blinkTimer->setInterval(kTickMs);
        connect(m_blinkTimer.get(), &QTimer::timeout, this, [this] { setBlinkNow(m_clock.now()); });
        m_blinkTimer->start();
    }
    setBlinkNow(now);
}

void AppViewModel::publishWidgetSnapshot(const AppState& state) {
    // The widget's timeline already covers an unchanged state; rewriting it would only wake the widget.
    if (m_publishedState == state) return;
    // A failed write keeps the old file and is tried again with the next state; the widget is asked to
    // reload either way.
    if (WidgetSnapshotStore::write(m_locationService.store().folder(),
                                   WidgetSnapshot::fromState(state, m_clock.now())))
        m_publishedState = state;
    else
        m_publishedState.reset();
    WidgetReload::reloadTimelines(QString::fromLatin1(kWidgetKind), m_widgetBus);
    Q_EMIT widgetSnapshotPublished();
}

} // namespace lumora
