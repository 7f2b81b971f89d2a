#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include "core/prayer_notifications.h"

#include <algorithm>
#include <tuple>

namespace lumora::cli {

namespace {

/// The plan groups each prayer's requests together; a reader wants them as they will fire. Stable, so
/// requests of the same minute keep the plan's order.
QList<NotificationRequest> inTimeOrder(QList<NotificationRequest> requests) {
    const auto minute = [](const NotificationTrigger& t) {
        return std::tuple(t.year, t.month, t.day, t.hour, t.minute);
    };
    std::stable_sort(requests.begin(), requests.end(),
                     [&](const NotificationRequest& a, const NotificationRequest& b) {
                         return minute(a.trigger) < minute(b.trigger);
                     });
    return requests;
}

} // namespace

int reminders(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")});
    int status = 0;
    auto session = sessionWithoutArguments(o, &status);
    if (!session) return status;

    const auto [state, now] = loadTodayState(*session);
    hintZoneFor(*session, state, now);
    const QList<NotificationRequest> requests = inTimeOrder(planNotifications(state, ReminderPlan::from(session->preferences())));
    if (o.json) {
        printJson(remindersJson(requests));
    } else {
        out() << remindersText(requests, now);
        if (requests.isEmpty()) out() << state.statusText << '\n';
    }
    return statusFor(state);
}

} // namespace lumora::cli
