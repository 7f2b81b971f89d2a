// `lumora autostart` as a person runs it: the real program over a private home and config folder.
#include "places/storage.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

struct AutostartRun {
    int status = -1;
    QString out;
    QString err;
};

class AutostartCli : public ::testing::Test {
protected:
    /// `path`: the PATH the program sees, so whether it finds a `lumora` to start at login is up to the test.
    AutostartRun run(const QStringList& args, const QString& path = QStringLiteral("/nonexistent")) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment(); // HOME and XDG from m_home
        e.insert("PATH", path);
        QProcess p;
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(LUMORA_BINARY), QStringList{"autostart"} + args);
        AutostartRun r;
        if (!p.waitForFinished(30'000)) return r;
        r.status = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString entryPath() const {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/id.lumora.Lumora.desktop";
    }

    TempHome m_home;
};

TEST_F(AutostartCli, OnStatusOffRoundTrip) {
    const QString binDir = QFileInfo(QStringLiteral(LUMORA_BINARY)).absolutePath();
    EXPECT_EQ(run({"status"}).out, "Mulai saat login: tidak aktif (" + entryPath() + ")\n");

    AutostartRun r = run({"on"}, binDir);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Mulai saat login: aktif (" + entryPath() + ")\n");
    EXPECT_EQ(r.err, QString()) << "lumora is on this PATH, so nothing to warn about";
    const QByteArray entry = storage::readFile(entryPath()).value_or("");
    EXPECT_TRUE(entry.contains("\nExec=lumora --hidden\n")) << entry.toStdString();

    r = run({"status"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Mulai saat login: aktif (" + entryPath() + ")\n");

    r = run({"off"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Mulai saat login: tidak aktif (" + entryPath() + ")\n");
    EXPECT_FALSE(QFileInfo::exists(entryPath()));
}

TEST_F(AutostartCli, OnWarnsWhenTheLoginSessionCouldNotFindLumora) {
    const AutostartRun r = run({"on"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(QFileInfo::exists(entryPath()));
    EXPECT_TRUE(r.err.contains("tidak ada di PATH")) << r.err.toStdString();
}

TEST_F(AutostartCli, WrongArgumentsChangeNothing) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"maybe"}, QStringList{"on", "off"}, QStringList{"--json"}}) {
        const AutostartRun r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("lumora autostart on|off|status")) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(entryPath()));
    }
}

TEST_F(AutostartCli, AnEntryFromAnEarlierVersionKeepsWorking) {
    const QString legacy = qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/lumora.desktop";
    storage::ensureFolder(QFileInfo(legacy).absolutePath());
    ASSERT_TRUE(storage::writeFileAtomically(legacy, "[Desktop Entry]\nType=Application\nName=Lumora\n"
                                                     "Exec=lumora --hidden\n"));
    EXPECT_EQ(run({"status"}).out, "Mulai saat login: aktif (" + legacy + ")\n");

    const AutostartRun r = run({"on"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Mulai saat login: aktif (" + entryPath() + ")\n");
    EXPECT_FALSE(QFileInfo::exists(legacy)) << "renamed, not doubled";

    ASSERT_TRUE(storage::writeFileAtomically(legacy, "[Desktop Entry]\nExec=lumora --hidden\n"));
    EXPECT_EQ(run({"off"}).out, "Mulai saat login: tidak aktif (" + entryPath() + ")\n");
    EXPECT_FALSE(QFileInfo::exists(legacy));
}

TEST_F(AutostartCli, AnEntryThatCannotBeWrittenFails) {
    // A file where the autostart folder belongs.
    ASSERT_TRUE(storage::writeFileAtomically(qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart", "x"));
    const AutostartRun r = run({"on"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("tidak dapat menulis")) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
}

} // namespace
} // namespace lumora::test
