// What the programs repeat of a value they refuse: a short, escaped piece of it, on one line, however long
// or strange the value was and wherever it came from (an argument, the environment, the settings file).
#include "lumora_cli_fixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

class EchoCli : public LumoraCli {
protected:
    void writeSettings(const QByteArray& body) {
        const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/lumora");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile f(folder + QStringLiteral("/lumora.conf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\n" + body + "\n");
    }
};

TEST_F(EchoCli, RefusedValuesAreRepeatedCutAndEscaped) {
    // Arguments and the environment stay under the kernel's 128 KiB per string; the settings file under any
    // sane cap on its size.
    const QString huge(100'000, u'q');
    const struct {
        const char* name;
        QStringList args;
        QList<std::pair<QString, QString>> env;
        QByteArray settings;
        const char* expected; ///< the start of the one line on stderr
    } cases[] = {
        {"a long command", {huge}, {}, {}, "lumora: perintah tidak dikenal: qqq"},
        {"a long option value", {"month", "--source", huge}, {}, {}, "lumora: sumber tidak dikenal: qqq"},
        {"an option with an escape",
         {"today", "--\x1b[2Jx"},
         {},
         {},
         "lumora: pilihan tidak dikenal: --\\x1b[2Jx"},
        {"a long LUMORA_LOCATION", {"status"}, {{"LUMORA_LOCATION", huge}}, {}, "lumora: lokasi \"qqq"},
        {"a fixedLocation with escapes",
         {"status"},
         {},
         "fixedLocation=\x1b[2J\x07" + QByteArray(30'000, 'w'),
         "lumora: lokasi \"\\x1b[2J\\x07www"},
        {"an hijriCalendar with an escape",
         {"hijri", "2026-03-09"},
         {},
         "hijriCalendar=\x1b[31mmerah",
         "lumora: hijriCalendar tidak dikenal: \"\\x1b[31mmerah\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeSettings(c.settings);
        const CliResult r = run(c.args, c.env);
        ASSERT_NE(r.status, -1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(c.expected)) << r.err.left(300).toStdString();
        EXPECT_LT(r.err.toUtf8().size(), 2048);
        EXPECT_FALSE(r.err.contains(u'\x1b')) << "a raw escape reached the terminal";
        EXPECT_FALSE(r.err.contains(u'\x07'));
    }
}

} // namespace
} // namespace lumora::test
