#pragma once

#include <QString>

#include <optional>

namespace lumora {

/// The takbir notification sound as a file a notification server can open, looked for in order:
/// $LUMORA_RESOURCE_DIR/sounds, the data dir beside the executable (../share/lumora/sounds), the installed
/// data dir, then the source tree's resources/sounds. None when no copy exists.
std::optional<QString> takbirSoundPath();

} // namespace lumora
