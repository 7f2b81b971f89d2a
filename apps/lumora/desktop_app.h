#pragma once

#include "app_options.h"

namespace lumora {

/// Runs the desktop application (`lumora`, `lumora app`) with the options already read: one copy per user,
/// the tray item, the main window and the view model. Returns the exit status; a second copy activates the
/// first and returns 0 at once.
int runDesktopApp(int& argc, char** argv, const AppOptions& options);

} // namespace lumora
