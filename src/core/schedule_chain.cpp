#include "schedule_chain.h"

#include "core/core_log.h"
#include "model/date_helpers.h"

namespace lumora {

namespace {

QString monthKey(Instant t) {
    return DateHelpers::monthFormatter().format(t);
}

} // namespace

bool SourceKinds::includes(ScheduleSource::Kind kind) const {
    switch (kind) {
    case ScheduleSource::Kind::saved:
        return saved;
    case ScheduleSource::Kind::published:
        return published;
    case ScheduleSource::Kind::computed:
        return computed;
    }
    return false;
}

SourceKinds SourceKinds::chosenBy(MonthSource choice) {
    switch (choice) {
    case MonthSource::cache:
        return savedOnly();
    case MonthSource::service:
        return {false, true, false};
    case MonthSource::hisab:
        return computedOnly();
    case MonthSource::automatic:
        break;
    }
    return {};
}

ScheduleChain& ScheduleChain::append(std::unique_ptr<ScheduleSource> source) {
    if (source) m_sources.push_back(std::move(source));
    return *this;
}

bool ScheduleChain::offers(ScheduleSource::Kind kind) const {
    for (const auto& source : m_sources)
        if (source->kind() == kind) return true;
    return false;
}

bool ScheduleChain::take(std::size_t index, SourcedMonth answer, const MonthRequest& request,
                         ChainMonth& result, const std::vector<std::size_t>& asked) {
    ScheduleSource& source = *m_sources[index];
    const bool found = !answer.month.days.isEmpty();
    // A service's outcome says why it had no days; for the others, whether they had any is the whole story.
    const QString how = source.kind() == ScheduleSource::Kind::published ? describe(answer.outcome)
                        : found                                          ? QStringLiteral("found")
                                                                         : QStringLiteral("no days");
    qCDebug(coreLog).noquote() << "month" << request.city.code << monthKey(request.date) << "from"
                               << source.name() + QLatin1Char(':') << how;
    result.attempts.append({source.name(), answer.outcome});
    result.month = std::move(answer.month);
    if (!found) return false;
    // Only a published month is worth keeping: computed ones are cheap and never written.
    if (source.kind() == ScheduleSource::Kind::published)
        for (std::size_t earlier : asked)
            m_sources[earlier]->keep(result.month);
    return true;
}

QCoro::Task<ChainMonth> ScheduleChain::month(MonthRequest request, SourceKinds kinds) {
    ChainMonth result{PrayerMonthCache{request.city.code, monthKey(request.date), {}}, {}};
    std::vector<std::size_t> asked;
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (!kinds.includes(m_sources[i]->kind())) continue;
        SourcedMonth answer = co_await m_sources[i]->month(request);
        if (take(i, std::move(answer), request, result, asked)) break;
        asked.push_back(i);
    }
    co_return result;
}

ChainMonth ScheduleChain::monthNow(const MonthRequest& request, SourceKinds kinds) {
    ChainMonth result{PrayerMonthCache{request.city.code, monthKey(request.date), {}}, {}};
    std::vector<std::size_t> asked;
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (!kinds.includes(m_sources[i]->kind())) continue;
        std::optional<SourcedMonth> answer = m_sources[i]->monthNow(request);
        if (!answer) continue;
        if (take(i, std::move(*answer), request, result, asked)) break;
        asked.push_back(i);
    }
    return result;
}

} // namespace lumora
