#pragma once

#include "model/instant.h"
#include "model/result.h"

#include <QStringList>

#include <optional>

namespace lumora {

/// What a start of the desktop app (`lumora [app] [--hidden] [--at TIME]`) asks for.
struct AppOptions {
    /// Started at login: the window waits in the tray.
    bool hidden = false;
    /// The moment the app's clock starts at; the system clock when absent.
    std::optional<Instant> at;
};

/// Whether the arguments (without the program name) start the desktop app rather than a subcommand: none,
/// `app`, or an option that is not one of the command line's own (`--help`, `-h`, `--version`), so that
/// `lumora --bogus` is judged as the app's option it tries to be.
bool startsDesktopApp(const QStringList& args);

/// Reads the app's arguments (a leading `app` included); the failure is the message to print after
/// "lumora: ", and nothing of the app may start then.
Result<AppOptions> parseAppOptions(const QStringList& args);

} // namespace lumora
