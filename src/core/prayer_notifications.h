#pragma once

#include "core/notification_center.h"
#include "model/app_state.h"

#include <QList>

#include <array>

namespace lumora {

class Preferences;

/// Which notices a prayer gets: a reminder `beforeMinutes` ahead (0: none), the notice at its time, and one
/// `afterMinutes` later (0: none). Dhuha's "time" is its start, 15 minutes after sunrise.
struct ReminderTimes {
    int beforeMinutes = 15;
    bool atTime = true;
    int afterMinutes = 5;

    bool operator==(const ReminderTimes&) const = default;
};

/// The reminders for every prayer, as the user chose them.
struct ReminderPlan {
    std::array<ReminderTimes, 7> byPrayer{};

    ReminderTimes& of(PrayerName prayer) { return byPrayer[size_t(prayer)]; }
    const ReminderTimes& of(PrayerName prayer) const { return byPrayer[size_t(prayer)]; }
    bool operator==(const ReminderPlan&) const = default;

    /// 15 minutes before, at, and 5 minutes after each adzan; sunrise's notice and its reminder; dhuha's
    /// start alone.
    static ReminderPlan defaults();
    /// The "reminders.<prayer>.*" preferences.
    static ReminderPlan from(const Preferences& preferences);
};

/// The notifications for today's and tomorrow's schedule, in the order they are added: per day, per slot in
/// the day's stored order, the main notice, the reminder before, the notice after and, for syuruq, dhuha's
/// reminder, its start 15 minutes after sunrise and its notice after, each as `plan` has it. Slots whose
/// date or time does not read are skipped. Moments already past are kept: the centre drops them itself.
QList<NotificationRequest> planNotifications(const AppState& state,
                                             const ReminderPlan& plan = ReminderPlan::defaults());

/// Replaces everything pending in `center` with the plan for `state`. Leaves the centre alone when
/// notifications are unavailable (no session bus, or switched off).
void scheduleNotifications(const AppState& state, NotificationCenter& center,
                           const ReminderPlan& plan = ReminderPlan::defaults());

} // namespace lumora
