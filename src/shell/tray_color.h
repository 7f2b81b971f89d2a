#pragma once

#include "model/tray_presentation.h"

#include <QColor>
#include <QString>

#include <optional>

namespace lumora {

/// The title colour tokens the presenter computes; the shell maps them to what a panel can show.
using TrayColor = StatusColor;

/// The token by its name ("label", "orange", "red", "clear", "darkBlue"); unknown names read as `label`.
TrayColor trayColorFromToken(const QString& token);

/// The colour of the icon's corner badge for a title colour, or none for the plain label colour.
std::optional<QColor> trayBadgeColor(TrayColor color);

} // namespace lumora
