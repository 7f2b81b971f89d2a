#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace lumora {

/// Files shipped with the application: the compiled-in Qt resources (":/lumora/<name>.<ext>"), then
/// $LUMORA_RESOURCE_DIR when set, then the installed data folder (share/lumora).
namespace ResourceLocator {

/// A "qrc:" URL for a compiled-in resource, a file URL otherwise; none when no place holds it.
std::optional<QUrl> url(const QString& forResource, const QString& withExtension);
/// The same resource as a path QFile opens (":/..." for compiled-in resources).
std::optional<QString> path(const QString& forResource, const QString& withExtension);

} // namespace ResourceLocator

} // namespace lumora
