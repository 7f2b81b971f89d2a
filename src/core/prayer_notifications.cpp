#include "prayer_notifications.h"

#include "model/date_helpers.h"
#include "model/prayer_display.h"

namespace lumora {

namespace {

constexpr double kReminderLead = 900;
constexpr double kAfterDelay = 300;
constexpr double kDhuhaStartDelay = 900;

const QString kBullet = QStringLiteral(u" \u2022 ");

QString hhmm(Instant t) {
    return DateHelpers::displayTimeFormatter().format(t);
}

void planSlot(QList<NotificationRequest>& out, const PrayerDay& day, PrayerName name, Instant t,
              const QString& city) {
    const QString prefix = day.date + u'-' + rawValue(name);
    const QString display = displayName(name);
    const QString time = hhmm(t);
    auto add = [&](QString identifier, QString title, QString body, NotificationSound sound, Instant at) {
        out.append(NotificationRequest{std::move(identifier), std::move(title), std::move(body), sound,
                                       NotificationTrigger::at(at)});
    };

    // Sunrise and dhuha have no adzan: no takbir for them (the server's own sound at most), and no
    // "minutes since the adzan" notice.
    const bool adzan = isAdzanTime(name);
    const NotificationSound sound = adzan ? NotificationSound::takbir : NotificationSound::standard;
    if (adzan)
        add(prefix + QStringLiteral("-main"),
            QStringLiteral("Waktu ") + display + QStringLiteral(" telah masuk"), city + kBullet + time, sound,
            t);
    else if (name == PrayerName::syuruq)
        add(prefix + QStringLiteral("-main"),
            QStringLiteral("Matahari terbit, waktu ") + displayName(PrayerName::subuh) +
                QStringLiteral(" telah berakhir"),
            city + kBullet + time, sound, t);
    if (name != PrayerName::dhuha)
        add(prefix + QStringLiteral("-reminder"),
            QStringLiteral(u"15 menit lagi \u2014> ") + display + u' ' + time + QStringLiteral(" (") + city +
                u')',
            QString(), sound, t - kReminderLead);
    if (adzan)
        add(prefix + QStringLiteral("-5after"),
            QStringLiteral("Sudah 5 menit dari adzan ") + display + QStringLiteral(" (") + city + u' ' +
                time + u')',
            QString(), NotificationSound::none, t + kAfterDelay);
    if (name == PrayerName::syuruq) {
        const Instant start = t + kDhuhaStartDelay;
        add(day.date + QStringLiteral("-dhuha-start"), QStringLiteral("Dhuha / Isyroq"),
            city + kBullet + hhmm(start), NotificationSound::standard, start);
    }
}

} // namespace

QList<NotificationRequest> planNotifications(const AppState& state) {
    QList<NotificationRequest> out;
    for (const std::optional<PrayerDay>& day : {state.todayDay, state.tomorrowDay}) {
        if (!day) continue;
        // The day is read once; it does not depend on the slot.
        const std::optional<Instant> dayStart = DateHelpers::dateFormatter().parse(day->date);
        if (!dayStart) continue;
        for (const PrayerSlot& slot : day->slots) {
            const std::optional<TimeOfDay> time = DateHelpers::parseTime(slot.time);
            if (!time) continue;
            const std::optional<Instant> t = DateHelpers::atTimeOfDay(*dayStart, *time);
            if (!t) continue;
            planSlot(out, *day, slot.name, *t, state.cityName);
        }
    }
    return out;
}

void scheduleNotifications(const AppState& state, NotificationCenter& center) {
    if (!center.isAvailable()) return;
    center.removeAllPending();
    for (const NotificationRequest& request : planNotifications(state))
        center.add(request);
}

} // namespace lumora
