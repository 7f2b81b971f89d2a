#include "core/single_instance_lock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumora;

TEST(SingleInstanceLock, HeldOncePerUserWithOwnerOnlyFile) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("data/lumora");
    SingleInstanceLock first(folder);
    EXPECT_EQ(first.lockPath(), folder + "/lumora.lock");
    ASSERT_TRUE(first.acquire());
    const int fd = first.fileDescriptor();
    EXPECT_TRUE(first.acquire());
    EXPECT_EQ(first.fileDescriptor(), fd) << "a second acquire does not open the file again";
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(first.lockPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    SingleInstanceLock second(folder);
    EXPECT_FALSE(second.acquire());
    EXPECT_EQ(second.fileDescriptor(), -1);
}

TEST(SingleInstanceLock, ReleasedWhenTheHolderIsGoneEvenAfterSigkill) {
    QTemporaryDir dir;
    {
        SingleInstanceLock lock(dir.path());
        ASSERT_TRUE(lock.acquire());
    }
    {
        SingleInstanceLock afterRelease(dir.path());
        EXPECT_TRUE(afterRelease.acquire());
    }

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock held(dir.path());
        const char ok = held.acquire() ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    SingleInstanceLock whileHeld(dir.path());
    EXPECT_FALSE(whileHeld.acquire());

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    SingleInstanceLock afterKill(dir.path());
    EXPECT_TRUE(afterKill.acquire());
}

TEST(SingleInstanceLock, FolderThatCannotBeMadeFailsTheAcquire) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("lumora"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SingleInstanceLock lock(blocker.fileName());
    EXPECT_FALSE(lock.acquire());
}
