#pragma once

#include <QString>

namespace lumora {

/// $XDG_DATA_HOME/LumoraMac (the temp folder's LumoraMac when there is no data location), created if missing.
/// The app's files and the widget snapshot live here; the app and the widget host must agree on it.
QString dataFolder();

} // namespace lumora
