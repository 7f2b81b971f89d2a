#pragma once

#include <QStringList>

namespace lumora::cli {

/// `lumora autostart on|off|status`: writes, removes or reports the start-at-login entry. Returns the exit
/// status (2 for a wrong argument, 1 when the entry could not be changed).
int autostart(const QStringList& args);

} // namespace lumora::cli
