#pragma once

#include <QLoggingCategory>

namespace lumora {

/// "lumora.platform": silent below info unless QT_LOGGING_RULES turns debug on.
Q_DECLARE_LOGGING_CATEGORY(platformLog)

} // namespace lumora
