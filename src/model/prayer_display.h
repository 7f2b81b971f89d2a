#pragma once

#include "prayer_schedule.h"

#include <QList>
#include <QString>

#include <optional>

namespace lumora {

struct PrayerOccurrence {
    PrayerName prayer = PrayerName::subuh;
    Instant dateTime;
};

enum class PrayerDisplayMode { upcoming, entering, passed };
enum class PrayerDisplayPhase { upcoming, approaching, entering, cooldown };

QString rawValue(PrayerDisplayMode mode);
QString rawValue(PrayerDisplayPhase phase);

/// What is featured at one instant; built only by prayerDisplay().
struct PrayerDisplayState {
    PrayerName prayer = PrayerName::subuh;
    Instant dateTime;
    PrayerDisplayMode mode = PrayerDisplayMode::upcoming;
    std::optional<Instant> countdownTarget;

    bool operator==(const PrayerDisplayState&) const = default;

    /// Whole minutes to the countdown target (or dateTime), rounded up; 0 once it has passed.
    int minutesUntilTarget(Instant now) const;
    PrayerDisplayPhase phase(Instant now) const;
    QString secondaryText(Instant now) const;
    bool isBlinkVisible(Instant now) const;
};

/// Today's then tomorrow's slots as instants, stably sorted; slots that do not read are left out.
QList<PrayerOccurrence> buildPrayerOccurrences(const std::optional<PrayerDay>& today,
                                               const std::optional<PrayerDay>& tomorrow);

/// The single source of what the tray, the window and the widget feature at `now`.
std::optional<PrayerDisplayState> prayerDisplay(Instant now, const std::optional<PrayerDay>& today,
                                                const std::optional<PrayerDay>& tomorrow);

/// The obligatory prayers; sunrise and dhuha are times of their own, with no adzan and no "ADZAN" on any
/// face.
bool isAdzanTime(PrayerName prayer);

/// "1 jam 5 menit", "-7 menit", "0 menit".
QString formatCountdown(int minutes);

} // namespace lumora
