#pragma once

#include <QDBusConnection>
#include <QString>

namespace lumora {

/// How the app asks the widget host to reload a widget kind's timelines: a D-Bus signal on the session bus,
/// path /id/lumora/Widget, interface id.lumora.Widget, member ReloadTimelines, one string argument (the
/// kind).
namespace WidgetReload {

inline constexpr auto kPath = "/id/lumora/Widget";
inline constexpr auto kInterface = "id.lumora.Widget";
inline constexpr auto kMember = "ReloadTimelines";
/// The one widget kind there is.
inline constexpr auto kWidgetKind = "lumoraWidget";

/// Emits the signal; false when it could not be sent (no bus). Nobody listening is not an error.
bool reloadTimelines(const QString& kind = QString::fromLatin1(kWidgetKind),
                     QDBusConnection bus = QDBusConnection::sessionBus());

} // namespace WidgetReload

} // namespace lumora
