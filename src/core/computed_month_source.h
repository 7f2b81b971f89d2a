#pragma once

#include "core/schedule_source.h"

namespace lumora {

/// Prayer times computed locally (hisab), at once, for any point; never saved.
class ComputedMonthSource : public ScheduleSource {
public:
    Kind kind() const override { return Kind::computed; }
    QString name() const override { return QStringLiteral("hisab"); }
    /// The month for computedPlace(city, location).
    std::optional<SourcedMonth> monthNow(const MonthRequest& request) override;

    /// A month computed locally for `city` (at its coordinates, else its gazetteer entry's, else `location`,
    /// else Jakarta's).
    static PrayerMonthCache computedMonth(const CityEntry& city, Instant date,
                                          const std::optional<GeoPoint>& location);
    /// Where computed times are for and whose name they carry: `city` itself without a real location (none,
    /// or the Jakarta fallback); else the location, named after `city` when it lies within
    /// kNearbyCityMetres and as the gazetteer names the point otherwise ("Kota Jayapura", "94.71"; far from
    /// every regency its coordinates, "5.00° LS, 110.00° BT, 195 km dari Kabupaten Jepara", code
    /// "-5.0000,110.0000"; see Gazetteer::nameOf).
    static CityEntry computedPlace(const CityEntry& city, const std::optional<GeoPoint>& location);
    /// How far the catalogue city may lie for computed times to carry its name.
    static constexpr double kNearbyCityMetres = 30'000;
};

} // namespace lumora
