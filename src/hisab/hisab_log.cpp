#include "hisab_log.h"

namespace lumora {

// Info as the lowest level shown by default: Qt would otherwise print debug messages of every category.
Q_LOGGING_CATEGORY(hisabLog, "lumora.hisab", QtInfoMsg)

} // namespace lumora
