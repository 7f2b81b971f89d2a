#pragma once

#include "core/schedule_source.h"

namespace lumora {

class DataStore;

/// The month files: a fresh saved month answers at once, and a month a service found is kept here.
class SavedMonthSource : public ScheduleSource {
public:
    /// `store` must outlive the source.
    explicit SavedMonthSource(DataStore& store) : m_store(store) {}

    Kind kind() const override { return Kind::saved; }
    QString name() const override { return QStringLiteral("the month files"); }
    std::optional<SourcedMonth> monthNow(const MonthRequest& request) override;
    void keep(const PrayerMonthCache& month) override;

private:
    DataStore& m_store;
};

} // namespace lumora
