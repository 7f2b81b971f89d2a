#pragma once

#include <QString>

namespace lumora {

/// The schedule service's base URL (its path ends in "/adzan/"): LUMORA_SCHEDULE_URL when set, even to empty,
/// else the build's default. Empty means no service is configured: nothing is requested.
QString scheduleBaseUrl();

} // namespace lumora
