#include "prayer_repository.h"

#include "core/core_log.h"
#include "hisab/hisab.h"
#include "model/date_helpers.h"
#include "model/nearest_city.h"
#include "places/city_catalog.h"
#include "places/gazetteer.h"
#include "places/location_service.h"
#include "places/vesk_store.h"

namespace lumora {

namespace {

bool hasDays(const std::optional<PrayerMonthCache>& m) {
    return m && !m->days.isEmpty();
}

QString monthKey(Instant t) {
    return DateHelpers::monthFormatter().format(t);
}

/// A real location farther than Gazetteer::kNamedRadiusMetres from every regency: no catalogue city's
/// schedule or month file is its own, so its times are always computed at the point.
bool farFromEveryPlace(const std::optional<GeoPoint>& location) {
    return location && *location != LocationService::fallbackLocation() &&
           !Gazetteer::builtIn().locate(*location);
}

} // namespace

PrayerRepository::PrayerRepository(PrayerSource source, CityCatalog& cityCatalog, VeskStore& store,
                                   const Clock& clock, bool hisabEnabled)
    : m_source(std::move(source)), m_catalog(cityCatalog), m_store(store), m_clock(clock),
      m_hisabEnabled(hisabEnabled) {}

std::pair<Instant, Instant> PrayerRepository::monthsAround(Instant now) const {
    const Instant current = DateHelpers::startOfMonth(now);
    const Instant next = DateHelpers::addMonths(current, 1).value_or(current);
    return {current, next};
}

QCoro::Task<PrayerMonthCache> PrayerRepository::ensureMonth(QString cityCode, Instant date) {
    const QString key = monthKey(date);
    if (auto cached = m_store.cachedMonth(cityCode, key); hasDays(cached)) co_return *cached;
    MonthLoad load = co_await m_source.loadMonth(cityCode, date);
    qCDebug(coreLog).noquote() << "month" << cityCode << key << "from the service:" << describe(load.outcome);
    // An empty month is never written, so a failed load leaves any earlier file alone.
    if (!load.month.days.isEmpty()) m_store.saveMonth(load.month);
    co_return std::move(load.month);
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
    co_return withHisabFallback(buildState(city, currentLoad, nextLoad, location, now), city, location, now);
}

CityEntry PrayerRepository::computedPlace(const CityEntry& city, const std::optional<GeoPoint>& location) {
    // The fallback point is no fix: it keeps the catalogue's Jakarta, as without a location.
    if (!location || *location == LocationService::fallbackLocation()) return city;
    CityEntry place = city;
    const Gazetteer::PointName named = Gazetteer::builtIn().nameOf(*location);
    // Far from every regency no catalogue city is near either; the point goes by its coordinates.
    const bool nearby = named.entry && city.lat && city.lon &&
                        distanceMetres(GeoPoint{*city.lat, *city.lon}, *location) <= kNearbyCityMetres;
    if (!nearby) place = CityEntry{named.code, named.name, std::nullopt, std::nullopt, {}};
    place.lat = location->latitude;
    place.lon = location->longitude;
    return place;
}

AppState PrayerRepository::stateAtPoint(GeoPoint location, Instant now) const {
    const CityEntry place = computedPlace(CityEntry{}, location);
    // Without computed times (LUMORA_HISAB=off) this is the failed load, named after the point.
    return withHisabFallback(buildState(place, PrayerMonthCache{}, PrayerMonthCache{}, location, now), place,
                             location, now);
}

PrayerMonthCache PrayerRepository::computedMonth(const CityEntry& city, Instant date,
                                                 const std::optional<GeoPoint>& location) const {
    const CityEntry jakarta = fallbackJakarta();
    GeoPoint at{jakarta.lat.value(), jakarta.lon.value()};
    if (city.lat && city.lon)
        at = GeoPoint{*city.lat, *city.lon};
    else if (const auto entry = Gazetteer::builtIn().byName(city.name))
        at = entry->location;
    else if (location)
        at = *location;
    return hisab::computeMonth(hisab::Place{at.latitude, at.longitude, 0}, date, city.code, city.name);
}

AppState PrayerRepository::withHisabFallback(AppState built, const CityEntry& city,
                                             const std::optional<GeoPoint>& location, Instant now) const {
    if (built.todayDay || built.tomorrowDay || !hisabEnabled()) return built;
    const std::pair<Instant, Instant> months = monthsAround(now);
    const CityEntry place = computedPlace(city, location);
    AppState computed = buildState(place, computedMonth(place, months.first, location),
                                   computedMonth(place, months.second, location), location, now);
    if (!computed.todayDay && !computed.tomorrowDay) return built;
    computed.statusText = QStringLiteral("Jadwal hisab: ") + place.name;
    qCDebug(coreLog).noquote() << "no schedule for" << city.code << "- computed times stand in for"
                               << place.code;
    return computed;
}

QCoro::Task<PrayerMonthCache> PrayerRepository::month(CityEntry city, Instant date, MonthSource source,
                                                      std::optional<GeoPoint> location) {
    switch (source) {
    case MonthSource::cache:
        co_return m_store.cachedMonth(city.code, monthKey(date))
            .value_or(PrayerMonthCache{city.code, monthKey(date), {}});
    case MonthSource::service:
        co_return co_await m_source.loadMonthDetailed(city.code, date);
    case MonthSource::hisab:
        co_return computedMonth(computedPlace(city, location), date, location);
    case MonthSource::automatic:
        break;
    }
    if (farFromEveryPlace(location)) {
        const CityEntry place = computedPlace(city, location);
        co_return hisabEnabled() ? computedMonth(place, date, location)
                                 : PrayerMonthCache{place.code, monthKey(date), {}};
    }
    PrayerMonthCache loaded = co_await ensureMonth(city.code, date);
    if (loaded.days.isEmpty() && hisabEnabled())
        co_return computedMonth(computedPlace(city, location), date, location);
    co_return loaded;
}

QCoro::Task<MonthLoad> PrayerRepository::serviceMonth(QString cityCode, Instant date) {
    co_return co_await m_source.loadMonth(std::move(cityCode), date);
}

std::optional<AppState>
PrayerRepository::stateFromDisk(const CityEntry& city, const std::optional<GeoPoint>& location, Instant now) {
    if (farFromEveryPlace(location)) return stateAtPoint(*location, now);
    const auto [current, next] = monthsAround(now);
    const auto currentLoad = m_store.cachedMonth(city.code, monthKey(current));
    if (!hasDays(currentLoad)) {
        // With nothing on disk, computed times still let a first start without network show a schedule.
        if (!hisabEnabled()) return std::nullopt;
        return withHisabFallback(buildState(city, PrayerMonthCache{}, PrayerMonthCache{}, location, now),
                                 city, location, now);
    }
    // Without the next month the current one stands in; tomorrow is then simply not found across the
    // boundary.
    const auto nextLoad = m_store.cachedMonth(city.code, monthKey(next));
    return withHisabFallback(buildState(city, *currentLoad, nextLoad.value_or(*currentLoad), location, now),
                             city, location, now);
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
    const QString key = monthKey(monthsAround(now).first);
    if (!hasDays(m_store.cachedMonth(city.code, key))) {
        // Jakarta's saved month beats nothing; with neither saved, the resolved city's computed times beat
        // Jakarta's.
        const bool jakartaSaved = hasDays(m_store.cachedMonth(fallbackJakarta().code, key));
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
