#pragma once

#include <QLoggingCategory>

namespace lumora {

/// "lumora.base": silent below info unless QT_LOGGING_RULES turns debug on.
Q_DECLARE_LOGGING_CATEGORY(baseLog)

} // namespace lumora
