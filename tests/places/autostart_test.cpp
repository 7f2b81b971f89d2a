#include "places/autostart.h"

#include "places/storage.h"

#include "support/temp_home.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace lumora;

namespace {

QString folderOf(const QTemporaryDir& dir) {
    return dir.path() + "/config/autostart";
}

} // namespace

TEST(Autostart, FollowsXdgConfigHome) {
    test::TempHome home;
    EXPECT_EQ(Autostart().path(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/id.lumora.Lumora.desktop");
}

TEST(Autostart, AnEntryUnderTheEarlierNameIsOursToo) {
    struct Case {
        const char* name;
        std::optional<QByteArray> current; ///< id.lumora.Lumora.desktop, none when absent
        QByteArray legacy;                 ///< lumora.desktop
        bool enabled;
        const char* inEffect;
    };
    const QByteArray off = Autostart::entryText() + "Hidden=true\n";
    const Case cases[] = {
        {"earlier name only", std::nullopt, Autostart::entryText(), true, "lumora.desktop"},
        {"earlier name, switched off", std::nullopt, off, false, "lumora.desktop"},
        // Both present: the current name decides.
        {"both, current off", off, Autostart::entryText(), false, "id.lumora.Lumora.desktop"},
        {"both, earlier off", Autostart::entryText(), off, true, "id.lumora.Lumora.desktop"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const Autostart entry(dir.path());
        const QString current = dir.path() + "/id.lumora.Lumora.desktop";
        const QString legacy = dir.path() + "/lumora.desktop";
        ASSERT_TRUE(storage::writeFileAtomically(legacy, c.legacy));
        if (c.current) {
            ASSERT_TRUE(storage::writeFileAtomically(current, *c.current));
        }
        EXPECT_EQ(entry.isEnabled(), c.enabled);
        EXPECT_EQ(entry.path(), dir.path() + "/" + c.inEffect);

        // Switching on leaves one entry, under the current name; switching off leaves none.
        ASSERT_TRUE(entry.enable());
        EXPECT_TRUE(entry.isEnabled());
        EXPECT_FALSE(QFileInfo::exists(legacy));
        EXPECT_EQ(storage::readFile(current), Autostart::entryText());
        ASSERT_TRUE(storage::writeFileAtomically(legacy, c.legacy));
        ASSERT_TRUE(entry.disable());
        EXPECT_FALSE(QFileInfo::exists(current));
        EXPECT_FALSE(QFileInfo::exists(legacy));
        EXPECT_FALSE(entry.isEnabled());
    }
}

TEST(Autostart, OnWritesAnEntryThatStartsHiddenAndOffRemovesIt) {
    QTemporaryDir dir;
    const Autostart entry(folderOf(dir)); // the folder does not exist yet
    EXPECT_FALSE(entry.isEnabled());

    ASSERT_TRUE(entry.enable());
    EXPECT_TRUE(entry.isEnabled());
    const QByteArray text = storage::readFile(entry.path()).value_or("");
    EXPECT_TRUE(text.contains("\nExec=lumora --hidden\n")) << text.toStdString();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));

    ASSERT_TRUE(entry.enable()) << "switching on twice is fine";
    EXPECT_EQ(storage::readFile(entry.path()), text);

    ASSERT_TRUE(entry.disable());
    EXPECT_FALSE(QFileInfo::exists(entry.path()));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(entry.disable()) << "switching off twice is fine";
}

TEST(Autostart, AnEntryTheDesktopSwitchedOffIsNotEnabled) {
    struct Case {
        const char* name;
        QByteArray text;
        bool enabled;
    };
    const Case cases[] = {
        {"ours", Autostart::entryText(), true},
        {"hidden", Autostart::entryText() + "Hidden=true\n", false},
        {"gnome off", "[Desktop Entry]\nExec=lumora --hidden\nX-GNOME-Autostart-enabled=false\n", false},
        {"gnome off, spaced", "[Desktop Entry]\nX-GNOME-Autostart-enabled = false\n", false},
        {"hidden false", Autostart::entryText() + "Hidden=false\n", true},
        {"hidden in an action group only", Autostart::entryText() + "\n[Desktop Action x]\nHidden=true\n",
         true},
        {"commented out", Autostart::entryText() + "#Hidden=true\n", true},
    };
    QTemporaryDir dir;
    const Autostart entry(dir.path());
    for (const Case& c : cases) {
        ASSERT_TRUE(storage::writeFileAtomically(entry.path(), c.text));
        EXPECT_EQ(entry.isEnabled(), c.enabled) << c.name;
    }
    // Switching on again replaces a switched-off entry with one that starts.
    ASSERT_TRUE(storage::writeFileAtomically(entry.path(), Autostart::entryText() + "Hidden=true\n"));
    ASSERT_TRUE(entry.enable());
    EXPECT_TRUE(entry.isEnabled());
}

TEST(Autostart, AFolderThatCannotBeMadeIsAFailure) {
    QTemporaryDir dir;
    // A file where the folder should be: no permission trick, so this holds when the tests run as root too.
    ASSERT_TRUE(storage::writeFileAtomically(dir.path() + "/autostart", "not a folder"));
    const Autostart entry(dir.path() + "/autostart");
    EXPECT_FALSE(entry.enable());
    EXPECT_FALSE(entry.isEnabled());
}

TEST(Autostart, TheEntryIsAValidDesktopEntry) {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps)";
    QTemporaryDir dir;
    const Autostart entry(dir.path());
    ASSERT_TRUE(entry.enable());
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(validator, {entry.path()});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    EXPECT_TRUE(p.readAll().trimmed().isEmpty());
}
