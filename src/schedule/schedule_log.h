#pragma once

#include <QLoggingCategory>

namespace lumora {

/// "lumora.schedule": silent below info unless QT_LOGGING_RULES turns debug on.
Q_DECLARE_LOGGING_CATEGORY(scheduleLog)

} // namespace lumora
