#pragma once

#include <QString>

namespace lumora {

/// The text of an HTML fragment as the schedule service writes its cells and city options: tags become
/// blanks, only "&nbsp;" and "&amp;" are decoded (the service writes no other entity), runs of Unicode white
/// space become one blank, and the ends are trimmed.
QString cleanHtmlText(QString html);

} // namespace lumora
