#pragma once

#include <QString>

namespace lumora {

/// `text` with line breaks, tabs and other control characters written as escapes ("\\n", "\\x1b"), so that
/// whatever a user typed keeps a message on one line and cannot drive the terminal.
QString oneLine(const QString& text);

/// The most characters of a value a message repeats: enough to recognise it, never enough to flood a
/// terminal or a log with a file's worth of text.
inline constexpr qsizetype kEchoedLength = 200;

/// A value as a message repeats it: its first `kEchoedLength` characters (never half of a surrogate pair),
/// "…" when more followed, then escaped as `oneLine` does.
QString echoed(const QString& value);

} // namespace lumora
