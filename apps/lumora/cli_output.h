#pragma once

#include "base/one_line.h"
#include "core/notification_center.h"
#include "model/app_state.h"
#include "model/local_iso.h"
#include "model/prayer_corrections.h"
#include "model/prayer_display.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTextStream>

#include <optional>

namespace lumora::cli {

/// Usage errors (unknown options, bad values) end the program with this status.
inline constexpr int kUsageError = 2;

/// The program's standard output and error, shared by every subcommand so their output keeps its order.
QTextStream& out();
QTextStream& err();
using lumora::oneLine;
/// Prints "lumora: " and `message` as one line on stderr.
void warn(const QString& message);
/// Prints "lumora: " and `message` as one line on stderr and returns `status`.
int fail(const QString& message, int status = kUsageError);
/// Flushes standard output; false when anything written to it was lost (a full disk, a closed pipe).
bool outputWritten();
/// Prints an object or array indented, `null` for a null value.
void printJson(const QJsonValue& value);

/// {"prayer", "dateTime", "mode", "countdownTarget"?, "phase", "secondaryText"} at `now`.
QJsonObject displayJson(const PrayerDisplayState& display, Instant now);

/// The day at a glance for a terminal: city, dates, the listed day's times with the featured one marked, and
/// the countdown line.
/// `withCountdown` false leaves the countdown line out, for a caller that draws it live.
/// A time moved by `corrections` is marked ("koreksi +2 menit").
QString todayText(const AppState& state, const std::optional<PrayerDisplayState>& display, Instant now,
                  bool withCountdown = true, const PrayerCorrections& corrections = {});

/// One line per day: the date and the six times.
QString monthText(const PrayerMonthCache& month);

/// The local minute a request fires, "yyyy-MM-dd HH:mm".
QString fireAtText(const NotificationTrigger& trigger);

/// [{"identifier", "title", "body", "sound", "fireAt"}] in the given order.
QJsonArray remindersJson(const QList<NotificationRequest>& requests);

/// One line per request: when it fires, its sound, title and body; requests whose minute has begun by `now`
/// are marked, as they would never fire.
QString remindersText(const QList<NotificationRequest>& requests, Instant now);

} // namespace lumora::cli
