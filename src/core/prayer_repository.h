#pragma once

#include "core/schedule_chain.h"
#include "model/app_state.h"
#include "model/city_entry.h"
#include "model/instant.h"
#include "model/prayer_corrections.h"
#include "model/prayer_schedule.h"

#include <qcoro/qcorotask.h>

#include <optional>

namespace lumora {

class CityCatalog;
class DataStore;

/// Where the app gets schedules: picks the city, takes each month from its chain of schedule sources (month
/// files, then the service), lets computed times stand in when the chain has them and no schedule can be had,
/// and builds the state. Keeps nothing in memory: every call reads the disk.
class PrayerRepository {
public:
    /// `chain` as the composition root lists it (scheduleChain); `store` holds the catalogue and the last
    /// fix.
    PrayerRepository(ScheduleChain chain, CityCatalog& cityCatalog, DataStore& store, const Clock& clock);

    /// Disk only, synchronous: the state to show at start-up, or none; for `pinned` when given, else for
    /// the device's last fix.
    std::optional<AppState> seedInitialState(std::optional<GeoPoint> pinned = std::nullopt);
    /// Disk only: the state for `location` from fresh month files, or none.
    QCoro::Task<std::optional<AppState>> cachedState(std::optional<GeoPoint> location);
    /// May use the network; never fails. A location far from every regency gets computed times at the
    /// point, here as in `cachedState` and `seedInitialState`.
    QCoro::Task<AppState> loadState(std::optional<GeoPoint> location);

    /// The month holding `date` for `cityCode` from the schedule proper: a fresh non-empty month file, else
    /// the service (saved when it has days), else a stale month file. Never fails; may be empty.
    QCoro::Task<PrayerMonthCache> ensureMonth(QString cityCode, Instant date);
    /// The month from the chosen kind of source, with each asked source's outcome; `automatic` is what
    /// loadState would use (ensureMonth, then computed times when the chain has them; computed times only,
    /// or none, for a location far from every regency). `location`: where the user is when `city` was picked
    /// for it (computed times are then for that point, as ComputedMonthSource::computedPlace names it); none
    /// for a city asked for by name.
    QCoro::Task<ChainMonth> sourcedMonth(CityEntry city, Instant date, MonthSource source,
                                         std::optional<GeoPoint> location);
    /// sourcedMonth's month alone.
    QCoro::Task<PrayerMonthCache> month(CityEntry city, Instant date, MonthSource source,
                                        std::optional<GeoPoint> location);
    /// Whether computed times stand in when no schedule can be had (the chain has a computed source).
    bool hisabEnabled() const { return m_chain.offers(ScheduleSource::Kind::computed); }

    /// Minutes added to each prayer's time in every state built and every month handed out (never in the
    /// month files: they keep what the service said).
    void setCorrections(const PrayerCorrections& corrections) { m_corrections = corrections; }
    const PrayerCorrections& corrections() const { return m_corrections; }

    /// The city for `location` from the saved catalogue alone.
    CityEntry cachedResolvedCity(const std::optional<GeoPoint>& location) const;
    /// The current and the next month's first instants for `now`.
    std::pair<Instant, Instant> monthsAround(Instant now) const;

private:
    /// The state for a location far from every regency (Gazetteer::locate finds none): computed at the
    /// point, since the nearest catalogue city's schedule is not the point's; without computed times, the
    /// failed load.
    AppState stateAtPoint(GeoPoint location, Instant now);
    /// When the built state has neither today nor tomorrow, the state from computed months instead.
    AppState withHisabFallback(AppState built, const CityEntry& city, const std::optional<GeoPoint>& location,
                               Instant now);
    std::optional<AppState> stateFromDisk(const CityEntry& city, const std::optional<GeoPoint>& location,
                                          Instant now);
    /// The saved month of `cityCode` holding `date`, or an empty one.
    PrayerMonthCache savedMonth(const QString& cityCode, Instant date);
    /// The computed month holding `date` for `city` (see ComputedMonthSource), or an empty one.
    PrayerMonthCache computedMonth(const CityEntry& city, Instant date,
                                   const std::optional<GeoPoint>& location);

    /// buildState over the corrected months.
    AppState build(const CityEntry& city, const PrayerMonthCache& currentLoad, const PrayerMonthCache& nextLoad,
                   const std::optional<GeoPoint>& location, Instant now) const;

    ScheduleChain m_chain;
    PrayerCorrections m_corrections;
    CityCatalog& m_catalog;
    DataStore& m_store;
    const Clock& m_clock;
};

} // namespace lumora
