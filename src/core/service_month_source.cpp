#include "service_month_source.h"

namespace lumora {

QCoro::Task<SourcedMonth> ServiceMonthSource::month(MonthRequest request) {
    MonthLoad load = co_await m_source.loadMonth(request.city.code, request.date);
    co_return SourcedMonth{std::move(load.month), load.outcome};
}

} // namespace lumora
