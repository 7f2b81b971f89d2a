#include "html_text.h"

#include <QRegularExpression>

namespace lumora {

QString cleanHtmlText(QString html) {
    static const QRegularExpression tag(QStringLiteral("<[^>]+>"));
    // Unicode properties so that \s means what it means in ICU's expressions (no-break space is white).
    static const QRegularExpression space(QStringLiteral("\\s+"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    html.replace(tag, QStringLiteral(" "));
    html.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    html.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    html.replace(space, QStringLiteral(" "));
    return html.trimmed();
}

} // namespace lumora
