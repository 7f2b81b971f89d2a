#include "data_store.h"

#include "places/places_log.h"

#include <QJsonDocument>

#include <cmath>

namespace lumora {

namespace {
const QString kCachedLocationKey = QStringLiteral("cachedLocation");
}

QJsonObject CachedLocation::toJson() const {
    return QJsonObject{{QStringLiteral("latitude"), latitude},
                       {QStringLiteral("longitude"), longitude},
                       {QStringLiteral("savedAt"), savedAt.seconds}};
}

Result<CachedLocation> CachedLocation::fromJson(const QJsonValue& v) {
    using R = Result<CachedLocation>;
    auto o = json::object(v, "cachedLocation");
    if (!o) return R::fail(o.error());
    auto latitude = json::requiredNumber(*o, "latitude");
    if (!latitude) return R::fail(latitude.error());
    auto longitude = json::requiredNumber(*o, "longitude");
    if (!longitude) return R::fail(longitude.error());
    auto savedAt = json::requiredNumber(*o, "savedAt");
    if (!savedAt) return R::fail(savedAt.error());
    return R::ok(CachedLocation{*latitude, *longitude, Instant{*savedAt}});
}

std::optional<CachedLocation> DataStore::cachedLocation() const {
    const auto bytes = m_settings.data(kCachedLocationKey);
    if (!bytes) return std::nullopt;
    const auto parsed = json::parse(*bytes);
    if (!parsed) return std::nullopt;
    return CachedLocation::fromJson(*parsed).toOptional();
}

void DataStore::saveLocation(const CachedLocation& location) {
    // JSON has no form for NaN or infinity (Qt would write null, which no later read accepts): store nothing.
    if (!std::isfinite(location.latitude) || !std::isfinite(location.longitude) ||
        !std::isfinite(location.savedAt.seconds)) {
        qCDebug(placesLog) << "location fix not finite, not stored";
        return;
    }
    m_settings.setData(kCachedLocationKey, json::compact(location.toJson()));
}

} // namespace lumora
