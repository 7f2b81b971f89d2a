#include "shell/window_metrics.h"

#include "support/printers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

constexpr QSizeF kDesign = WindowMetrics::kDesignWindowSize;

struct SettingsFile {
    QTemporaryDir dir;
    Settings settings{dir.filePath("lumora.conf")};
};

} // namespace

TEST(WindowMetrics, ResizeRule) {
    const QSizeF current(731, 500);
    struct Case {
        const char* what;
        QSizeF proposed;
        QSizeF expected;
    } cases[] = {
        {"width +100, height +10: the width leads", {831, 510}, {831, 831 / 1.462}},
        {"height +50, width +10: the height leads", {741, 550}, {550 * 1.462, 550}},
        {"equal changes are width-led", {781, 550}, {781, 781 / 1.462}},
        {"equal shrinking is width-led too", {681, 450}, {681, 681 / 1.462}},
        {"narrower than the minimum", {200, 480}, {219.3, 150}},
        {"height-led below the minimum", {725, 100}, {219.3, 150}},
        {"unchanged", {731, 500}, {731, 500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QSizeF got = WindowMetrics::constrainedContentSize(current, c.proposed, kDesign);
        EXPECT_NEAR(got.width(), c.expected.width(), 1e-9);
        EXPECT_NEAR(got.height(), c.expected.height(), 1e-9);
    }
    // Another ratio: the height minimum decides once the width minimum leaves it too short.
    const QSizeF wide = WindowMetrics::constrainedContentSize({1000, 100}, {100, 10}, {1000, 100});
    EXPECT_NEAR(wide.width(), 1500, 1e-9);
    EXPECT_NEAR(wide.height(), 150, 1e-9);
}

TEST(WindowFrameStore, TextForms) {
    EXPECT_EQ(WindowFrameStore::rectText({100, 200, 731, 528}), "{{100, 200}, {731, 528}}");
    EXPECT_EQ(WindowFrameStore::sizeText({219.3, 150}), "{219.3, 150}");
    EXPECT_EQ(WindowFrameStore::parseRect("{{-12.5, 40}, {731, 528}}"), QRectF(-12.5, 40, 731, 528));
    EXPECT_EQ(WindowFrameStore::parseSize("{219.3, 150}"), QSizeF(219.3, 150));
    for (const char* bad : {"", "garbage", "{{1, 2}, {3}}", "{1, 2, 3}", "{{1, 2}, {3, 4}, {5, 6}}"})
        EXPECT_EQ(WindowFrameStore::parseRect(bad), QRectF()) << bad;
    EXPECT_EQ(WindowFrameStore::parseSize("{1}"), QSizeF(0, 0));
}

TEST(WindowFrameStore, LoadNeedsBothSidesPositive) {
    SettingsFile f;
    EXPECT_FALSE(WindowFrameStore::load(f.settings));
    struct Case {
        const char* text;
        std::optional<QRectF> expected;
    } cases[] = {
        {"{{10, 20}, {731, 528}}", QRectF(10, 20, 731, 528)},
        {"{{-1600, -20}, {300, 200}}", QRectF(-1600, -20, 300, 200)},
        {"{{10, 20}, {0, 528}}", std::nullopt},
        {"{{10, 20}, {731, -1}}", std::nullopt},
        {"not a rectangle", std::nullopt},
    };
    for (const Case& c : cases) {
        f.settings.setText(WindowFrameStore::kFrameKey, c.text);
        EXPECT_EQ(WindowFrameStore::load(f.settings), c.expected) << c.text;
    }
}

TEST(WindowFrameStore, AspectRatioFallsBackToTheFrameThenTheDesign) {
    SettingsFile f;
    EXPECT_EQ(WindowFrameStore::savedAspectRatio(f.settings, kDesign), kDesign);

    f.settings.setText(WindowFrameStore::kContentKey, "{0, 500}");
    f.settings.setText(WindowFrameStore::kFrameKey, "{{10, 20}, {831, 596}}");
    EXPECT_EQ(WindowFrameStore::savedAspectRatio(f.settings, kDesign), QSizeF(831, 596));

    f.settings.setText(WindowFrameStore::kFrameKey, "{{10, 20}, {0, 596}}");
    EXPECT_EQ(WindowFrameStore::savedAspectRatio(f.settings, kDesign), kDesign);

    f.settings.setText(WindowFrameStore::kContentKey, "{831, 568}");
    EXPECT_EQ(WindowFrameStore::savedAspectRatio(f.settings, kDesign), QSizeF(831, 568));
}

TEST(WindowFrameStore, EverySaveReplacesBothKeys) {
    SettingsFile f;
    WindowFrameStore::save(f.settings, {100, 200, 731, 528}, QSizeF(731, 500));
    WindowFrameStore::save(f.settings, {340, 260, 831, 596}, QSizeF(831, 568));
    // A second reader of the same file sees the latest values.
    const Settings reader(f.settings.path());
    EXPECT_EQ(reader.text(WindowFrameStore::kFrameKey), "{{340, 260}, {831, 596}}");
    EXPECT_EQ(reader.text(WindowFrameStore::kContentKey), "{831, 568}");
    EXPECT_EQ(WindowFrameStore::load(reader), QRectF(340, 260, 831, 596));

    // Without a content size only the frame changes.
    WindowFrameStore::save(f.settings, {1, 2, 3, 4}, std::nullopt);
    EXPECT_EQ(reader.text(WindowFrameStore::kContentKey), "{831, 568}");
}
