#pragma once

#include <QStringList>

namespace lumora::widgetcli {

/// Runs `lumora-widget` with its arguments (without the program name): the desktop host, or the `render` and
/// `timeline` subcommands. Returns the exit status.
int run(int argc, char** argv);

} // namespace lumora::widgetcli
