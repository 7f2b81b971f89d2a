#pragma once

#include "model/city_entry.h"
#include "model/instant.h"
#include "model/prayer_schedule.h"
#include "schedule/prayer_source.h"

#include <qcoro/qcorotask.h>

#include <QString>
#include <QStringView>

#include <optional>

namespace lumora {

/// The month wanted: the one holding `date`, for `city`.
struct MonthRequest {
    CityEntry city;
    Instant date;
    /// Where the user is when `city` was picked for it; none for a city asked for by name. Computed times are
    /// for this point.
    std::optional<GeoPoint> location;
};

/// A month and how one source came by it. Sources other than a service say only `found` or `noDays`.
struct SourcedMonth {
    PrayerMonthCache month;
    MonthLoadOutcome outcome = MonthLoadOutcome::noDays;
};

/// One place a month of prayer times can come from. ScheduleChain asks its sources in order.
class ScheduleSource {
public:
    enum class Kind {
        saved,     ///< the app's own month files
        published, ///< a schedule service: what it gives is worth saving
        computed,  ///< times computed at any point; they stand in when no schedule can be had
    };

    virtual ~ScheduleSource() = default;

    virtual Kind kind() const = 0;
    /// For the log: "the service".
    virtual QString name() const = 0;
    /// The month without waiting; none when this source can only answer later (over the network).
    virtual std::optional<SourcedMonth> monthNow(const MonthRequest& request);
    /// The month, waiting where needed. Never fails: a failed attempt is an empty month and its outcome.
    virtual QCoro::Task<SourcedMonth> month(MonthRequest request);
    /// A month with days that a later source found, offered to keep; most sources keep nothing.
    virtual void keep(const PrayerMonthCache& month);
};

/// What `lumora month --source` (and the schedule's source setting) chooses: every kind of source in order,
/// or one kind alone.
enum class MonthSource { automatic, cache, service, hisab };

/// The choice's name as typed: "auto", "cache", "service", "hisab".
QString monthSourceName(MonthSource source);
/// The choice `text` names exactly, or none.
std::optional<MonthSource> parseMonthSource(QStringView text);
/// Every name, for a message: "auto, cache, service atau hisab".
QString monthSourceNames();

} // namespace lumora
