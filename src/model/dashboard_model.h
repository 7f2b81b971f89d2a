#pragma once

#include "app_state.h"
#include "prayer_display.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace lumora {

/// The window's accent as a token: night blue only in the cool-down phase.
enum class DashboardAccent { crimson, nightBlue };

QString rawValue(DashboardAccent accent);

struct DashboardRow {
    PrayerName prayer = PrayerName::subuh;
    QString label;
    /// The slot's time exactly as stored; "--:--" for one that does not occur that day.
    QString time;
    bool highlight = false;

    bool operator==(const DashboardRow&) const = default;
};

/// Everything the main window draws at one moment; painters only render it.
struct DashboardModel {
    QString city;
    QString title;
    QString dateLine;
    QString hours;
    QString minutes;
    bool colonVisible = true;
    /// Amber digits: the approaching and entering phases.
    bool timeUrgent = false;
    QString countdownLine;
    double countdownOpacity = 1.0;
    double countdownScale = 1.0;
    bool countdownGlow = false;
    DashboardAccent accent = DashboardAccent::crimson;
    bool loading = false;
    QString scheduleTitle;
    QList<DashboardRow> rows;
    /// "Jadwal belum tersedia." when no day is listed, else empty.
    QString emptyText;
    /// Where the times come from and why, at the card's foot ("Jadwal hisab: Jakarta · Lokasi ditolak"):
    /// the state's own status while the countdown line shows the countdown, then the location's status.
    QString statusLine;
    /// The phase at `now`, none without a display state; the view animates when it changes.
    std::optional<PrayerDisplayPhase> phase;

    bool operator==(const DashboardModel&) const = default;

    /// The keys of `lumora dashboard --json`; `emptyText` only when no day is listed.
    QJsonObject toJson() const;
};

/// The long date, " / " and the Hijri date; the separator stays when the Hijri date is empty.
QString dashboardDateLine(const QString& longDate, const QString& hijriDay);

/// The dashboard for `state` at `countdownNow`, blinking with `blinkNow`; `locationStatus` as the view
/// model publishes it ("Lokasi ditolak"), empty when there is nothing to say.
DashboardModel dashboardModel(const AppState& state, Instant countdownNow, Instant blinkNow, bool isLoading,
                              const QString& locationStatus = {});

namespace DashboardTexts {
inline const QString kNoSchedule = QStringLiteral("Jadwal belum tersedia.");
inline const QString kMissingPart = QStringLiteral("--");
} // namespace DashboardTexts

} // namespace lumora
