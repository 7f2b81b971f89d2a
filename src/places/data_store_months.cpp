// Month files: one city's month per file, fresh for seven days.
#include "places/cached_month_envelope.h"
#include "places/places_log.h"
#include "places/data_store.h"

#include "model/city_code.h"
#include "platform/resource_locator.h"

namespace lumora {

QJsonObject CachedMonthEnvelope::toJson() const {
    return QJsonObject{{QStringLiteral("savedAt"), savedAt.seconds},
                       {QStringLiteral("cache"), cache.toJson()}};
}

Result<CachedMonthEnvelope> CachedMonthEnvelope::fromJson(const QJsonValue& v) {
    using R = Result<CachedMonthEnvelope>;
    auto o = json::object(v, "envelope");
    if (!o) return R::fail(o.error());
    auto savedAt = json::requiredNumber(*o, "savedAt");
    if (!savedAt) return R::fail(savedAt.error());
    if (!o->contains(QLatin1String("cache"))) return R::fail(QStringLiteral("keyNotFound: cache"));
    auto cache = PrayerMonthCache::fromJson(o->value(QLatin1String("cache")));
    if (!cache) return R::fail(cache.error());
    return R::ok(CachedMonthEnvelope{Instant{*savedAt}, *cache});
}

std::optional<QString> DataStore::monthPath(const QString& cityCode, const QString& month) const {
    // Codes come from a remote page; one holding a path separator or ".." must never name a file elsewhere.
    if (!isSafeCityCode(cityCode) || !isSafeCityCode(month)) return std::nullopt;
    return filePath(QStringLiteral("month-%1-%2.json").arg(cityCode, month));
}

std::optional<PrayerMonthCache> DataStore::cachedMonth(const QString& cityCode, const QString& month) {
    const auto path = monthPath(cityCode, month);
    if (!path) return std::nullopt;
    const auto bytes = storage::readFile(*path);
    if (!bytes) return std::nullopt;
    qCDebug(placesLog).noquote() << "month file read:" << *path;

    const Instant now = m_clock.now();
    const auto document = json::parse(*bytes);
    if (document) {
        if (const auto envelope = CachedMonthEnvelope::fromJson(*document)) {
            if (now - envelope->savedAt > kMonthFreshnessSeconds) {
                qCDebug(placesLog).noquote() << "month file stale, deleted:" << *path;
                storage::removeFile(*path);
                return std::nullopt;
            }
            return envelope->cache;
        }
        // The older form: a bare month, judged by the file's modification time.
        if (const auto bare = PrayerMonthCache::fromJson(*document)) {
            const auto modified = expirationDate(*path);
            if (!modified || now - *modified > kMonthFreshnessSeconds) {
                qCDebug(placesLog).noquote() << "month file stale, deleted:" << *path;
                storage::removeFile(*path);
                return std::nullopt;
            }
            return *bare;
        }
    }

    qCDebug(placesLog).noquote() << "month file corrupt, deleted:" << *path;
    storage::removeFile(*path);
    const auto resource =
        m_resources.path(QStringLiteral("month-%1-%2").arg(cityCode, month), QStringLiteral("json"));
    if (!resource) return std::nullopt;
    const auto resourceBytes = storage::readFile(*resource);
    if (!resourceBytes) return std::nullopt;
    auto shipped = PrayerMonthCache::fromJsonBytes(*resourceBytes);
    if (!shipped) return std::nullopt;
    qCDebug(placesLog).noquote() << "shipped month used:" << *resource;
    saveMonth(*shipped);
    return *shipped;
}

void DataStore::saveMonth(const PrayerMonthCache& cache) {
    const auto path = monthPath(cache.cityCode, cache.month);
    if (!path) return;
    if (storage::writeFileAtomically(*path,
                                     json::compact(CachedMonthEnvelope{m_clock.now(), cache}.toJson())))
        qCDebug(placesLog).noquote() << "month file written:" << *path;
    else
        qCWarning(placesLog).noquote() << "cannot write month file" << *path;
}

} // namespace lumora
