#include "model/data_folder.h"
#include "places/storage.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QSettings>
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

TEST(Storage, DataFolderIsCreatedInsideTheDataHome) {
    test::TempHome home;
    EXPECT_FALSE(QFileInfo::exists(home.dataFolder()));
    EXPECT_EQ(dataFolder(), home.dataFolder());
    EXPECT_TRUE(QFileInfo(home.dataFolder()).isDir());
}

TEST(Settings, ValuesSurviveAFreshSettingsObject) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    const QByteArray binary("\x00\xff{\"a\":1}\n@ByteArray(", 20);
    const std::pair<const char*, QByteArray> data[] = {
        {"cachedLocation", R"({"latitude":-6.2,"longitude":106.8,"savedAt":800000000})"},
        {"binary", binary},
        {"emptyData", QByteArray()},
    };
    // Texts the INI format could mistake for lists, byte arrays or comments.
    const std::pair<const char*, QString> texts[] = {
        {"lumora.main.window.frame.v2.frame", "{{120, 80}, {731, 500}}"},
        {"lumora.main.window.frame.v2.content", "{731, 500}"},
        {"list", "a,b"},
        {"semicolon", "a;b"},
        {"at", "@ByteArray(x)"},
        {"unicode", QString::fromUtf8("Banda Aceh — Kab. Pidië")},
        {"lines", "one\ntwo"},
        {"spaces", "  padded  "},
        {"emptyText", ""},
    };
    {
        Settings settings(path);
        for (const auto& [key, value] : data)
            settings.setData(key, value);
        for (const auto& [key, value] : texts)
            settings.setText(key, value);
    }
    Settings fresh(path);
    for (const auto& [key, value] : data)
        EXPECT_EQ(fresh.data(key), value) << key;
    for (const auto& [key, value] : texts)
        EXPECT_EQ(fresh.text(key), value) << key;
    EXPECT_EQ(fresh.data("missing"), std::nullopt);
    EXPECT_EQ(fresh.text("missing"), std::nullopt);

    fresh.remove("binary");
    EXPECT_EQ(Settings(path).data("binary"), std::nullopt);
}

TEST(Settings, DefaultFileIsTheOneQSettingsUsesForLumora) {
    // Not in a TempHome of its own: QSettings resolves its folders once per process.
    Settings settings;
    settings.setText("probe", "value");
    EXPECT_EQ(QSettings("lumora", "lumora").value("probe").toString(), "value");
    settings.remove("probe");
}
