#include "computed_month_source.h"

#include "hisab/hisab.h"
#include "model/nearest_city.h"
#include "places/gazetteer.h"
#include "places/location_service.h"

namespace lumora {

std::optional<SourcedMonth> ComputedMonthSource::monthNow(const MonthRequest& request) {
    PrayerMonthCache month =
        computedMonth(computedPlace(request.city, request.location), request.date, request.location);
    const MonthLoadOutcome outcome =
        month.days.isEmpty() ? MonthLoadOutcome::noDays : MonthLoadOutcome::found;
    return SourcedMonth{std::move(month), outcome};
}

CityEntry ComputedMonthSource::computedPlace(const CityEntry& city, const std::optional<GeoPoint>& location) {
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

PrayerMonthCache ComputedMonthSource::computedMonth(const CityEntry& city, Instant date,
                                                    const std::optional<GeoPoint>& location) {
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

} // namespace lumora
