// Month files: one city's month per file, fresh for seven days and kept, stale, until replaced.
#include "places/cached_month_envelope.h"
#include "places/places_log.h"
#include "places/data_store.h"

#include "model/city_code.h"
#include "model/month_check.h"
#include "platform/resource_locator.h"

#include <cerrno>
#include <cstring>

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

std::optional<DataStore::SavedMonth> DataStore::savedMonth(const QString& cityCode, const QString& month) {
    const auto path = monthPath(cityCode, month);
    if (!path) return std::nullopt;
    const auto bytes = storage::readFile(*path, files::Kind::month);
    if (!bytes) return std::nullopt;
    qCDebug(placesLog).noquote() << "month file read:" << *path;

    const Instant now = m_clock.now();
    std::optional<SavedMonth> found;
    if (const auto document = json::parse(*bytes)) {
        if (const auto envelope = CachedMonthEnvelope::fromJson(*document)) {
            found = SavedMonth{envelope->cache, now - envelope->savedAt <= kMonthFreshnessSeconds};
        } else if (const auto bare = PrayerMonthCache::fromJson(*document)) {
            // The older form: a bare month, judged by the file's modification time.
            const auto modified = expirationDate(*path);
            found = SavedMonth{*bare, modified && now - *modified <= kMonthFreshnessSeconds};
        }
    }
    if (found) {
        const std::optional<QString> problem = monthProblem(found->cache);
        if (!problem) {
            if (!found->fresh) qCDebug(placesLog).noquote() << "month file stale, kept:" << *path;
            return found;
        }
        qCWarning(placesLog).noquote()
            << "month file not a sound month, deleted:" << *path << "-" << *problem;
    } else {
        qCDebug(placesLog).noquote() << "month file corrupt, deleted:" << *path;
    }
    storage::removeFile(*path);

    const auto resource =
        m_resources.path(QStringLiteral("month-%1-%2").arg(cityCode, month), QStringLiteral("json"));
    if (!resource) return std::nullopt;
    const auto resourceBytes = storage::readFile(*resource, files::Kind::month);
    if (!resourceBytes) return std::nullopt;
    auto shipped = PrayerMonthCache::fromJsonBytes(*resourceBytes);
    if (!shipped || monthProblem(*shipped)) return std::nullopt;
    qCDebug(placesLog).noquote() << "shipped month used:" << *resource;
    saveMonth(*shipped);
    return SavedMonth{*shipped, true};
}

std::optional<PrayerMonthCache> DataStore::cachedMonth(const QString& cityCode, const QString& month) {
    std::optional<SavedMonth> saved = savedMonth(cityCode, month);
    if (!saved || !saved->fresh) return std::nullopt;
    return std::move(saved->cache);
}

bool DataStore::saveMonth(const PrayerMonthCache& cache) {
    const auto path = monthPath(cache.cityCode, cache.month);
    if (!path) return false;
    if (const std::optional<QString> problem = monthProblem(cache)) {
        qCWarning(placesLog).noquote() << "month not saved, not a sound month:" << *path << "-" << *problem;
        return false;
    }
    if (!storage::writeFileAtomically(*path,
                                      json::compact(CachedMonthEnvelope{m_clock.now(), cache}.toJson()))) {
        const int why = errno;
        qCWarning(placesLog).noquote() << "cannot write month file" << *path << "-" << std::strerror(why);
        return false;
    }
    qCDebug(placesLog).noquote() << "month file written:" << *path;
    return true;
}

} // namespace lumora
