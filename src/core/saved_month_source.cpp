#include "saved_month_source.h"

#include "model/date_helpers.h"
#include "places/data_store.h"

namespace lumora {

QString SavedMonthSource::name() const {
    return m_age == Age::fresh ? QStringLiteral("the month files") : QStringLiteral("the stale month files");
}

std::optional<SourcedMonth> SavedMonthSource::monthNow(const MonthRequest& request) {
    const QString key = DateHelpers::monthFormatter().format(request.date);
    std::optional<PrayerMonthCache> cached;
    if (m_age == Age::fresh) {
        cached = m_store.cachedMonth(request.city.code, key);
    } else if (std::optional<DataStore::SavedMonth> saved = m_store.savedMonth(request.city.code, key)) {
        cached = std::move(saved->cache);
    }
    // A decodable file without days is returned as it is, but counts as no month.
    const bool found = cached && !cached->days.isEmpty();
    return SourcedMonth{cached.value_or(PrayerMonthCache{request.city.code, key, {}}),
                        found ? MonthLoadOutcome::found : MonthLoadOutcome::noDays};
}

void SavedMonthSource::keep(const PrayerMonthCache& month) {
    if (m_age == Age::fresh) m_store.saveMonth(month);
}

} // namespace lumora
