#include "base/user_folders.h"

#include "support/temp_home.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include <sys/stat.h>

using namespace lumora;
using Outcome = DataFolderMove::Outcome;

namespace {

const QDateTime kOld = QDateTime::fromSecsSinceEpoch(1'770'000'000);
const QDateTime kNew = QDateTime::fromSecsSinceEpoch(1'770'086'400);

/// name -> content; each file dated `when`.
using Files = std::map<QString, QByteArray>;

void put(const QString& folder, const Files& files, const QDateTime& when) {
    QDir().mkpath(folder);
    for (const auto& [name, bytes] : files) {
        QFile f(folder + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
        ASSERT_TRUE(f.flush()); // else closing writes and dates the file now
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
}

Files contents(const QString& folder) {
    Files out;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile f(entry.filePath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        out[entry.fileName()] = f.readAll();
    }
    return out;
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

} // namespace

TEST(UserFolders, TheDataFolderIsNamedAfterTheAppAndTheOldOneIsKnown) {
    test::TempHome home;
    EXPECT_EQ(UserFolders::dataLocation(), home.dataFolder());
    EXPECT_EQ(UserFolders::legacyDataLocation(), home.legacyDataFolder());
    EXPECT_EQ(UserFolders::settingsLocation(), home.path() + "/.config/lumora/lumora.conf");
    EXPECT_EQ(UserFolders::autostartLocation(), home.path() + "/.config/autostart");
}

TEST(UserFolders, TheOldFolderMovesOnceAndNothingIsLost) {
    const Files oldFiles{{"month-jkt-2026-03.json", "old march"},
                         {"city-catalog.json", "old catalogue"},
                         {"widget-snapshot.json", "old snapshot"},
                         {"lumora.lock", ""}};
    struct Case {
        const char* what;
        std::optional<Files> old;     // in LumoraMac, dated kOld
        std::optional<Files> current; // in lumora, dated kNew
        bool currentIsAFile = false;  // lumora is a plain file: nothing can move
        Outcome outcome;
        bool oldInUse;
        Files expected;                     // in the folder in use afterwards
        std::optional<QDateTime> monthTime; // of the month file in the folder in use
    } cases[] = {
        {"nothing old", std::nullopt, std::nullopt, false, Outcome::nothingToMove, false, {}, std::nullopt},
        {"old only", oldFiles, std::nullopt, false, Outcome::moved, false, oldFiles, kOld},
        {"both present: the newer copy wins, the rest is carried, locks are not", oldFiles,
         Files{{"month-jkt-2026-03.json", "new march"}, {"month-jkt-2026-04.json", "new april"}}, false,
         Outcome::merged, false,
         Files{{"month-jkt-2026-03.json", "new march"},
               {"month-jkt-2026-04.json", "new april"},
               {"city-catalog.json", "old catalogue"},
               {"widget-snapshot.json", "old snapshot"}},
         kNew},
        {"new path is a file", oldFiles, std::nullopt, true, Outcome::failed, true, oldFiles, kOld},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempHome home;
        if (c.old) put(home.legacyDataFolder(), *c.old, kOld);
        if (c.current) put(home.dataFolder(), *c.current, kNew);
        if (c.currentIsAFile) {
            QFile blocker(home.dataFolder());
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }

        const DataFolderMove move = moveDataFolder(home.legacyDataFolder(), home.dataFolder());
        EXPECT_EQ(move.outcome, c.outcome);
        EXPECT_EQ(move.problem.isEmpty(), c.outcome != Outcome::failed) << move.problem.toStdString();
        const QString inUse = c.oldInUse ? home.legacyDataFolder() : home.dataFolder();
        EXPECT_EQ(move.folder, inUse);
        EXPECT_TRUE(QFileInfo(inUse).isDir());
        EXPECT_EQ(contents(inUse), c.expected);
        if (c.monthTime)
            EXPECT_EQ(QFileInfo(inUse + "/month-jkt-2026-03.json").lastModified(), *c.monthTime)
                << "a month file's age is its expiry: the move keeps it";
        if (!c.oldInUse) {
            EXPECT_FALSE(QFileInfo::exists(home.legacyDataFolder())) << "the old folder is gone";
            // A second start finds nothing more to do and reads only the new place.
            EXPECT_EQ(moveDataFolder(home.legacyDataFolder(), home.dataFolder()).outcome,
                      Outcome::nothingToMove);
        }
    }
}

TEST(UserFolders, ResolveMovesTheOldFolderAndMakesTheNewOneOwnerOnly) {
    {
        test::TempHome home;
        put(home.legacyDataFolder(), {{"city-catalog.json", "catalogue"}}, kOld);
        const UserFolders folders = UserFolders::resolve();
        EXPECT_EQ(folders.dataFolder, home.dataFolder());
        EXPECT_EQ(folders.settingsPath, UserFolders::settingsLocation());
        EXPECT_EQ(contents(home.dataFolder()), (Files{{"city-catalog.json", "catalogue"}}));
    }
    {
        test::TempHome home;
        EXPECT_EQ(UserFolders::resolve().dataFolder, home.dataFolder());
        EXPECT_EQ(modeOf(home.dataFolder()), 0700u);
    }
}
