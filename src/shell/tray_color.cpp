#include "shell/tray_color.h"

#include "model/style_table.h"

namespace lumora {

TrayColor trayColorFromToken(const QString& token) {
    return statusColorFromRaw(token).value_or(TrayColor::label);
}

std::optional<QColor> trayBadgeColor(TrayColor color) {
    switch (color) {
    case TrayColor::label:
        return std::nullopt;
    case TrayColor::orange:
        return QColor::fromRgbF(1.0f, 0.584f, 0.0f);
    // The blink is carried by the label alone; the badge stays red through both halves of the second so the
    // icon is not resent every second.
    case TrayColor::red:
    case TrayColor::clear:
        return QColor::fromRgbF(1.0f, 0.231f, 0.188f);
    case TrayColor::darkBlue:
        return StyleTable::kNightBlue.to<QColor>();
    }
    return std::nullopt;
}

} // namespace lumora
