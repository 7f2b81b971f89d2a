#include "app_services.h"

#include "core/computed_month_source.h"
#include "core/notification_center.h"
#include "core/saved_month_source.h"
#include "core/service_month_source.h"
#include "hisab/hijri_calendar.h"
#include "model/date_helpers.h"
#include "places/location_service.h"
#include "platform/fixed_location_provider.h"
#include "platform/notification_backend.h"

namespace lumora {

namespace {
// Names this program and platform, so a service operator can tell its requests apart.
constexpr auto kUserAgent = "lumora/" LUMORA_VERSION " (Linux)";
} // namespace

AppServices::AppServices(AppConfig config, const Clock& clock)
    : m_config(std::move(config)), m_clock(clock), m_resources(m_config.resourceFolders),
      m_store(m_config.dataFolder, Settings(m_config.settingsPath), m_clock, m_resources),
      m_catalog(m_store, m_network, m_config.scheduleBaseUrl),
      m_preferences(std::make_unique<Preferences>(m_config.environment, m_config.settingsPath)),
      m_repository(scheduleChain(m_store,
                                 PrayerSource(m_network, QString::fromLatin1(kUserAgent),
                                              m_config.scheduleBaseUrl),
                                 m_config.hisabEnabled,
                                 parseMonthSource(m_preferences->value(QStringLiteral("schedule.source")))
                                     .value_or(MonthSource::automatic)),
                   m_catalog, m_store, m_clock) {
    m_repository.setCorrections(m_preferences->corrections());
    applyHijriSettings(m_config.hijri);
}

ScheduleChain scheduleChain(DataStore& store, PrayerSource service, bool hisabEnabled, MonthSource choice) {
    ScheduleChain chain;
    if (choice == MonthSource::hisab) {
        chain.append(std::make_unique<ComputedMonthSource>());
        return chain;
    }
    chain.append(std::make_unique<SavedMonthSource>(store));
    chain.append(std::make_unique<ServiceMonthSource>(std::move(service)));
    // A stale month is kept until the service answers well, and stands in when it does not.
    chain.append(std::make_unique<SavedMonthSource>(store, SavedMonthSource::Age::any));
    if (hisabEnabled && choice != MonthSource::service) chain.append(std::make_unique<ComputedMonthSource>());
    return chain;
}

void applyHijriSettings(const HijriSettings& settings) {
    DateHelpers::setHijriCalendar(settings.calendar == HijriCalendarKind::ummalqura
                                      ? &DateHelpers::ummAlQuraDate
                                      : &hisab::indonesianHijriDate,
                                  settings.offsetDays);
}

AppServices::~AppServices() = default;

LocationService& AppServices::locationService() {
    if (!m_locationService) {
        std::unique_ptr<LocationProvider> provider;
        if (m_config.fixedLocation)
            provider = std::make_unique<FixedLocationProvider>(*m_config.fixedLocation);
        else
            provider = createSystemLocationProvider();
        m_locationService = std::make_unique<LocationService>(std::move(provider), m_store);
    }
    return *m_locationService;
}

NotificationCenter& AppServices::notificationCenter() {
    if (!m_notificationCenter)
        m_notificationCenter = std::make_unique<NotificationCenter>(
            m_clock,
            makeDesktopNotificationBackend(m_resources.filePath(QStringLiteral("sounds/takbir.wav"))),
            m_config.notificationsEnabled);
    return *m_notificationCenter;
}

GeoPoint AppServices::location() const {
    if (m_config.fixedLocation) return *m_config.fixedLocation;
    return LocationService::cachedFix(m_store).value_or(LocationService::fallbackLocation());
}

} // namespace lumora
