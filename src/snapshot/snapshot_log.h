#pragma once

#include <QLoggingCategory>

namespace lumora {

/// "lumora.snapshot": silent below info unless QT_LOGGING_RULES turns debug on.
Q_DECLARE_LOGGING_CATEGORY(snapshotLog)

} // namespace lumora
