#pragma once

#include <QString>

#include <unicode/unistr.h>

namespace lumora {

/// The same UTF-16 text in ICU's string type (a copy).
icu::UnicodeString toIcu(const QString& text);
/// The same UTF-16 text as a QString (a copy).
QString fromIcu(const icu::UnicodeString& text);

} // namespace lumora
