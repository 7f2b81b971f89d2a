#pragma once

#include <QLoggingCategory>

namespace lumora {

/// "lumora.hisab": silent below info unless QT_LOGGING_RULES turns debug on.
Q_DECLARE_LOGGING_CATEGORY(hisabLog)

} // namespace lumora
