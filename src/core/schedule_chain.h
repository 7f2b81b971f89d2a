#pragma once

#include "core/schedule_source.h"

#include <QList>

#include <memory>
#include <vector>

namespace lumora {

/// Which kinds of source a walk of the chain asks.
struct SourceKinds {
    bool saved = true;
    bool published = true;
    bool computed = true;

    bool includes(ScheduleSource::Kind kind) const;
    /// One kind alone for a chosen source, every kind for `automatic`.
    static SourceKinds chosenBy(MonthSource choice);
    /// The schedule proper: month files and services, no computed times.
    static SourceKinds schedule() { return {true, true, false}; }
    static SourceKinds computedOnly() { return {false, false, true}; }
    static SourceKinds savedOnly() { return {true, false, false}; }
};

/// What a walk of the chain found: the month, and each asked source's outcome in the order asked.
struct ChainMonth {
    struct Attempt {
        QString source;
        MonthLoadOutcome outcome;
    };

    PrayerMonthCache month;
    QList<Attempt> attempts;

    /// The last asked source's outcome; `noDays` when none was asked.
    MonthLoadOutcome outcome() const {
        return attempts.isEmpty() ? MonthLoadOutcome::noDays : attempts.last().outcome;
    }
};

/// The schedule sources in the order they are asked, as the composition root lists them. The first month
/// with days ends a walk; a published source's month is offered to the sources asked before it (the month
/// files save it); when no source has days, the last one asked gives the month, else an empty month for the
/// request.
class ScheduleChain {
public:
    ScheduleChain() = default;
    ScheduleChain(ScheduleChain&&) = default;
    ScheduleChain& operator=(ScheduleChain&&) = default;

    ScheduleChain& append(std::unique_ptr<ScheduleSource> source);
    /// Whether a source of `kind` is in the chain.
    bool offers(ScheduleSource::Kind kind) const;

    /// Asks the sources of `kinds` in order, waiting where one must. Never fails.
    QCoro::Task<ChainMonth> month(MonthRequest request, SourceKinds kinds = {});
    /// The same walk without waiting: sources that can only answer later are passed over.
    ChainMonth monthNow(const MonthRequest& request, SourceKinds kinds = {});

private:
    /// Records `answer` of `m_sources[index]`; true when it ends the walk.
    bool take(std::size_t index, SourcedMonth answer, const MonthRequest& request, ChainMonth& result,
              const std::vector<std::size_t>& asked);

    std::vector<std::unique_ptr<ScheduleSource>> m_sources;
};

} // namespace lumora
