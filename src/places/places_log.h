#pragma once

#include <QLoggingCategory>

namespace lumora {

/// "lumora.places": silent below info unless QT_LOGGING_RULES turns debug on.
Q_DECLARE_LOGGING_CATEGORY(placesLog)

} // namespace lumora
