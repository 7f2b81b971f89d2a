#include "dashboard_effects.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumora {

void blurAlpha(QImage& img, double sigma) {
    const int r = std::max(1, int(std::lround(sigma * 0.94)));
    const int w = img.width(), h = img.height();
    std::vector<uchar> a(size_t(w) * h), tmp(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            a[size_t(y) * w + x] = uchar(qAlpha(line[x]));
    }
    auto pass = [&](std::vector<uchar>& src, std::vector<uchar>& dst, bool horizontal) {
        const int n = horizontal ? w : h, lines = horizontal ? h : w;
        const int div = 2 * r + 1;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> uchar& {
                i = std::clamp(i, 0, n - 1);
                return horizontal ? src[size_t(l) * w + i] : src[size_t(i) * w + l];
            };
            int sum = 0;
            for (int i = -r; i <= r; ++i)
                sum += at(i);
            for (int i = 0; i < n; ++i) {
                (horizontal ? dst[size_t(l) * w + i] : dst[size_t(i) * w + l]) = uchar(sum / div);
                sum += at(i + r + 1) - at(i - r);
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(a, tmp, true);
        pass(tmp, a, false);
    }
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int v = a[size_t(y) * w + x];
            line[x] = qRgba(0, 0, 0, v); // premultiplied black
        }
    }
}

Shadow makeShadow(QSizeF shapeDevice, double radiusDevice, double blurDevice) {
    const double sigma = blurDevice / 2.0;
    const int margin = int(std::ceil(sigma * 3));
    QImage img(int(std::ceil(shapeDevice.width())) + 2 * margin,
               int(std::ceil(shapeDevice.height())) + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(QPointF(margin, margin), shapeDevice), radiusDevice, radiusDevice);
    }
    if (sigma > 0.3) blurAlpha(img, sigma);
    return Shadow{img, QPointF(-margin, -margin)};
}

Shadow makeGlow(const QFont& font, const QString& text, double deviceScale, double blurDevice) {
    const QFontMetricsF fm(font);
    const double sigma = blurDevice / 2.0;
    const int margin = int(std::ceil(sigma * 3));
    const QSizeF size(fm.horizontalAdvance(text) * deviceScale, fm.height() * deviceScale);
    QImage img(int(std::ceil(size.width())) + 2 * margin, int(std::ceil(size.height())) + 2 * margin,
               QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.translate(margin, margin);
        p.scale(deviceScale, deviceScale);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(0, fm.ascent()), text);
    }
    blurAlpha(img, sigma);
    return Shadow{img, QPointF(-margin, -margin)};
}

QImage tinted(const QImage& alphaMask, const QColor& color) {
    QImage out = alphaMask;
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), color);
    return out;
}

} // namespace lumora
