#pragma once

#include <QString>

namespace lumora {

/// The schedule service's base URL (its path ends in "/adzan/"): LUMORA_SCHEDULE_URL when set, even to empty,
/// else the build's default. Empty means no service is configured: nothing is requested.
QString scheduleBaseUrl();

/// Whether a city code may be put into an address or a file name: letters, digits, '-', '_' and '.', and
/// neither "." nor "..". Codes come from a remote page, so anything else is refused.
bool isSafeCityCode(const QString& code);

} // namespace lumora
