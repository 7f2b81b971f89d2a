#pragma once

#include <QString>

namespace lumora {

/// Whether a city code may be put into an address or a file name: letters, digits, '-', '_' and '.', and
/// neither "." nor "..". Codes come from a remote page, so anything else is refused.
bool isSafeCityCode(const QString& code);

} // namespace lumora
