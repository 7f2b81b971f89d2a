#pragma once

#include "model/app_state.h"
#include "model/city_entry.h"
#include "model/instant.h"
#include "model/prayer_schedule.h"
#include "schedule/prayer_source.h"

#include <qcoro/qcorotask.h>

#include <optional>

namespace lumora {

class CityCatalog;
class VeskStore;

/// Where the app gets schedules: picks the city, takes each month from a fresh month file or the service, and
/// builds the state. Keeps nothing in memory: every call reads the disk.
class PrayerRepository {
public:
    PrayerRepository(PrayerSource source, CityCatalog& cityCatalog, VeskStore& store, const Clock& clock);

    /// Disk only, synchronous: the state to show at start-up, or none.
    std::optional<AppState> seedInitialState();
    /// Disk only: the state for `location` from fresh month files, or none.
    QCoro::Task<std::optional<AppState>> cachedState(std::optional<GeoPoint> location);
    /// May use the network; never fails.
    QCoro::Task<AppState> loadState(std::optional<GeoPoint> location);

    /// The month holding `date` for `cityCode`: a fresh non-empty month file, else the service (saved when it
    /// has days). Never fails; may be empty.
    QCoro::Task<PrayerMonthCache> ensureMonth(QString cityCode, Instant date);
    /// The city for `location` from the saved catalogue alone.
    CityEntry cachedResolvedCity(const std::optional<GeoPoint>& location) const;
    /// The current and the next month's first instants for `now`.
    std::pair<Instant, Instant> monthsAround(Instant now) const;

private:
    std::optional<AppState> stateFromDisk(const CityEntry& city, const std::optional<GeoPoint>& location, Instant now);

    PrayerSource m_source;
    CityCatalog& m_catalog;
    VeskStore& m_store;
    const Clock& m_clock;
};

} // namespace lumora
