#pragma once

#include "city_entry.h"
#include "prayer_display.h"
#include "prayer_schedule.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace lumora {

/// What the interface shows; replaced whole on every load.
struct AppState {
    QString cityName;
    QString cityCode;
    QString todayLabel;
    QString scheduleLabel;
    std::optional<NextPrayer> nextPrayer;
    std::optional<PrayerDay> currentDay;
    std::optional<PrayerDay> todayDay;
    std::optional<PrayerDay> tomorrowDay;
    QString statusText;

    bool operator==(const AppState&) const = default;

    /// Shown from start-up until the first built state arrives.
    static AppState placeholder();
    /// Field names as keys, days in their JSON form, instants as seconds since 2001; absent values left out.
    QJsonObject toJson() const;
};

namespace StateTexts {
inline const QString kScheduleToday = QStringLiteral("Jadwal Hari Ini");
inline const QString kScheduleTomorrow = QStringLiteral("Jadwal Besok");
inline const QString kLocationDetected = QStringLiteral("Lokasi terdeteksi: ");
inline const QString kFallbackJakarta = QStringLiteral("Fallback Jakarta dipakai");
inline const QString kLoadFailed = QStringLiteral("Gagal memuat jadwal untuk ");
inline const QString kLoading = QStringLiteral("Memuat jadwal...");
} // namespace StateTexts

/// Today's and tomorrow's occurrences, stably sorted by instant.
QList<PrayerOccurrence> buildOccurrences(const std::optional<PrayerDay>& today,
                                         const std::optional<PrayerDay>& tomorrow);

/// The first occurrence strictly after `now`, named after the schedule's own city text.
std::optional<NextPrayer> findNextPrayer(Instant now, const std::optional<PrayerDay>& today,
                                         const std::optional<PrayerDay>& tomorrow);

/// Builds the state from the resolved city and the current and next months.
AppState buildState(const CityEntry& resolvedCity, const PrayerMonthCache& currentLoad,
                    const PrayerMonthCache& nextLoad, const std::optional<GeoPoint>& location, Instant now);

} // namespace lumora
