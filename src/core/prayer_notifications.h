#pragma once

#include "core/notification_center.h"
#include "model/app_state.h"

#include <QList>

namespace lumora {

/// The notifications for today's and tomorrow's schedule, in the order they are added: per day, per slot in
/// the day's stored order, the main notice, the reminder 15 minutes before, the notice 5 minutes after and,
/// for syuruq, the start of dhuha 15 minutes after. Slots whose date or time does not read are skipped.
/// Moments already past are kept: the centre drops them itself.
QList<NotificationRequest> planNotifications(const AppState& state);

/// Replaces everything pending in `center` with the plan for `state`. Leaves the centre alone when
/// notifications are unavailable (no session bus, or switched off).
void scheduleNotifications(const AppState& state, NotificationCenter& center);

} // namespace lumora
