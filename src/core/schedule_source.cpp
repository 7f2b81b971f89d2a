#include "schedule_source.h"

#include "model/date_helpers.h"

#include <array>
#include <utility>

namespace lumora {

namespace {

constexpr std::array<std::pair<MonthSource, const char*>, 4> kMonthSourceNames{{
    {MonthSource::automatic, "auto"},
    {MonthSource::cache, "cache"},
    {MonthSource::service, "service"},
    {MonthSource::hisab, "hisab"},
}};

} // namespace

std::optional<SourcedMonth> ScheduleSource::monthNow(const MonthRequest&) {
    return std::nullopt;
}

QCoro::Task<SourcedMonth> ScheduleSource::month(MonthRequest request) {
    // A plain local across the co_return: GCC 12 has mishandled temporaries there.
    std::optional<SourcedMonth> answer = monthNow(request);
    if (!answer)
        answer = SourcedMonth{
            PrayerMonthCache{request.city.code, DateHelpers::monthFormatter().format(request.date), {}},
            MonthLoadOutcome::noDays};
    co_return std::move(*answer);
}

void ScheduleSource::keep(const PrayerMonthCache&) {}

QString monthSourceName(MonthSource source) {
    for (const auto& [value, name] : kMonthSourceNames)
        if (value == source) return QString::fromLatin1(name);
    return {};
}

std::optional<MonthSource> parseMonthSource(QStringView text) {
    for (const auto& [value, name] : kMonthSourceNames)
        if (text == QLatin1StringView(name)) return value;
    return std::nullopt;
}

QString monthSourceNames() {
    QStringList names;
    for (const auto& entry : kMonthSourceNames)
        names << QString::fromLatin1(entry.second);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" atau ") + last;
}

} // namespace lumora
