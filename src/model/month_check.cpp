#include "month_check.h"

#include <QDate>
#include <QSet>

#include <array>

namespace lumora {

namespace {

int digit(QChar c) {
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1;
}

int twoDigits(QStringView text) {
    const int tens = digit(text[0]);
    const int ones = digit(text[1]);
    return tens < 0 || ones < 0 ? -1 : tens * 10 + ones;
}

/// Minutes after midnight of a clock time, or -1.
int minutesOf(QStringView text) {
    if (!isClockTime(text)) return -1;
    return twoDigits(text.left(2)) * 60 + twoDigits(text.mid(3, 2));
}

/// Where each prayer stands in a day; dhuha is optional, the six others are required.
constexpr std::array<PrayerName, 7> kDayOrder = {PrayerName::subuh,  PrayerName::syuruq, PrayerName::dhuha,
                                                 PrayerName::dhuhur, PrayerName::ashar,  PrayerName::maghrib,
                                                 PrayerName::isya};

int rank(PrayerName name) {
    for (std::size_t i = 0; i < kDayOrder.size(); ++i)
        if (kDayOrder[i] == name) return static_cast<int>(i);
    return -1;
}

std::optional<QString> dayProblem(const PrayerDay& day) {
    int lastRank = -1;
    int lastMinutes = -1;
    int required = 0;
    for (const PrayerSlot& slot : day.slots) {
        const QString shown =
            slot.time.size() > kMaxTimeTextChars ? slot.time.left(kMaxTimeTextChars) + u'…' : slot.time;
        const int r = rank(slot.name);
        if (r <= lastRank) return QStringLiteral("%1: %2 out of place").arg(day.date, rawValue(slot.name));
        const int minutes = minutesOf(slot.time);
        if (minutes < 0)
            return QStringLiteral("%1: %2 is not a time: \"%3\"").arg(day.date, rawValue(slot.name), shown);
        if (minutes <= lastMinutes)
            return QStringLiteral("%1: %2 %3 is not after the time before it")
                .arg(day.date, rawValue(slot.name), slot.time);
        lastRank = r;
        lastMinutes = minutes;
        if (slot.name != PrayerName::dhuha) ++required;
    }
    if (required != 6) return QStringLiteral("%1: %2 of six times").arg(day.date).arg(required);
    return std::nullopt;
}

} // namespace

bool isClockTime(QStringView text) {
    if (text.size() != 5 || text[2] != u':') return false;
    const int hours = twoDigits(text.left(2));
    const int minutes = twoDigits(text.mid(3, 2));
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59;
}

std::optional<QString> monthProblem(const PrayerMonthCache& month) {
    const QDate first = QDate::fromString(month.month + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    if (!first.isValid()) return QStringLiteral("not a month: \"%1\"").arg(month.month.left(16));
    if (month.days.size() > first.daysInMonth())
        return QStringLiteral("%1 days in a month of %2").arg(month.days.size()).arg(first.daysInMonth());
    QSet<QString> dates;
    for (const PrayerDay& day : month.days) {
        const QDate date = QDate::fromString(day.date, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid() || date.year() != first.year() || date.month() != first.month())
            return QStringLiteral("a day outside the month: \"%1\"").arg(day.date.left(16));
        if (dates.contains(day.date)) return QStringLiteral("%1 twice").arg(day.date);
        dates.insert(day.date);
        if (auto problem = dayProblem(day)) return problem;
    }
    return std::nullopt;
}

} // namespace lumora
