// libFuzzer target for reading the schedule service's answers: any bytes the service might send, decoded as
// the fetch decodes them, must parse without a crash, and whatever comes out must be a well-formed month.
#include "schedule/prayer_source.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The date helpers take the zone once; fix it so that runs reproduce.
    setenv("TZ", "Asia/Jakarta", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString body = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto result =
        lumora::PrayerSource::parse(body, QStringLiteral("jakarta"), QStringLiteral("2024-05"));
    if (!result) return 0;

    check(result->cityCode == u"jakarta" && result->month == u"2024-05");
    QString previous;
    for (const lumora::PrayerDay& day : result->days) {
        check(day.cityCode == u"jakarta" && day.cityName == u"jakarta");
        check(day.date.size() == 10 && day.date.startsWith(u"2024-05-"));
        check(previous <= day.date);
        check(day.slots.size() == 6);
        previous = day.date;
    }
    return 0;
}
