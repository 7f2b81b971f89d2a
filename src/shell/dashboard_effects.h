#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>

namespace lumora {

/// A blurred black mask and where its top-left lies from the top-left of the shape that cast it, in device
/// pixels.
struct Shadow {
    QImage image;
    QPointF offset;
};

/// Three box blurs approximating a Gaussian of `sigma`, on the alpha channel only; leaves premultiplied
/// black.
void blurAlpha(QImage& img, double sigma);
/// The soft shadow of a rounded rectangle, all sizes in device pixels.
Shadow makeShadow(QSizeF shapeDevice, double radiusDevice, double blurDevice);
/// The glow behind one line of text, drawn at device resolution.
Shadow makeGlow(const QFont& font, const QString& text, double deviceScale, double blurDevice);
/// `alphaMask` filled with `color` where it is opaque.
QImage tinted(const QImage& alphaMask, const QColor& color);

} // namespace lumora
