#include "base/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumora;
using Status = files::ReadResult::Status;

namespace {
bool writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

/// A small tmpfs that fills up, unmounted whatever the test does.
class FullDisk {
public:
    explicit FullDisk(const QString& at) : m_at(at) {
        QDir().mkpath(at);
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, "size=64k,mode=0700") == 0;
    }
    ~FullDisk() {
        if (m_mounted) ::umount2(QFile::encodeName(m_at).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_at;
    bool m_mounted = false;
};
} // namespace

TEST(Files, BoundedReadTakesOnlyRegularFilesWithinTheCap) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeRaw(dir.filePath("ten"), "0123456789"));
    ASSERT_TRUE(writeRaw(dir.filePath("empty"), ""));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    QFile::link(dir.filePath("ten"), dir.filePath("link"));
    QFile::link("/dev/zero", dir.filePath("zero"));
    struct Case {
        const char* name;
        qint64 cap;
        Status status;
        QByteArray bytes;
    } cases[] = {
        {"ten", 10, Status::ok, "0123456789"},
        {"ten", 9, Status::tooLarge, {}},
        {"empty", 0, Status::ok, {}},
        {"link", 10, Status::ok, "0123456789"}, // a file the user points at through a link still reads
        {"missing", 10, Status::missing, {}},
        {"ten/below", 10, Status::missing, {}},
        {".", 1 << 20, Status::notRegular, {}},
        {"pipe", 1 << 20, Status::notRegular, {}}, // would block for a writer if it were opened plainly
        {"zero", 1 << 20, Status::notRegular, {}}, // endless: read plainly it fills the memory
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " cap " + std::to_string(c.cap));
        const files::ReadResult r = files::readBounded(dir.filePath(c.name), c.cap);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.bytes, c.bytes);
        EXPECT_EQ(r.value().has_value(), c.status == Status::ok);
    }
}

TEST(Files, ReplaceKeepsTheOldFileWhenNothingCanBeWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("month.json");
    ASSERT_TRUE(files::replaceAtomically(path, "old"));
    ASSERT_TRUE(files::replaceAtomically(path, "new"));
    EXPECT_EQ(files::readBounded(path).bytes, "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"month.json"})
        << "no temporary file is left beside it";

    EXPECT_FALSE(files::replaceAtomically(dir.filePath("no/such/folder/x.json"), "x"));
    // A folder that cannot take a temporary file: the old content stays whole.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (::geteuid() != 0) {
        EXPECT_FALSE(files::replaceAtomically(path, "newer"));
        EXPECT_EQ(files::readBounded(path).bytes, "new");
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(Files, ReplaceNeverWritesThroughALink) {
    QTemporaryDir outside;
    QTemporaryDir dir;
    const QString target = outside.filePath("bashrc");
    ASSERT_TRUE(writeRaw(target, "keep me"));
    struct Case {
        const char* name;
        QString linkTo;
    } cases[] = {
        {"a link to a file elsewhere", target},
        {"a dangling link", outside.filePath("never-made.json")},
        {"a link to a link", dir.filePath("city-catalog.json")},
    };
    ASSERT_TRUE(QFile::link(target, dir.filePath("city-catalog.json")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath("month.json");
        QFile::remove(path);
        ASSERT_TRUE(QFile::link(c.linkTo, path));
        ASSERT_TRUE(files::replaceAtomically(path, "new"));
        EXPECT_FALSE(QFileInfo(path).isSymLink()) << "the entry itself is replaced";
        EXPECT_EQ(files::readBounded(path).bytes, "new");
        EXPECT_EQ(files::readBounded(target).bytes, "keep me");
        EXPECT_EQ(entries(outside.path()), QStringList{"bashrc"}) << "nothing is made where a link points";
    }
    EXPECT_TRUE(QFileInfo(dir.filePath("city-catalog.json")).isSymLink()) << "only the named entry changes";
}

TEST(Files, ReplaceOnAFullDiskKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    QTemporaryDir dir;
    const FullDisk disk(dir.filePath("disk"));
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs here: " << std::strerror(errno);
    const QString path = dir.filePath("disk/month-jkt-2026-03.json");
    ASSERT_TRUE(files::replaceAtomically(path, "{\"old\":true}"));

    // Larger than the whole disk, and just the disk's size (the old file takes a page of it).
    for (const qsizetype size : {qsizetype(200 * 1024), qsizetype(64 * 1024)}) {
        SCOPED_TRACE(size);
        errno = 0;
        EXPECT_FALSE(files::replaceAtomically(path, QByteArray(size, 'x')));
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_EQ(files::readBounded(path).bytes, "{\"old\":true}");
        EXPECT_EQ(entries(dir.filePath("disk")), QStringList{"month-jkt-2026-03.json"})
            << "the temporary file is gone";
    }
    EXPECT_TRUE(files::replaceAtomically(path, "{}")) << "space is free again afterwards";
}

TEST(Files, PrivateFolders) {
    QTemporaryDir dir;
    const QString made = dir.filePath("share/lumora");
    ASSERT_TRUE(files::makePrivateFolder(made));
    EXPECT_EQ(QFileInfo(made).permissions().toInt() & 0x0077, 0) << "nobody else may list or enter it";

    const QString existing = dir.filePath("open");
    ASSERT_TRUE(QDir().mkdir(existing));
    ASSERT_TRUE(QFile::setPermissions(existing, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
    const auto before = QFileInfo(existing).permissions();
    EXPECT_TRUE(files::makePrivateFolder(existing));
    EXPECT_EQ(QFileInfo(existing).permissions(), before) << "a folder the user made is left as it is";

    ASSERT_TRUE(writeRaw(dir.filePath("a-file"), "x"));
    EXPECT_FALSE(files::makePrivateFolder(dir.filePath("a-file")));
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("dangling")));
    EXPECT_FALSE(files::makePrivateFolder(dir.filePath("dangling")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("nowhere")));
}
