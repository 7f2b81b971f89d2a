#pragma once

#include "core/app_config.h"
#include "core/preferences.h"
#include "core/prayer_repository.h"
#include "places/city_catalog.h"
#include "places/data_store.h"
#include "platform/resource_locator.h"

#include <QNetworkAccessManager>

#include <memory>

namespace lumora {

class LocationService;
class NotificationCenter;

/// The composition root: the app's long-lived services, wired once from an AppConfig. The command line builds
/// one per run, the desktop app one for the life of the process; these are the app's shared instances, and
/// nothing else creates them. Build it on the main thread after the application object, and destroy it
/// before.
/// Makes the Hijri line (`DateHelpers::formatHijriDay`) follow `settings`; AppServices does it when built.
void applyHijriSettings(const HijriSettings& settings);

/// The schedule sources in the order they are asked: the fresh month files in `store`, the service through
/// `service`, the stale month files, then computed times unless `hisabEnabled` is false. `choice` (the
/// "schedule.source" preference) narrows it: `service` without computed times, `hisab` computed times alone.
ScheduleChain scheduleChain(DataStore& store, PrayerSource service, bool hisabEnabled = true,
                            MonthSource choice = MonthSource::automatic);

class AppServices {
public:
    /// `clock` must outlive the services.
    explicit AppServices(AppConfig config, const Clock& clock = SystemClock::instance());
    ~AppServices();
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    const AppConfig& config() const { return m_config; }
    const Clock& clock() const { return m_clock; }
    const ResourceLocator& resources() const { return m_resources; }
    QNetworkAccessManager& network() { return m_network; }
    DataStore& store() { return m_store; }
    CityCatalog& catalog() { return m_catalog; }
    PrayerRepository& repository() { return m_repository; }
    /// The user's preferences over the config's environment and settings file; they follow the file.
    Preferences& preferences() { return *m_preferences; }
    /// Made on first use: the system's positioning source is only started when someone needs a fix.
    LocationService& locationService();
    /// Made on first use, over the desktop's notification server.
    NotificationCenter& notificationCenter();

    /// The location to use without asking the positioning source: the pinned one, else the last fix of the
    /// past 24 hours, else central Jakarta.
    GeoPoint location() const;

private:
    AppConfig m_config;
    const Clock& m_clock;
    ResourceLocator m_resources;
    QNetworkAccessManager m_network;
    DataStore m_store;
    CityCatalog m_catalog;
    std::unique_ptr<Preferences> m_preferences;
    PrayerRepository m_repository;
    std::unique_ptr<LocationService> m_locationService;
    std::unique_ptr<NotificationCenter> m_notificationCenter;
};

} // namespace lumora
