#pragma once

#include "model/instant.h"
#include "model/prayer_schedule.h"

namespace lumora {

/// What a month file holds: the month and when it was saved.
struct CachedMonthEnvelope {
    Instant savedAt;
    PrayerMonthCache cache;

    bool operator==(const CachedMonthEnvelope&) const = default;
    QJsonObject toJson() const;
    static Result<CachedMonthEnvelope> fromJson(const QJsonValue& json);
};

/// A month file older than this many seconds is stale; exactly this old is still fresh.
inline constexpr double kMonthFreshnessSeconds = 604800;

} // namespace lumora
