#include "places/storage.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace lumora;

TEST(Storage, ReaderNeverSeesAMixtureWhileTheFileIsReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("snapshot.json");
    // Different sizes and bytes: a torn read shows up as a wrong size or a mixed byte.
    const QByteArray a(256 * 1024, 'a');
    const QByteArray b(64 * 1024, 'b');
    ASSERT_TRUE(storage::writeFileAtomically(path, a));

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 300; ++i)
            storage::writeFileAtomically(path, i % 2 ? a : b);
        done = true;
    });
    int reads = 0;
    int bad = 0;
    while (!done) {
        const auto bytes = storage::readFile(path);
        ++reads;
        if (!bytes || (*bytes != a && *bytes != b)) ++bad;
    }
    writer.join();
    EXPECT_EQ(bad, 0) << "of " << reads << " reads";
    EXPECT_EQ(storage::readFile(path), a);
    // No temporary file is left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"snapshot.json"});
}

TEST(Storage, MissingFilesAreAbsence) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.json");
    EXPECT_EQ(storage::readFile(missing), std::nullopt);
    EXPECT_EQ(storage::readFile(dir.path()), std::nullopt) << "a folder is not a file";
    EXPECT_EQ(storage::modificationTime(missing), std::nullopt);
    storage::removeFile(missing); // no effect, no failure

    EXPECT_FALSE(storage::writeFileAtomically(dir.filePath("no/such/folder/x.json"), "x"));
    EXPECT_FALSE(QFile::exists(dir.filePath("no/such/folder/x.json")));

    // An empty file is present, not absent.
    const QString empty = dir.filePath("empty.json");
    ASSERT_TRUE(storage::writeFileAtomically(empty, QByteArray()));
    EXPECT_EQ(storage::readFile(empty), QByteArray());
    EXPECT_TRUE(storage::modificationTime(empty).has_value());
    storage::removeFile(empty);
    EXPECT_EQ(storage::readFile(empty), std::nullopt);
}
