#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include "model/tray_presentation.h"

#include <QJsonDocument>

#include <qcoro/qcorotask.h>

#include <algorithm>

namespace lumora::cli {

namespace {

/// Without a blink to show, a follow loop still looks this often, so a suspend or a clock change that
/// delays its timer leaves the line stale only briefly.
constexpr std::chrono::milliseconds kLongestFollowWait{10'000};

enum class StatusFormat { title, json, waybar };

QString compactJson(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject statusJson(const TrayPresentation& p, Instant now) {
    QJsonObject o{{QStringLiteral("title"), p.title},
                  {QStringLiteral("label"), p.prayerLabel},
                  {QStringLiteral("countdown"), p.countdown},
                  {QStringLiteral("color"), rawValue(p.color)},
                  {QStringLiteral("menuTime"), p.menuTimeText}};
    if (p.display) {
        o.insert(QStringLiteral("prayer"), rawValue(p.display->prayer));
        o.insert(QStringLiteral("phase"), rawValue(p.display->phase(now)));
    }
    return o;
}

/// waybar's `return-type: json`: the text beside the module, its tooltip, a CSS class and the key for
/// `format-icons`.
QJsonObject waybarJson(const TrayPresentation& p, Instant now) {
    const QString none = QStringLiteral("none");
    return {{QStringLiteral("text"), p.title.startsWith(u' ') ? p.title.mid(1) : p.title},
            {QStringLiteral("tooltip"), p.tooltip},
            {QStringLiteral("class"), p.display ? rawValue(p.display->phase(now)) : none},
            {QStringLiteral("alt"), p.display ? rawValue(p.display->prayer) : none}};
}

/// One line of `status` output; JSON on one line when it is followed.
QString statusLine(StatusFormat format, const TrayPresentation& p, Instant now, bool follow) {
    switch (format) {
    case StatusFormat::title:
        return p.title;
    case StatusFormat::json:
        return follow ? compactJson(statusJson(p, now))
                      : QString::fromUtf8(QJsonDocument(statusJson(p, now)).toJson(QJsonDocument::Indented))
                            .chopped(1);
    case StatusFormat::waybar:
        return compactJson(waybarJson(p, now));
    }
    return {};
}

QCoro::Task<int> followStatus(Session& session, StatusFormat format) {
    QString shown;
    co_await followDay(session, [&](const LoadedState& loaded, Instant now, FollowEvent) {
        const TrayPresentation p = presentTray(loaded.state, now, now);
        const QString line = statusLine(format, p, now, true);
        if (line != shown) {
            out() << line << '\n';
            out().flush();
            shown = line;
        }
        // The colour blinks by the second only while a prayer enters; otherwise texts change by the minute.
        if (p.display && p.display->phase(now) == PrayerDisplayPhase::entering) return untilNextSecond(now);
        return std::min(untilNextMinute(now), kLongestFollowWait);
    });
    co_return 0;
}

} // namespace

int status(const QStringList& args) {
    const Options o =
        parseOptions(args, {QStringLiteral("at")}, {QStringLiteral("waybar"), QStringLiteral("follow")});
    if (o.json && o.waybar) return fail(QStringLiteral("--json tidak dapat dipakai bersama --waybar"));
    int exitStatus = 0;
    auto session = sessionWithoutArguments(o, &exitStatus);
    if (!session) return exitStatus;

    const StatusFormat format = o.json     ? StatusFormat::json
                                : o.waybar ? StatusFormat::waybar
                                           : StatusFormat::title;
    if (o.follow) return QCoro::waitFor(followStatus(*session, format));

    const auto [state, now] = loadTodayState(*session);
    out() << statusLine(format, presentTray(state, now, now), now, false) << '\n';
    return statusFor(state);
}

} // namespace lumora::cli
