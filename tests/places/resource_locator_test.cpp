#include "places/resource_locator.h"

#include "places/storage.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

TEST(ResourceLocator, CompiledInFirstThenTheResourceFolderThenAbsent) {
    QTemporaryDir dir;
    test::ScopedEnv env("LUMORA_RESOURCE_DIR", dir.path().toUtf8());
    storage::writeFileAtomically(dir.filePath("probe.txt"), "from the folder");
    storage::writeFileAtomically(dir.filePath("takbir.caf"), "sound");

    // The test program compiles in :/lumora/probe.txt, which wins over the folder's copy.
    EXPECT_EQ(ResourceLocator::url("probe", "txt"), QUrl("qrc:/lumora/probe.txt"));
    EXPECT_EQ(storage::readFile(ResourceLocator::path("probe", "txt").value()), "compiled in\n");

    EXPECT_EQ(ResourceLocator::url("takbir", "caf"), QUrl::fromLocalFile(dir.filePath("takbir.caf")));
    EXPECT_EQ(ResourceLocator::url("missing", "caf"), std::nullopt);
    for (const char* name : {"../takbir", "sub/takbir", "", "."})
        EXPECT_EQ(ResourceLocator::url(name, "caf"), std::nullopt) << name;
}
