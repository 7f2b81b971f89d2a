#pragma once

#include "base/files.h"

#include "model/app_state.h"
#include "model/instant.h"
#include "model/prayer_schedule.h"
#include "model/result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace lumora {

/// What the widget draws from: the schedule the app holds, written by the app and read by the widget host.
struct WidgetSnapshot {
    QString cityName;
    QString cityCode;
    std::optional<PrayerDay> todayDay;
    std::optional<PrayerDay> tomorrowDay;
    QString statusText;
    Instant savedAt;

    bool operator==(const WidgetSnapshot&) const = default;

    /// Absent days are left out; `savedAt` is seconds since 2001.
    QJsonObject toJson() const;
    /// The document the store writes; none when it cannot be encoded (a non-finite `savedAt`).
    std::optional<QByteArray> toJsonBytes() const;
    /// Days may be absent or null; the four other keys are required.
    static Result<WidgetSnapshot> fromJson(const QJsonValue& json);
    static Result<WidgetSnapshot> fromJsonBytes(const QByteArray& bytes);

    static WidgetSnapshot fromState(const AppState& state, Instant now);
    /// Shown when there is no readable snapshot: Jakarta, no days, "Memuat jadwal...".
    static WidgetSnapshot fallback(Instant now);
};

namespace WidgetSnapshotStore {

/// A snapshot file holds a few hundred bytes; anything past this is not ours.
inline constexpr qint64 kMaxBytes = files::maxBytes(files::Kind::snapshot);

/// "widget-snapshot.json" in `dataFolder`.
QString path(const QString& dataFolder);
/// Replaces the file in `dataFolder` whole, so a reader sees the old or the new snapshot and never a mixture.
/// False when nothing was written; the old file then stays.
bool write(const QString& dataFolder, const WidgetSnapshot& snapshot);
/// The snapshot stored in `dataFolder`, or the fallback snapshot made at `now` when there is none that reads.
WidgetSnapshot read(const QString& dataFolder, Instant now);
/// The same for a snapshot at any path (a preview of a saved file).
WidgetSnapshot readFile(const QString& path, Instant now);

} // namespace WidgetSnapshotStore

} // namespace lumora

std::size_t qHash(const lumora::WidgetSnapshot& s, std::size_t seed = 0) noexcept;
