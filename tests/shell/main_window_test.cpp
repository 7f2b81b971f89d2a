#include "shell/main_window.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace lumora;

namespace {

// These tests need a real X server with a window manager: the CTest entry shell.x11 gives them their own
// Xvfb and openbox (tests/shell/run-with-x11.sh).
#define LUMORA_REQUIRE_X11()                                                                                 \
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))                                            \
    GTEST_SKIP() << "needs its own X server (ctest -R shell.x11)"

bool within(QSize got, QSize expected, int tolerance = 1) {
    return std::abs(got.width() - expected.width()) <= tolerance &&
           std::abs(got.height() - expected.height()) <= tolerance;
}

std::unique_ptr<MainWindow> openWindow(const QString& settingsPath) {
    auto w = std::make_unique<MainWindow>(Settings(settingsPath));
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    // Let the window manager frame it and report where.
    QTest::qWait(300);
    return w;
}

} // namespace

TEST(MainWindowX11, FirstRunIsCentredAtTheDesignSize) {
    LUMORA_REQUIRE_X11();
    QTemporaryDir dir;
    auto w = openWindow(dir.filePath("lumora.conf"));
    EXPECT_EQ(w->size(), QSize(731, 500));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    const QPoint windowCentre = w->geometry().center();
    EXPECT_LE((screenCentre - windowCentre).manhattanLength(), 40)
        << windowCentre.x() << "," << windowCentre.y();
    EXPECT_EQ(w->minimumSize(), QSize(220, 150));

    // What the window manager is told (xprop comes with the X utilities the runner uses).
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(w->winId()), "WM_NORMAL_HINTS"});
    ASSERT_TRUE(xprop.waitForFinished(5000));
    const QString hints = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    EXPECT_TRUE(hints.contains("minimum size: 220 by 150")) << hints.toStdString();
    EXPECT_TRUE(hints.contains("minimum aspect ratio: 729538/500000")) << hints.toStdString();
    EXPECT_TRUE(hints.contains("maximum aspect ratio: 732462/500000")) << hints.toStdString();
}

TEST(MainWindowX11, ResizeKeepsTheRatioAndTheFrameIsRemembered) {
    LUMORA_REQUIRE_X11();
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    auto w = openWindow(path);

    // Width +100 and height +10: the width leads, 831 / 1.462 high.
    w->resize(831, 510);
    EXPECT_TRUE(QTest::qWaitFor([&] { return within(w->size(), QSize(831, 568)); }, 5000))
        << w->width() << "x" << w->height();
    QTest::qWait(500); // the end of the resize is saved after a short pause
    const Settings reader(path);
    EXPECT_EQ(reader.text(WindowFrameStore::kContentKey), WindowFrameStore::sizeText(QSizeF(w->size())));

    w->move(180, 140);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->frameGeometry().topLeft() == QPoint(180, 140); }, 5000))
        << w->frameGeometry().x() << "," << w->frameGeometry().y();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return WindowFrameStore::load(reader) == QRectF(w->frameGeometry()); }, 2000));

    // Closing only hides, and keeps the frame.
    w->close();
    EXPECT_TRUE(w->isHidden());
    EXPECT_EQ(WindowFrameStore::load(reader), QRectF(w->frameGeometry()));
    w.reset();

    // The next start: at the saved position, at the design size, with the saved ratio.
    auto again = openWindow(path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return again->frameGeometry().topLeft() == QPoint(180, 140); }, 5000))
        << again->frameGeometry().x() << "," << again->frameGeometry().y();
    EXPECT_EQ(again->size(), QSize(731, 500));
    EXPECT_EQ(again->lockedAspectRatio(), QSizeF(831, 568));
}
