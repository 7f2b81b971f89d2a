#include "platform/takbir_sound.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lumora;

TEST(TakbirSound, OverrideFirstThenTheShippedFile) {
    test::TempHome home;
    QDir().mkpath(home.path() + "/res/sounds");
    QFile f(home.path() + "/res/sounds/takbir.wav");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    {
        test::ScopedEnv env("LUMORA_RESOURCE_DIR", (home.path() + "/res").toUtf8());
        EXPECT_EQ(takbirSoundPath(), QFileInfo(f).canonicalFilePath());
    }
    // An override without the file falls through to a copy that exists: the installed one or the source
    // tree's.
    test::ScopedEnv env("LUMORA_RESOURCE_DIR", home.path().toUtf8());
    const std::optional<QString> shipped = takbirSoundPath();
    ASSERT_TRUE(shipped);
    EXPECT_TRUE(shipped->endsWith("/sounds/takbir.wav"));
    EXPECT_GT(QFileInfo(*shipped).size(), 1000);
}
