// Build-time tool: renders the application icon in every size the desktop asks for from the tray icon's own
// drawing, so the menu entry, the window and the tray never drift apart.
#include "shell/tray_icon_factory.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTextStream>

#include <array>

namespace {

constexpr std::array kPixelSizes{16, 22, 24, 32, 48, 64, 128, 256};
constexpr int kWindowIconSize = 256;
constexpr int kSvgSize = 256;

bool fail(const QString& message) {
    QTextStream(stderr) << "lumora-icons: " << message << Qt::endl;
    return false;
}

bool writePng(const QImage& image, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("cannot create folder for ") + path);
    if (!image.save(path, "PNG")) return fail(QStringLiteral("cannot write ") + path);
    return true;
}

bool writeSvg(const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("cannot create folder for ") + path);
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle(QStringLiteral("Lumora"));
    svg.setDescription(QStringLiteral("Kubah masjid"));
    QPainter painter;
    if (!painter.begin(&svg)) return fail(QStringLiteral("cannot write ") + path);
    lumora::TrayIconFactory::paintMosqueDome(painter, kSvgSize);
    return painter.end() || fail(QStringLiteral("cannot finish ") + path);
}

} // namespace

int main(int argc, char** argv) {
    // Only raster and SVG painting happen here; no display is needed at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "Pemakaian: lumora-icons FOLDER_KELUARAN" << Qt::endl;
        return 2;
    }
    const QString out = args[1];
    bool ok = true;
    for (const int size : kPixelSizes) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps/lumora.png").arg(out).arg(size);
        ok = writePng(lumora::TrayIconFactory::mosqueDome(size), dir) && ok;
    }
    ok = writeSvg(out + QStringLiteral("/hicolor/scalable/apps/lumora.svg")) && ok;
    ok = writePng(lumora::TrayIconFactory::mosqueDome(kWindowIconSize),
                  out + QStringLiteral("/vesk_sholat_v2.png")) &&
         ok;
    return ok ? 0 : 1;
}
