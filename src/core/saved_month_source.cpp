#include "saved_month_source.h"

#include "model/date_helpers.h"
#include "places/data_store.h"

namespace lumora {

std::optional<SourcedMonth> SavedMonthSource::monthNow(const MonthRequest& request) {
    const QString key = DateHelpers::monthFormatter().format(request.date);
    // A decodable file without days is returned as it is, but counts as no month.
    std::optional<PrayerMonthCache> cached = m_store.cachedMonth(request.city.code, key);
    const bool found = cached && !cached->days.isEmpty();
    return SourcedMonth{cached.value_or(PrayerMonthCache{request.city.code, key, {}}),
                        found ? MonthLoadOutcome::found : MonthLoadOutcome::noDays};
}

void SavedMonthSource::keep(const PrayerMonthCache& month) {
    m_store.saveMonth(month);
}

} // namespace lumora
