#pragma once

#include <QStringList>

namespace lumora::cli {

/// Runs one subcommand (`args` without the program name); returns the exit status.
int run(const QStringList& args);

} // namespace lumora::cli
