#include "platform/resource_locator.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

namespace {
void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(ResourceLocator, CompiledInFirstThenTheResourceFolderThenAbsent) {
    QTemporaryDir dir;
    const ResourceLocator locator({dir.path()});
    write(dir.filePath("probe.txt"), "from the folder");
    write(dir.filePath("takbir.caf"), "sound");

    // The test program compiles in :/lumora/probe.txt, which wins over the folder's copy.
    EXPECT_EQ(locator.url("probe", "txt"), QUrl("qrc:/lumora/probe.txt"));
    EXPECT_EQ(read(locator.path("probe", "txt").value()), "compiled in\n");

    EXPECT_EQ(locator.url("takbir", "caf"), QUrl::fromLocalFile(dir.filePath("takbir.caf")));
    EXPECT_EQ(locator.url("missing", "caf"), std::nullopt);
    for (const char* name : {"../takbir", "sub/takbir", "", "."})
        EXPECT_EQ(locator.url(name, "caf"), std::nullopt) << name;
}
