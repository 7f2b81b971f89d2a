#include "one_line.h"

namespace lumora {

QString oneLine(const QString& text) {
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\n')
            line += QStringLiteral("\\n");
        else if (c == u'\r')
            line += QStringLiteral("\\r");
        else if (c == u'\t')
            line += QStringLiteral("\\t");
        else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                 c == QChar::ParagraphSeparator)
            line += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}

QString echoed(const QString& value) {
    if (value.size() <= kEchoedLength) return oneLine(value);
    // Cut before escaping, so a huge value costs no more than its shown part.
    qsizetype cut = kEchoedLength;
    if (value.at(cut - 1).isHighSurrogate()) --cut;
    return oneLine(value.first(cut)) + u'…';
}

} // namespace lumora
