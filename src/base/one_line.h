#pragma once

#include <QString>

namespace lumora {

/// `text` with line breaks, tabs and other control characters written as escapes ("\\n", "\\x1b"), so that
/// whatever a user typed keeps a message on one line and cannot drive the terminal.
QString oneLine(const QString& text);

} // namespace lumora
