#include "base/files.h"
#include "base/settings.h"
#include "base/user_folders.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumora;

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
    Settings settings(UserFolders::settingsLocation());
    settings.setText("probe", "value");
    EXPECT_EQ(QSettings("lumora", "lumora").value("probe").toString(), "value");
    settings.remove("probe");
}

TEST(Settings, AValueWrittenByAnotherObjectIsSeenAtTheNextRead) {
    // The widget host and the app share the file: each read must see the other's last change.
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    const Settings reader(path);
    EXPECT_EQ(reader.value("widget.position"), std::nullopt);
    Settings(path).setValue("widget.position", QPoint(40, 60));
    ASSERT_TRUE(reader.value("widget.position").has_value());
    EXPECT_EQ(reader.value("widget.position")->toPoint(), QPoint(40, 60));
}

TEST(Settings, AFileThatIsNotOursReadsAsEmptyAndIsLeftAlone) {
    QTemporaryDir dir;
    const QString big = dir.filePath("big.conf");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nkey=value\n");
        f.write(QByteArray(files::maxBytes(files::Kind::settings), ';'));
    }
    const QString pipe = dir.filePath("pipe.conf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.filePath("zero.conf");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString folder = dir.filePath("folder.conf");
    ASSERT_TRUE(QDir().mkdir(folder));

    for (const QString& path : {big, pipe, zero, folder}) {
        SCOPED_TRACE(path.toStdString());
        const QFileInfo before(path);
        // A pipe would block QSettings for ever and /dev/zero would fill the memory: neither is opened.
        Settings settings(path);
        EXPECT_EQ(settings.text("key"), std::nullopt);
        settings.setText("key", "changed");
        settings.remove("key");
        EXPECT_EQ(settings.text("key"), std::nullopt);
        const QFileInfo after(path);
        EXPECT_EQ(after.size(), before.size()) << "never replaced by a file of the one change";
        EXPECT_EQ(after.isSymLink(), before.isSymLink());
        EXPECT_EQ(after.isDir(), before.isDir());
    }

    // Put right, the file reads again in the same object.
    Settings settings(big);
    ASSERT_EQ(settings.text("key"), std::nullopt);
    ASSERT_TRUE(QFile::remove(big));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nkey=value\n");
    }
    EXPECT_EQ(settings.text("key"), "value");
}
