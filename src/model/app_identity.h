#pragma once

namespace lumora {

/// The names the desktop knows Lumora by: the AppStream id, and the desktop entries named after it that
/// portals and notification daemons match a running program to.
namespace AppIdentity {
inline constexpr auto kDesktopEntry = "id.lumora.Lumora";
inline constexpr auto kWidgetDesktopEntry = "id.lumora.Lumora.Widget";
} // namespace AppIdentity

} // namespace lumora
