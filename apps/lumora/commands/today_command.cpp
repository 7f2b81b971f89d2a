#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include "model/prayer_display.h"

#include <qcoro/qcorotask.h>

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace lumora::cli {

namespace {

/// Whether the terminal's line holds the live countdown without a line break after it.
volatile std::sig_atomic_t g_liveLineOpen = 0;

/// Ctrl-C in the terminal view: the prompt comes back on a fresh line. Everything shown was flushed as it
/// was drawn, so nothing is lost by leaving at once; only async-signal-safe calls here.
void endWatch(int) {
    if (g_liveLineOpen) (void)!write(STDOUT_FILENO, "\n", 1);
    _exit(128 + SIGINT);
}

/// Redraws the countdown line every second until interrupted, reloading the schedule when the day changes.
QCoro::Task<int> watchToday(Session& session) {
    const bool terminal = isatty(fileno(stdout));
    struct sigaction action {};
    action.sa_handler = endWatch;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    QString shown;
    co_await followDay(session, [&](const LoadedState& loaded, Instant now, FollowEvent event) {
        // The featured prayer moves during the day, so only the live line names it.
        if (event == FollowEvent::started) {
            hintZoneFor(session, loaded.state, now);
            out() << todayText(loaded.state, std::nullopt, now, false,
                                    session.repository().corrections()) << '\n';
        } else if (event == FollowEvent::reloaded) {
            if (terminal) out() << "\r\033[K";
            out() << '\n' << todayText(loaded.state, std::nullopt, now, false,
                                    session.repository().corrections()) << '\n';
            shown.clear();
        }
        const auto display = prayerDisplay(now, loaded.state.todayDay, loaded.state.tomorrowDay);
        const QString line = display ? displayName(display->prayer) + u' ' + display->secondaryText(now)
                                     : loaded.state.statusText;
        if (line != shown) {
            // A terminal gets one line rewritten in place; a pipe gets a line per change.
            if (terminal)
                out() << "\r\033[K" << line;
            else
                out() << line << '\n';
            out().flush();
            g_liveLineOpen = terminal;
            shown = line;
        }
        return untilNextSecond(now);
    });
    co_return 0;
}

} // namespace

int today(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")}, {QStringLiteral("watch")});
    if (o.watch && o.json) return fail(QStringLiteral("--watch tidak dapat dipakai bersama --json"));
    int status = 0;
    auto session = sessionWithoutArguments(o, &status);
    if (!session) return status;

    if (o.watch) return QCoro::waitFor(watchToday(*session));

    const auto [state, now] = loadTodayState(*session);
    hintZoneFor(*session, state, now);
    const auto display = prayerDisplay(now, state.todayDay, state.tomorrowDay);
    if (o.json) {
        printJson(QJsonObject{{QStringLiteral("state"), state.toJson()},
                              {QStringLiteral("display"), display ? QJsonValue(displayJson(*display, now))
                                                                  : QJsonValue(QJsonValue::Null)}});
    } else {
        out() << todayText(state, display, now, true, session->repository().corrections());
    }
    return statusFor(state);
}

} // namespace lumora::cli
