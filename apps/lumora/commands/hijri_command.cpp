#include "command_handlers.h"

#include "base/one_line.h"
#include "core/app_config.h"
#include "core/app_services.h"
#include "model/date_helpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

namespace lumora::cli {

namespace {

constexpr int kUsageError = 2;
constexpr int kMonthsShown = 3;
/// Three months end within 90 days; the margin covers the offset.
constexpr int kMaxDaysScanned = 100;

struct MonthStart {
    QString text;
    QString date;
};

/// The first days after `noon` as the Hijri line would show them, offset included.
QList<MonthStart> nextMonthStarts(Instant noon) {
    QList<MonthStart> starts;
    for (int i = 1; i <= kMaxDaysScanned && starts.size() < kMonthsShown; ++i) {
        const auto day = DateHelpers::addDays(noon, i);
        if (!day) break;
        const auto h = DateHelpers::hijriDay(*day);
        if (h && h->day == 1)
            starts.append({DateHelpers::formatHijriDate(*h), DateHelpers::dateFormatter().format(*day)});
    }
    return starts;
}

} // namespace

int hijri(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto fail = [&err](const QString& message, int status) {
        err << "lumora: " << oneLine(message) << Qt::endl;
        return status;
    };

    bool json = false;
    std::optional<QString> calendarArg, dateArg;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--json") {
            json = true;
        } else if (a == u"--calendar") {
            if (i + 1 >= args.size()) return fail(QStringLiteral("--calendar memerlukan nilai"), kUsageError);
            calendarArg = args[++i];
        } else if (a.startsWith(u"--")) {
            return fail(QStringLiteral("pilihan tidak dikenal: %1").arg(echoed(a)), kUsageError);
        } else if (!dateArg) {
            dateArg = a;
        } else {
            return fail(QStringLiteral("argumen tidak dikenal: %1").arg(echoed(a)), kUsageError);
        }
    }

    Instant day = SystemClock::instance().now();
    if (dateArg) {
        const auto parsed = DateHelpers::dateFormatter().parse(*dateArg);
        if (!parsed)
            return fail(QStringLiteral("tanggal tidak valid: %1 (contoh: 2026-03-21)").arg(echoed(*dateArg)),
                        kUsageError);
        day = *parsed;
    }
    HijriSettings settings = AppConfig::resolve().hijri;
    if (calendarArg) {
        const auto kind = hijriCalendarFromName(*calendarArg);
        if (!kind)
            return fail(QStringLiteral("kalender tidak dikenal: %1 (indonesia atau ummalqura)")
                            .arg(echoed(*calendarArg)),
                        kUsageError);
        settings.calendar = *kind;
    }
    // Bad stored values are reported once and left at their defaults.
    for (const QString& e : settings.errors)
        err << "lumora: " << oneLine(e) << Qt::endl;
    applyHijriSettings(settings);

    // Noon keeps whole-day steps clear of any clock change at midnight.
    const Instant noon =
        DateHelpers::atTimeOfDay(DateHelpers::startOfDay(day), TimeOfDay{12, 0}).value_or(day);
    const auto date = DateHelpers::hijriDay(noon);
    const QString dayKey = DateHelpers::dateFormatter().format(noon);
    if (!date) return fail(QStringLiteral("tanggal di luar rentang perhitungan: %1").arg(dayKey), 1);
    const QString text = DateHelpers::formatHijriDate(*date);
    const QString calendar = hijriCalendarName(settings.calendar);
    const QList<MonthStart> next = nextMonthStarts(noon);

    if (json) {
        QJsonArray months;
        for (const MonthStart& m : next)
            months.append(QJsonObject{{QStringLiteral("text"), m.text}, {QStringLiteral("date"), m.date}});
        const QJsonObject o{{QStringLiteral("date"), dayKey},       {QStringLiteral("day"), date->day},
                            {QStringLiteral("month"), date->month}, {QStringLiteral("year"), date->year},
                            {QStringLiteral("text"), text},         {QStringLiteral("calendar"), calendar},
                            {QStringLiteral("nextMonths"), months}};
        out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
    } else {
        out << dayKey << "  " << text << "  (kalender " << calendar;
        if (settings.offsetDays != 0)
            out << QStringLiteral(", geser %1%2 hari")
                       .arg(settings.offsetDays > 0 ? "+" : "")
                       .arg(settings.offsetDays);
        out << ")\n";
        for (const MonthStart& m : next)
            out << m.date << "  " << m.text << '\n';
    }
    out.flush();
    return 0;
}

} // namespace lumora::cli
