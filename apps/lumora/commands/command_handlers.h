#pragma once

#include <QStringList>

namespace lumora {
struct DashboardModel;
}

namespace lumora::cli {

struct LoadedState;

// One subcommand each, in a file of its own name; each takes the arguments after its name and returns the
// exit status. The table in commands.cpp names them, gives their usage and dispatches to them.

/// `lumora today [--json | --watch] [--at TIME]`
int today(const QStringList& args);
/// `lumora reminders [--json] [--at TIME]`
int reminders(const QStringList& args);
/// `lumora status [--json | --waybar] [--follow] [--at TIME]`: the tray's title, or its parts, once or on
/// every change.
int status(const QStringList& args);
/// `lumora dashboard [--json] [--at TIME] [--loading]`: what the window shows.
int dashboard(const QStringList& args);
/// The window's model as the app would show it at the loaded moment; the CLI's clock is also its blink clock.
DashboardModel dashboardAt(const LoadedState& loaded, bool loading);
/// `lumora screenshot FILE.png [--at TIME] [--size WxH] [--scale N] [--loading]`: the window's content as a
/// PNG. Needs a QGuiApplication.
int screenshot(const QStringList& args);
/// `lumora month [CITY] [YYYY-MM] [--json] [--at TIME] [--source SOURCE]`
int month(const QStringList& args);
/// `lumora parse FILE --city CODE --month YYYY-MM`: a saved answer of the schedule service, parsed.
int parse(const QStringList& args);
/// `lumora cities [QUERY] [--json]`
int cities(const QStringList& args);
/// `lumora places [QUERY] [--json]`
int places(const QStringList& args);
/// `lumora hijri [DATE] [--json] [--calendar indonesia|ummalqura]`: the Hijri date of DATE (today when
/// absent) and the first days of the next three months.
int hijri(const QStringList& args);
/// `lumora autostart on|off|status`: writes, removes or reports the start-at-login entry (2 for a wrong
/// argument, 1 when the entry could not be changed).
int autostart(const QStringList& args);
/// `lumora config list [--json] | get KEY | set KEY VALUE | reset KEY|--all | path`: the preferences, where
/// each value comes from, and checked changes (2 for an unknown key or a value that does not read, the file
/// then unchanged).
int config(const QStringList& args);

} // namespace lumora::cli
