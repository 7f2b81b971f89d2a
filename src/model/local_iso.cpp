#include "local_iso.h"

#include "date_helpers.h"

#include <QRegularExpression>

#include <cmath>

namespace lumora {

std::optional<Instant> parseLocalIso(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2})(?::(\d{2}))?$)"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    return DateHelpers::fromCivil(CivilTime{m.captured(1).toInt(), m.captured(2).toInt(),
                                            m.captured(3).toInt(), m.captured(4).toInt(),
                                            m.captured(5).toInt(), m.captured(6).toInt()});
}

QString formatLocalIso(Instant t) {
    // Whole seconds toward the past, so a fraction never shows as the next second.
    const CivilTime c = DateHelpers::civil(Instant{std::floor(t.seconds)});
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
        .arg(c.year, 4, 10, QLatin1Char('0'))
        .arg(c.month, 2, 10, QLatin1Char('0'))
        .arg(c.day, 2, 10, QLatin1Char('0'))
        .arg(c.hour, 2, 10, QLatin1Char('0'))
        .arg(c.minute, 2, 10, QLatin1Char('0'))
        .arg(c.second, 2, 10, QLatin1Char('0'));
}

} // namespace lumora
