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

/// Where a month comes from, for callers that choose (`lumora month --source`).
enum class MonthSource { automatic, cache, service, hisab };

/// Where the app gets schedules: picks the city, takes each month from a fresh month file or the service, and
/// builds the state. Keeps nothing in memory: every call reads the disk.
class PrayerRepository {
public:
    /// `hisabEnabled`: whether computed times stand in when no schedule can be had (AppConfig).
    PrayerRepository(PrayerSource source, CityCatalog& cityCatalog, VeskStore& store, const Clock& clock,
                     bool hisabEnabled = true);

    /// Disk only, synchronous: the state to show at start-up, or none; for `pinned` when given, else for
    /// the device's last fix.
    std::optional<AppState> seedInitialState(std::optional<GeoPoint> pinned = std::nullopt);
    /// Disk only: the state for `location` from fresh month files, or none.
    QCoro::Task<std::optional<AppState>> cachedState(std::optional<GeoPoint> location);
    /// May use the network; never fails. A location far from every regency gets computed times at the
    /// point, here as in `cachedState` and `seedInitialState`.
    QCoro::Task<AppState> loadState(std::optional<GeoPoint> location);

    /// The month holding `date` for `cityCode`: a fresh non-empty month file, else the service (saved when it
    /// has days). Never fails; may be empty.
    QCoro::Task<PrayerMonthCache> ensureMonth(QString cityCode, Instant date);
    /// The month from one source; `automatic` is what loadState would use (ensureMonth, then hisab when
    /// enabled; computed times only, or none, for a location far from every regency). `location`: where the
    /// user is when `city` was picked for it (computed times are then for that point, as `computedPlace`
    /// names it); none for a city asked for by name.
    QCoro::Task<PrayerMonthCache> month(CityEntry city, Instant date, MonthSource source,
                                        std::optional<GeoPoint> location);
    /// How a load of `cityCode`'s month from the service went (nothing read from or written to disk).
    QCoro::Task<MonthLoad> serviceMonth(QString cityCode, Instant date);
    /// A month computed locally for `city` (at its coordinates, else its gazetteer entry's, else `location`,
    /// else Jakarta's). Never written.
    PrayerMonthCache computedMonth(const CityEntry& city, Instant date,
                                   const std::optional<GeoPoint>& location) const;
    /// Where computed times are for and whose name they carry: `city` itself without a real location (none,
    /// or the Jakarta fallback); else the location, named after `city` when it lies within
    /// kNearbyCityMetres and as the gazetteer names the point otherwise ("Kota Jayapura", "94.71"; far from
    /// every regency its coordinates, "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara", code
    /// "-5.0000,110.0000"; see Gazetteer::nameOf).
    static CityEntry computedPlace(const CityEntry& city, const std::optional<GeoPoint>& location);
    /// How far the catalogue city may lie for computed times to carry its name.
    static constexpr double kNearbyCityMetres = 30'000;
    bool hisabEnabled() const { return m_hisabEnabled; }

    /// The city for `location` from the saved catalogue alone.
    CityEntry cachedResolvedCity(const std::optional<GeoPoint>& location) const;
    /// The current and the next month's first instants for `now`.
    std::pair<Instant, Instant> monthsAround(Instant now) const;

private:
    /// The state for a location far from every regency (Gazetteer::locate finds none): computed at the
    /// point, since the nearest catalogue city's schedule is not the point's; without computed times, the
    /// failed load.
    AppState stateAtPoint(GeoPoint location, Instant now) const;
    /// When the built state has neither today nor tomorrow, the state from computed months instead.
    AppState withHisabFallback(AppState built, const CityEntry& city, const std::optional<GeoPoint>& location,
                               Instant now) const;
    std::optional<AppState> stateFromDisk(const CityEntry& city, const std::optional<GeoPoint>& location,
                                          Instant now);

    PrayerSource m_source;
    CityCatalog& m_catalog;
    VeskStore& m_store;
    const Clock& m_clock;
    bool m_hisabEnabled;
};

} // namespace lumora
