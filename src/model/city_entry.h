#pragma once

#include "result.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumora {

/// A latitude and longitude in degrees (north and east positive).
struct GeoPoint {
    double latitude = 0;
    double longitude = 0;
    bool operator==(const GeoPoint&) const = default;
};

/// One city the schedule service serves.
struct CityEntry {
    QString code;
    QString name;
    std::optional<double> lat;
    std::optional<double> lon;
    QStringList aliases;

    bool operator==(const CityEntry&) const = default;
    /// "lat" and "lon" are left out when absent.
    QJsonObject toJson() const;
    /// "code", "name" and "aliases" required; "lat" and "lon" optional; other keys ignored.
    static Result<CityEntry> fromJson(const QJsonValue& json);
};

/// The city used whenever no better one can be found.
CityEntry fallbackJakarta();

} // namespace lumora

std::size_t qHash(const lumora::CityEntry& c, std::size_t seed = 0) noexcept;
