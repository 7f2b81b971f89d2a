#include "base_log.h"

namespace lumora {

// Info as the lowest level shown by default: Qt would otherwise print debug messages of every category.
Q_LOGGING_CATEGORY(baseLog, "lumora.base", QtInfoMsg)

} // namespace lumora
