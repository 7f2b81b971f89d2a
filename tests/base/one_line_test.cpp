#include "base/one_line.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

std::string utf8(const QString& s) {
    return s.toStdString();
}

} // namespace

TEST(Echoed, ShortValuesAreEscapedAndKeptWhole) {
    const struct {
        QString value;
        QString shown;
    } cases[] = {
        {"Bandung", "Bandung"},
        {"", ""},
        {QString::fromUtf8("Bénoa ☪ 🕌"), QString::fromUtf8("Bénoa ☪ 🕌")},
        {"a\nb\tc\r", "a\\nb\\tc\\r"},
        {QString("\x1b[31mmerah\x1b[0m"), "\\x1b[31mmerah\\x1b[0m"},
        {QString("\x1b]0;judul\x07"), "\\x1b]0;judul\\x07"},
        {QString(QChar(0x9b)) + "2J", "\\x9b2J"}, // the one-byte CSI of 8-bit terminals
        {QString(QChar(QChar::LineSeparator)), "\\x2028"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.value));
        EXPECT_EQ(echoed(c.value), c.shown);
    }
}

TEST(Echoed, LongValuesAreCutAtACharacterBoundary) {
    const QString emoji = QString::fromUtf8("🕌"); // two UTF-16 units, four UTF-8 bytes
    const struct {
        const char* name;
        QString value;
        QString start; ///< what the shown value begins with
    } cases[] = {
        {"five megabytes", QString(5 * 1024 * 1024, u'x'), QString(kEchoedLength, u'x')},
        {"a pair across the cut", QString(kEchoedLength - 1, u'a') + emoji + "zzz",
         QString(kEchoedLength - 1, u'a')},
        {"a pair just before the cut", QString(kEchoedLength - 2, u'a') + emoji + "zzz",
         QString(kEchoedLength - 2, u'a') + emoji},
        {"escapes after a long start", QString(kEchoedLength, u'\x1b') + "tail",
         QString("\\x1b").repeated(kEchoedLength)},
        {"just one over", QString(kEchoedLength + 1, u'b'), QString(kEchoedLength, u'b')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString shown = echoed(c.value);
        EXPECT_EQ(shown, c.start + u'…');
        // Whole characters only: the shown text survives UTF-8 unchanged, no replacement character.
        EXPECT_EQ(QString::fromUtf8(shown.toUtf8()), shown);
        EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter));
        EXPECT_LT(shown.toUtf8().size(), 4 * 1024);
    }
    EXPECT_EQ(echoed(QString(kEchoedLength, u'c')), QString(kEchoedLength, u'c')) << "at the cap: not cut";
}
