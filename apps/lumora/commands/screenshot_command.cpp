#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include "model/dashboard_model.h"
#include "shell/dashboard_painter.h"

#include <QImage>
#include <QRegularExpression>

#include <cmath>

namespace lumora::cli {

namespace {

/// Screenshots stay within what a PNG viewer and memory comfortably hold.
constexpr int kMaxScreenshotSide = 16384;
constexpr double kMaxScreenshotScale = 8;

std::optional<QSize> sizeFrom(const QString& text) {
    const auto match = QRegularExpression(QStringLiteral(R"(^(\d{1,5})x(\d{1,5})$)")).match(text);
    if (!match.hasMatch()) return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    if (size.width() < 1 || size.height() < 1) return std::nullopt;
    return size;
}

} // namespace

int screenshot(const QStringList& args) {
    const Options o =
        parseOptions(args, {QStringLiteral("at"), QStringLiteral("size"), QStringLiteral("scale")},
                     {QStringLiteral("loading")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.json) return fail(QStringLiteral("pilihan tidak dikenal: --json"));
    if (o.positionals.size() != 1)
        return fail(QStringLiteral(
            "pemakaian: lumora screenshot FILE.png [--at WAKTU] [--size LxT] [--scale N] [--loading]"));

    const QSize size = o.size ? sizeFrom(*o.size).value_or(QSize()) : QSize(731, 500);
    if (size.isEmpty())
        return fail(QStringLiteral("ukuran tidak valid: %1 (contoh: 731x500)").arg(echoed(*o.size)));
    double scale = 1;
    if (o.scale) {
        bool ok = false;
        scale = o.scale->toDouble(&ok);
        if (!ok || !std::isfinite(scale) || scale <= 0 || scale > kMaxScreenshotScale)
            return fail(
                QStringLiteral("skala tidak valid: %1 (angka di atas 0 sampai 8)").arg(echoed(*o.scale)));
    }
    if (std::ceil(size.width() * scale) > kMaxScreenshotSide ||
        std::ceil(size.height() * scale) > kMaxScreenshotSide)
        return fail(
            QStringLiteral("gambar terlalu besar: paling banyak %1 piksel per sisi").arg(kMaxScreenshotSide));

    QString error;
    auto session = makeSession(o, &error);
    if (!session) return fail(error);

    const LoadedState loaded = loadTodayState(*session);
    const QImage image = renderDashboard(dashboardAt(loaded, o.loading), size, scale);
    const QString file = o.positionals.first();
    if (!image.save(file, "PNG")) return fail(QStringLiteral("tidak dapat menulis %1").arg(echoed(file)));
    return statusFor(loaded.state);
}

} // namespace lumora::cli
