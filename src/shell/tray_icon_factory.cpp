#include "shell/tray_icon_factory.h"

#include "model/style_table.h"

#include <QPainter>
#include <QPainterPath>

namespace lumora::TrayIconFactory {

namespace {

const QColor crimson = StyleTable::kCrimson.to<QColor>();

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

QPainterPath triangle(QPointF a, QPointF b, QPointF c) {
    QPainterPath path(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

} // namespace

void paintMosqueDome(QPainter& p, qreal size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // The geometry is in points with the origin at the lower left; flip and scale once.
    p.translate(0, size);
    p.scale(size / 18.0, -size / 18.0);
    p.setPen(Qt::NoPen);
    p.setBrush(crimson);

    p.drawPath(roundedRect(4.0, 2.2, 10.0, 4.0, 1.4));

    QPainterPath dome(QPointF(4.2, 6.2));
    dome.cubicTo(QPointF(6.7, 14.4), QPointF(11.3, 14.4), QPointF(13.8, 6.2));
    dome.lineTo(13.0, 4.5);
    dome.lineTo(5.0, 4.5);
    dome.closeSubpath();
    p.drawPath(dome);

    QPainterPath finial(QPointF(9.2, 13.2));
    finial.cubicTo(QPointF(9.8, 14.8), QPointF(10.2, 14.8), QPointF(10.8, 13.2));
    p.strokePath(finial, QPen(crimson, 1.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));

    p.drawPath(roundedRect(2.3, 3.0, 2.2, 9.2, 0.8));
    p.drawPath(roundedRect(13.5, 3.0, 2.2, 9.2, 0.8));
    p.drawPath(triangle({2.0, 12.2}, {4.9, 12.2}, {3.45, 14.1}));
    p.drawPath(triangle({13.1, 12.2}, {16.0, 12.2}, {14.55, 14.1}));
    p.restore();
}

QImage mosqueDome(int pixelSize) {
    QImage image(pixelSize, pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintMosqueDome(p, pixelSize);
    return image;
}

QImage mosqueDome(int pixelSize, std::optional<QColor> badge) {
    QImage image = mosqueDome(pixelSize);
    if (!badge) return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // A clear ring around the badge keeps it readable where it overlaps the crimson minaret.
    const qreal diameter = pixelSize * 0.42;
    const qreal ring = std::max(1.0, pixelSize / 18.0);
    const QRectF badgeRect(pixelSize - diameter, pixelSize - diameter, diameter, diameter);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    p.drawEllipse(badgeRect.adjusted(-ring, -ring, ring, ring));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(*badge);
    p.drawEllipse(badgeRect);
    return image;
}

} // namespace lumora::TrayIconFactory
