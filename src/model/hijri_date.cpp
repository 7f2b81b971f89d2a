#include "hijri_date.h"

namespace lumora {

QString hijriCalendarName(HijriCalendarKind kind) {
    return kind == HijriCalendarKind::ummalqura ? QStringLiteral("ummalqura") : QStringLiteral("indonesia");
}

std::optional<HijriCalendarKind> hijriCalendarFromName(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == u"indonesia") return HijriCalendarKind::indonesia;
    if (n == u"ummalqura") return HijriCalendarKind::ummalqura;
    return std::nullopt;
}

HijriSettings parseHijriSettings(const std::optional<QString>& calendar, const std::optional<QString>& offset,
                                 EchoValue echo) {
    const auto shown = [echo](const QString& value) { return echo ? echo(value) : value; };
    HijriSettings s;
    if (calendar) {
        if (const auto kind = hijriCalendarFromName(*calendar))
            s.calendar = *kind;
        else
            s.errors << QStringLiteral("hijriCalendar tidak dikenal: \"%1\" (indonesia atau ummalqura); "
                                       "memakai indonesia")
                            .arg(shown(*calendar));
    }
    if (offset) {
        bool ok = false;
        const int days = offset->trimmed().toInt(&ok, 10);
        if (ok && days >= -HijriSettings::kMaxOffset && days <= HijriSettings::kMaxOffset)
            s.offsetDays = days;
        else
            s.errors << QStringLiteral(
                            "hijriOffset tidak valid: \"%1\" (bilangan bulat -2 sampai 2); memakai 0")
                            .arg(shown(*offset));
    }
    return s;
}

} // namespace lumora
