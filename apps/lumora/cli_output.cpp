#include "cli_output.h"

#include "model/date_helpers.h"

#include <QJsonDocument>

#include <cstdio>

namespace lumora::cli {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

void warn(const QString& message) {
    err() << "lumora: " << oneLine(message) << Qt::endl;
}

int fail(const QString& message, int status) {
    warn(message);
    return status;
}

bool outputWritten() {
    out().flush();
    const bool streamOk = out().status() == QTextStream::Ok;
    return std::fflush(stdout) == 0 && !std::ferror(stdout) && streamOk;
}

void printJson(const QJsonValue& value) {
    const QByteArray bytes = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented)
                             : value.isObject()
                                 ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented)
                                 : (value.isNull() ? QByteArray("null\n") : QByteArray());
    out() << QString::fromUtf8(bytes);
    out().flush();
}

QJsonObject displayJson(const PrayerDisplayState& display, Instant now) {
    QJsonObject o{{QStringLiteral("prayer"), rawValue(display.prayer)},
                  {QStringLiteral("dateTime"), display.dateTime.seconds},
                  {QStringLiteral("mode"), rawValue(display.mode)},
                  {QStringLiteral("phase"), rawValue(display.phase(now))},
                  {QStringLiteral("secondaryText"), display.secondaryText(now)}};
    if (display.countdownTarget)
        o.insert(QStringLiteral("countdownTarget"), display.countdownTarget->seconds);
    return o;
}

QString todayText(const AppState& state, const std::optional<PrayerDisplayState>& display, Instant now,
                  bool withCountdown, const PrayerCorrections& corrections) {
    QString out;
    out += state.cityName + QStringLiteral(" (") + state.cityCode + QStringLiteral(")\n");
    QString dates = state.todayLabel;
    const QString hijri = DateHelpers::formatHijriDay(now);
    if (!hijri.isEmpty()) dates += QStringLiteral(" / ") + hijri;
    out += dates + u'\n';
    if (state.currentDay) {
        out += u'\n' + state.scheduleLabel + QStringLiteral(" (") + state.currentDay->date +
               QStringLiteral(")\n");
        for (const PrayerSlot& slot : state.currentDay->slots) {
            const auto at = DateHelpers::makeDate(state.currentDay->date, slot.time);
            const bool featured = display && at && display->prayer == slot.name && display->dateTime == *at;
            out += (featured ? QStringLiteral("> ") : QStringLiteral("  ")) +
                   displayName(slot.name).leftJustified(16) + slot.shownTime();
            // A time that does not occur says why on its own line's end.
            if (slot.time.isEmpty() && !slot.reason.isEmpty())
                out += QStringLiteral("  (") + slot.reason + u')';
            else if (!slot.time.isEmpty() && corrections.of(slot.name) != 0)
                out += QStringLiteral("  (") + correctionText(corrections.of(slot.name)) + u')';
            out += u'\n';
        }
    }
    out += u'\n';
    if (display && withCountdown)
        out += displayName(display->prayer) + u' ' + display->secondaryText(now) + u'\n';
    out += state.statusText + u'\n';
    return out;
}

QString monthText(const PrayerMonthCache& month) {
    QString out = month.cityCode + u' ' + month.month + u'\n';
    for (const PrayerDay& day : month.days) {
        out += day.date;
        for (const PrayerSlot& slot : day.slots)
            out += u' ' + rawValue(slot.name) + u'=' + slot.shownTime();
        out += u'\n';
    }
    return out;
}

QString fireAtText(const NotificationTrigger& trigger) {
    // The trigger is already the local calendar minute; formatting its fields avoids a round trip through an
    // instant.
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", trigger.year, trigger.month, trigger.day,
                             trigger.hour, trigger.minute);
}

QJsonArray remindersJson(const QList<NotificationRequest>& requests) {
    QJsonArray out;
    for (const NotificationRequest& r : requests)
        out.append(QJsonObject{{QStringLiteral("identifier"), r.identifier},
                               {QStringLiteral("title"), r.title},
                               {QStringLiteral("body"), r.body},
                               {QStringLiteral("sound"), soundName(r.sound)},
                               {QStringLiteral("fireAt"), fireAtText(r.trigger)}});
    return out;
}

QString remindersText(const QList<NotificationRequest>& requests, Instant now) {
    if (requests.isEmpty()) return QStringLiteral("Tidak ada pengingat.\n");
    QString out;
    for (const NotificationRequest& r : requests) {
        out += fireAtText(r.trigger) + QStringLiteral("  ") +
               (u'[' + soundName(r.sound) + u']').leftJustified(9) + QStringLiteral("  ") + r.title;
        if (!r.body.isEmpty()) out += QStringLiteral(": ") + r.body;
        const auto at = r.trigger.instant();
        if (at && *at <= now) out += QStringLiteral("  (lewat)");
        out += u'\n';
    }
    return out;
}

} // namespace lumora::cli
