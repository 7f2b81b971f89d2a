#include "prayer_notifications.h"

#include "base/settings_schema.h"
#include "core/preferences.h"
#include "model/date_helpers.h"
#include "model/prayer_display.h"

namespace lumora {

namespace {

constexpr double kMinute = 60;
constexpr double kDhuhaStartDelay = 900;

const QString kBullet = QStringLiteral(u" \u2022 ");

QString hhmm(Instant t) {
    return DateHelpers::displayTimeFormatter().format(t);
}

struct Planner {
    QList<NotificationRequest>& out;
    const QString& city;

    void add(QString identifier, QString title, QString body, NotificationSound sound, Instant at) {
        out.append(NotificationRequest{std::move(identifier), std::move(title), std::move(body), sound,
                                       NotificationTrigger::at(at)});
    }
    void before(const QString& prefix, const QString& display, Instant t, int minutes, NotificationSound sound) {
        if (minutes <= 0) return;
        add(prefix + QStringLiteral("-reminder"),
            QString::number(minutes) + QStringLiteral(u" menit lagi \u2014> ") + display + u' ' + hhmm(t) +
                QStringLiteral(" (") + city + u')',
            QString(), sound, t - minutes * kMinute);
    }
    void after(const QString& prefix, const QString& what, Instant t, int minutes) {
        if (minutes <= 0) return;
        add(prefix + u'-' + QString::number(minutes) + QStringLiteral("after"),
            QStringLiteral("Sudah ") + QString::number(minutes) + QStringLiteral(" menit dari ") + what +
                QStringLiteral(" (") + city + u' ' + hhmm(t) + u')',
            QString(), NotificationSound::none, t + minutes * kMinute);
    }
};

void planSlot(Planner& planner, const PrayerDay& day, PrayerName name, Instant t, const ReminderPlan& plan) {
    // Dhuha is planned from sunrise, whose time it follows; a listed dhuha slot adds nothing of its own.
    if (name == PrayerName::dhuha) return;
    const QString prefix = day.date + u'-' + rawValue(name);
    const QString display = displayName(name);
    const ReminderTimes& times = plan.of(name);

    // Sunrise and dhuha have no adzan: no takbir for them (the server's own sound at most), and no
    // "minutes since the adzan" notice.
    const bool adzan = isAdzanTime(name);
    const NotificationSound sound = adzan ? NotificationSound::takbir : NotificationSound::standard;
    if (times.atTime && adzan)
        planner.add(prefix + QStringLiteral("-main"),
                    QStringLiteral("Waktu ") + display + QStringLiteral(" telah masuk"),
                    planner.city + kBullet + hhmm(t), sound, t);
    else if (times.atTime && name == PrayerName::syuruq)
        planner.add(prefix + QStringLiteral("-main"),
                    QStringLiteral("Matahari terbit, waktu ") + displayName(PrayerName::subuh) +
                        QStringLiteral(" telah berakhir"),
                    planner.city + kBullet + hhmm(t), sound, t);
    planner.before(prefix, display, t, times.beforeMinutes, sound);
    if (adzan) planner.after(prefix, QStringLiteral("adzan ") + display, t, times.afterMinutes);
    if (name == PrayerName::syuruq) {
        const Instant start = t + kDhuhaStartDelay;
        const ReminderTimes& dhuha = plan.of(PrayerName::dhuha);
        const QString dhuhaPrefix = day.date + QStringLiteral("-dhuha");
        planner.before(dhuhaPrefix, displayName(PrayerName::dhuha), start, dhuha.beforeMinutes,
                       NotificationSound::standard);
        if (dhuha.atTime)
            planner.add(dhuhaPrefix + QStringLiteral("-start"), QStringLiteral("Dhuha / Isyroq"),
                        planner.city + kBullet + hhmm(start), NotificationSound::standard, start);
        planner.after(dhuhaPrefix, QStringLiteral("awal ") + displayName(PrayerName::dhuha), start,
                      dhuha.afterMinutes);
    }
}

} // namespace

ReminderPlan ReminderPlan::defaults() {
    ReminderPlan plan;
    plan.of(PrayerName::syuruq).afterMinutes = 0;
    plan.of(PrayerName::dhuha) = ReminderTimes{0, true, 0};
    return plan;
}

ReminderPlan ReminderPlan::from(const Preferences& preferences) {
    ReminderPlan plan = defaults();
    for (const PrayerName name : kAllPrayerNames) {
        const QString key = QStringLiteral("reminders.") + rawValue(name);
        ReminderTimes& times = plan.of(name);
        times.beforeMinutes = preferences.integer(key + QStringLiteral(".before"));
        times.atTime = preferences.isOn(key + QStringLiteral(".atTime"));
        if (SettingsSchema::hasAfterReminder(rawValue(name)))
            times.afterMinutes = preferences.integer(key + QStringLiteral(".after"));
    }
    return plan;
}

QList<NotificationRequest> planNotifications(const AppState& state, const ReminderPlan& plan) {
    QList<NotificationRequest> out;
    Planner planner{out, state.cityName};
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
            planSlot(planner, *day, slot.name, *t, plan);
        }
    }
    return out;
}

void scheduleNotifications(const AppState& state, NotificationCenter& center, const ReminderPlan& plan) {
    if (!center.isAvailable()) return;
    center.removeAllPending();
    for (const NotificationRequest& request : planNotifications(state, plan))
        center.add(request);
}

} // namespace lumora
