#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include "model/dashboard_model.h"

namespace lumora::cli {

namespace {

QString dashboardText(const DashboardModel& m) {
    QString out = m.city + u'\n' + m.title + u' ' + m.hours + (m.colonVisible ? u':' : u' ') + m.minutes +
                  u'\n' + m.dateLine + u'\n';
    // A countdown hidden by the blink is shown in brackets, as the widget's timeline does.
    out += (m.countdownOpacity > 0 ? m.countdownLine : u'(' + m.countdownLine + u')') + u'\n';
    if (m.loading) out += QStringLiteral("Memuat...\n");
    if (!m.statusLine.isEmpty()) out += m.statusLine + u'\n';
    out += u'\n' + m.scheduleTitle + u'\n';
    for (const DashboardRow& row : m.rows)
        out += (row.highlight ? QStringLiteral("> ") : QStringLiteral("  ")) + row.label.leftJustified(16) +
               row.time + u'\n';
    if (!m.emptyText.isEmpty()) out += m.emptyText + u'\n';
    return out;
}

} // namespace

DashboardModel dashboardAt(const LoadedState& loaded, bool loading) {
    return dashboardModel(loaded.state, loaded.now, loaded.now, loading);
}

int dashboard(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")}, {QStringLiteral("loading")});
    int exitStatus = 0;
    auto session = sessionWithoutArguments(o, &exitStatus);
    if (!session) return exitStatus;

    const LoadedState loaded = loadTodayState(*session);
    const DashboardModel model = dashboardAt(loaded, o.loading);
    if (o.json)
        printJson(model.toJson());
    else
        out() << dashboardText(model);
    return statusFor(loaded.state);
}

} // namespace lumora::cli
