#include "base/advisory_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumora;
using State = AdvisoryLock::State;

TEST(AdvisoryLock, HeldByOneHolderOnAnOwnerOnlyFileUntilReleased) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora-widget.lock");
    {
        const AdvisoryLock first = AdvisoryLock::acquire(path);
        ASSERT_EQ(first.state(), State::held);
        EXPECT_GE(first.fileDescriptor(), 0);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);

        // flock locks belong to the open file: a second open in this process is refused like another process.
        const AdvisoryLock second = AdvisoryLock::acquire(path);
        EXPECT_EQ(second.state(), State::heldElsewhere);
        EXPECT_EQ(second.fileDescriptor(), -1);

        AdvisoryLock moved = AdvisoryLock::acquire(dir.filePath("other.lock"));
        AdvisoryLock target = std::move(moved);
        EXPECT_TRUE(target.isHeld());
        EXPECT_FALSE(moved.isHeld()); // NOLINT(bugprone-use-after-move): the moved-from lock holds nothing
    }
    EXPECT_TRUE(AdvisoryLock::acquire(path).isHeld()) << "released with its holder";
}

TEST(AdvisoryLock, ReleasedWhenTheHoldingProcessIsKilled) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const AdvisoryLock lock = AdvisoryLock::acquire(path);
        const char c = lock.isHeld() ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_EQ(AdvisoryLock::acquire(path).state(), State::heldElsewhere);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(AdvisoryLock::acquire(path).isHeld());
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(AdvisoryLock, WhatIsNotAPlainFileOfOursCannotBeOpened) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    QFile target(dir.filePath("elsewhere"));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.close();
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), dir.filePath("planted.lock")));
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("dangling.lock")));
    for (const char* name : {"folder", "planted.lock", "dangling.lock", "missing/lumora.lock"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(AdvisoryLock::acquire(dir.filePath(name)).state(), State::cannotOpen);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("nowhere"))) << "a dangling link made no file";
}

// Each way the file cannot be had is told apart from another holder, with its own reason; a FIFO is
// neither waited on (no writer ever comes) nor locked.
TEST(AdvisoryLock, WhyItCannotBeOpenedIsToldApartFromAnotherHolder) {
    QTemporaryDir dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.lock")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.lock"));
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QFile::link(plain.fileName(), dir.filePath("link.lock")));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"fifo.lock", "bukan berkas biasa"},
        {"folder.lock", "berupa folder"},
        {"link.lock", "berupa tautan simbolik, yang tidak diikuti"},
        {"plain/lumora.lock", "salah satu folder di jalurnya bukan folder"},
        {"missing/lumora.lock", "foldernya tidak ada"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AdvisoryLock lock = AdvisoryLock::acquire(dir.filePath(c.name));
        EXPECT_EQ(lock.state(), State::cannotOpen);
        EXPECT_NE(lock.error(), 0);
        EXPECT_EQ(lock.reason(), c.reason);
    }
    const AdvisoryLock held = AdvisoryLock::acquire(dir.filePath("good.lock"));
    ASSERT_TRUE(held.isHeld());
    EXPECT_EQ(held.reason(), QString());
    const AdvisoryLock other = AdvisoryLock::acquire(dir.filePath("good.lock"));
    EXPECT_EQ(other.state(), State::heldElsewhere);
    EXPECT_EQ(other.error(), 0);
    EXPECT_EQ(other.reason(), QString());
}
