#pragma once

#include "app_state.h"
#include "prayer_display.h"

#include <QString>

#include <optional>

namespace lumora {

/// The tray title's colour as a token; the shell maps it to a real colour (or a badge on the icon).
enum class StatusColor { label, orange, red, clear, darkBlue };

QString rawValue(StatusColor color);
/// Exactly one of the five raw values, case-sensitive and untrimmed; anything else gives none.
std::optional<StatusColor> statusColorFromRaw(const QString& raw);

/// "-1j 15m", "-5m", "-0m": always with the leading minus, whatever the sign of `minutes`.
QString compactMinutes(int minutes);
/// The short countdown beside the tray icon: "-1j 15m", "ADZAN" ("MASUK" for sunrise and dhuha) or "+3m".
QString compactCountdownText(const PrayerDisplayState& display, Instant now, Instant blinkNow);
/// A blank, the prayer label, then " ADZAN" (" MASUK") in the entering phase or a blank and the countdown.
QString trayTitle(const QString& prayerLabel, const QString& countdown,
                     const std::optional<PrayerDisplayState>& display, Instant now);
/// Entering blinks between red (even seconds of `blinkNow`) and clear (odd seconds).
StatusColor statusColor(const std::optional<PrayerDisplayState>& display, Instant now, Instant blinkNow);

/// Everything the tray item and `lumora status` show at one moment.
struct TrayPresentation {
    std::optional<PrayerDisplayState> display;
    /// The featured prayer in upper case, else the next prayer, else "JADWAL".
    QString prayerLabel;
    /// The compact countdown, or the state's status text without a display state.
    QString countdown;
    QString title;
    StatusColor color = StatusColor::label;
    /// The featured prayer's instant, else the next prayer's, else `now`.
    Instant menuTime;
    /// `menuTime` as "HH:mm".
    QString menuTimeText;
    /// City, the featured prayer with its time, the countdown line, and the location's status when given,
    /// one per line.
    QString tooltip;
};

/// `locationStatus`: how the app knows where it is ("Lokasi ditolak"); the command line has none.
TrayPresentation presentTray(const AppState& state, Instant now, Instant blinkNow,
                             const QString& locationStatus = {});

} // namespace lumora
