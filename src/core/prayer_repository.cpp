#include "prayer_repository.h"

#include "core/computed_month_source.h"
#include "core/core_log.h"
#include "model/date_helpers.h"
#include "model/nearest_city.h"
#include "places/city_catalog.h"
#include "places/gazetteer.h"
#include "places/location_service.h"
#include "places/data_store.h"

namespace lumora {

namespace {

/// A real location farther than Gazetteer::kNamedRadiusMetres from every regency: no catalogue city's
/// schedule or month file is its own, so its times are always computed at the point.
bool farFromEveryPlace(const std::optional<GeoPoint>& location) {
    return location && *location != LocationService::fallbackLocation() &&
           !Gazetteer::builtIn().locate(*location);
}

} // namespace

PrayerRepository::PrayerRepository(ScheduleChain chain, CityCatalog& cityCatalog, DataStore& store,
                                   const Clock& clock)
    : m_chain(std::move(chain)), m_catalog(cityCatalog), m_store(store), m_clock(clock) {}

std::pair<Instant, Instant> PrayerRepository::monthsAround(Instant now) const {
    const Instant current = DateHelpers::startOfMonth(now);
    const Instant next = DateHelpers::addMonths(current, 1).value_or(current);
    return {current, next};
}

QCoro::Task<PrayerMonthCache> PrayerRepository::ensureMonth(QString cityCode, Instant date) {
    const MonthRequest request{CityEntry{std::move(cityCode), {}, std::nullopt, std::nullopt, {}}, date, {}};
    ChainMonth loaded = co_await m_chain.month(request, SourceKinds::schedule());
    co_return std::move(loaded.month);
}

PrayerMonthCache PrayerRepository::savedMonth(const QString& cityCode, Instant date) {
    const MonthRequest request{CityEntry{cityCode, {}, std::nullopt, std::nullopt, {}}, date, {}};
    return m_chain.monthNow(request, SourceKinds::savedOnly()).month;
}

PrayerMonthCache PrayerRepository::computedMonth(const CityEntry& city, Instant date,
                                                 const std::optional<GeoPoint>& location) {
    return m_chain.monthNow(MonthRequest{city, date, location}, SourceKinds::computedOnly()).month;
}

QCoro::Task<AppState> PrayerRepository::loadState(std::optional<GeoPoint> location) {
    const Instant now = m_clock.now();
    if (farFromEveryPlace(location)) co_return stateAtPoint(*location, now);
    CityEntry city;
    if (location) {
        city = co_await m_catalog.nearestCity(*location);
    } else {
        const std::optional<CityEntry> jakarta = co_await m_catalog.match(QStringLiteral("jakarta"));
        city = jakarta.value_or(fallbackJakarta());
    }
    const std::pair<Instant, Instant> months = monthsAround(now);
    const PrayerMonthCache currentLoad = co_await ensureMonth(city.code, months.first);
    const PrayerMonthCache nextLoad = co_await ensureMonth(city.code, months.second);
    co_return withHisabFallback(build(city, currentLoad, nextLoad, location, now), city, location, now);
}

AppState PrayerRepository::stateAtPoint(GeoPoint location, Instant now) {
    const CityEntry place = ComputedMonthSource::computedPlace(CityEntry{}, location);
    // Without computed times (LUMORA_HISAB=off) this is the failed load, named after the point.
    return withHisabFallback(build(place, PrayerMonthCache{}, PrayerMonthCache{}, location, now), place,
                             location, now);
}

AppState PrayerRepository::withHisabFallback(AppState built, const CityEntry& city,
                                             const std::optional<GeoPoint>& location, Instant now) {
    if (built.todayDay || built.tomorrowDay || !hisabEnabled()) return built;
    const std::pair<Instant, Instant> months = monthsAround(now);
    const CityEntry place = ComputedMonthSource::computedPlace(city, location);
    AppState computed = build(place, computedMonth(city, months.first, location),
                                   computedMonth(city, months.second, location), location, now);
    if (!computed.todayDay && !computed.tomorrowDay) return built;
    computed.statusText = QStringLiteral("Jadwal hisab: ") + place.name;
    qCDebug(coreLog).noquote() << "no schedule for" << city.code << "- computed times stand in for"
                               << place.code;
    return computed;
}

QCoro::Task<ChainMonth> PrayerRepository::sourcedMonth(CityEntry city, Instant date, MonthSource source,
                                                       std::optional<GeoPoint> location) {
    // No catalogue city's schedule is a far point's own: only computed times, named after the point, are.
    if (source == MonthSource::automatic && farFromEveryPlace(location)) {
        const MonthRequest atPoint{ComputedMonthSource::computedPlace(city, location), date, location};
        co_return m_chain.monthNow(atPoint, SourceKinds::computedOnly());
    }
    // Named locals, not temporaries inside co_await: GCC 12 has corrupted such temporaries.
    MonthRequest request{std::move(city), date, std::move(location)};
    ChainMonth sourced = co_await m_chain.month(std::move(request), SourceKinds::chosenBy(source));
    co_return sourced;
}

QCoro::Task<PrayerMonthCache> PrayerRepository::month(CityEntry city, Instant date, MonthSource source,
                                                      std::optional<GeoPoint> location) {
    ChainMonth sourced = co_await sourcedMonth(std::move(city), date, source, std::move(location));
    PrayerMonthCache shown = corrected(std::move(sourced.month), m_corrections);
    co_return shown;
}

AppState PrayerRepository::build(const CityEntry& city, const PrayerMonthCache& currentLoad,
                                 const PrayerMonthCache& nextLoad, const std::optional<GeoPoint>& location,
                                 Instant now) const {
    return buildState(city, corrected(currentLoad, m_corrections), corrected(nextLoad, m_corrections), location,
                      now);
}

std::optional<AppState>
PrayerRepository::stateFromDisk(const CityEntry& city, const std::optional<GeoPoint>& location, Instant now) {
    if (farFromEveryPlace(location)) return stateAtPoint(*location, now);
    const auto [current, next] = monthsAround(now);
    const PrayerMonthCache currentLoad = savedMonth(city.code, current);
    if (currentLoad.days.isEmpty()) {
        // With nothing on disk, computed times still let a first start without network show a schedule.
        if (!hisabEnabled()) return std::nullopt;
        return withHisabFallback(build(city, PrayerMonthCache{}, PrayerMonthCache{}, location, now),
                                 city, location, now);
    }
    // Without days of the next month the current one stands in; tomorrow is then simply not found across
    // the boundary.
    const PrayerMonthCache nextLoad = savedMonth(city.code, next);
    return withHisabFallback(
        build(city, currentLoad, nextLoad.days.isEmpty() ? currentLoad : nextLoad, location, now), city,
        location, now);
}

QCoro::Task<std::optional<AppState>> PrayerRepository::cachedState(std::optional<GeoPoint> location) {
    const Instant now = m_clock.now();
    co_return stateFromDisk(cachedResolvedCity(location), location, now);
}

std::optional<AppState> PrayerRepository::seedInitialState(std::optional<GeoPoint> pinned) {
    const Instant now = m_clock.now();
    // A pinned place is where the user asked to be; the device's last fix would flash another city first.
    std::optional<GeoPoint> location = pinned;
    if (!location)
        if (const auto cached = m_store.cachedLocation())
            location = GeoPoint{cached->latitude, cached->longitude};
    CityEntry city = cachedResolvedCity(location);
    const Instant current = monthsAround(now).first;
    if (savedMonth(city.code, current).days.isEmpty()) {
        // Jakarta's saved month beats nothing; with neither saved, the resolved city's computed times beat
        // Jakarta's.
        const bool jakartaSaved = !savedMonth(fallbackJakarta().code, current).days.isEmpty();
        if (jakartaSaved || !hisabEnabled()) city = fallbackJakarta();
    }
    return stateFromDisk(city, location, now);
}

CityEntry PrayerRepository::cachedResolvedCity(const std::optional<GeoPoint>& location) const {
    const QList<CityEntry> entries = m_store.loadCatalog().value_or(QList<CityEntry>{});
    if (entries.isEmpty()) return fallbackJakarta();
    if (location) {
        if (const CityEntry* best = nearestEntry(entries, *location)) return *best;
    }
    // The repository's rule: the saved catalogue's own Jakarta, by code or name, before the built-in one.
    const CityEntry jakarta = fallbackJakarta();
    for (const CityEntry& e : entries)
        if (e.code.toLower() == jakarta.code || e.name.toLower().contains(jakarta.name.toLower())) return e;
    return fallbackJakarta();
}

} // namespace lumora
