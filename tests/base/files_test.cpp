#include "base/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumora;
using Status = files::ReadResult::Status;

namespace {
bool writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
} // namespace

TEST(Files, BoundedReadTakesOnlyRegularFilesWithinTheCap) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeRaw(dir.filePath("ten"), "0123456789"));
    ASSERT_TRUE(writeRaw(dir.filePath("empty"), ""));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    QFile::link(dir.filePath("ten"), dir.filePath("link"));
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
