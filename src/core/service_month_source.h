#pragma once

#include "core/schedule_source.h"

namespace lumora {

/// The schedule service, through a PrayerSource; it always answers later.
class ServiceMonthSource : public ScheduleSource {
public:
    explicit ServiceMonthSource(PrayerSource source) : m_source(std::move(source)) {}

    Kind kind() const override { return Kind::published; }
    QString name() const override { return QStringLiteral("the service"); }
    QCoro::Task<SourcedMonth> month(MonthRequest request) override;

private:
    PrayerSource m_source;
};

} // namespace lumora
