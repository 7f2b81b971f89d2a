#pragma once

#include "core/schedule_source.h"

namespace lumora {

class DataStore;

/// The month files. As the first source a fresh saved month answers at once, and a month a service found is
/// kept here; listed again after the service (`Age::any`), a stale saved month answers when the service
/// gave none, since official times a few weeks old beat computed ones.
class SavedMonthSource : public ScheduleSource {
public:
    enum class Age {
        fresh, ///< only a month saved at most a week ago
        any,   ///< a stale month too
    };

    /// `store` must outlive the source.
    explicit SavedMonthSource(DataStore& store, Age age = Age::fresh) : m_store(store), m_age(age) {}

    Kind kind() const override { return Kind::saved; }
    QString name() const override;
    std::optional<SourcedMonth> monthNow(const MonthRequest& request) override;
    /// Only the fresh-month source keeps months: one write for each month found.
    void keep(const PrayerMonthCache& month) override;

private:
    DataStore& m_store;
    Age m_age;
};

} // namespace lumora
