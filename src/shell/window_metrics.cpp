#include "window_metrics.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace WindowMetrics {

QSizeF constrainedContentSize(QSizeF current, QSizeF proposed, QSizeF aspect, QSizeF minimum) {
    const double r = aspect.width() / aspect.height();
    double w = 0, h = 0;
    if (std::abs(proposed.height() - current.height()) > std::abs(proposed.width() - current.width())) {
        h = proposed.height();
        w = r * h;
    } else {
        w = proposed.width();
        h = w / r;
    }
    if (w < minimum.width()) {
        w = minimum.width();
        h = w / r;
    }
    if (h < minimum.height()) {
        h = minimum.height();
        w = r * h;
    }
    return {w, h};
}

} // namespace WindowMetrics

namespace WindowFrameStore {

namespace {

QString number(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// The numbers of a text form, when there are exactly `count` of them.
std::optional<QList<double>> numbers(const QString& text, int count) {
    static const QRegularExpression number(QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    QList<double> out;
    for (auto it = number.globalMatch(text); it.hasNext();) {
        const double v = it.next().captured().toDouble();
        if (!std::isfinite(v)) return std::nullopt;
        out.append(v);
    }
    if (out.size() != count) return std::nullopt;
    return out;
}

} // namespace

QString rectText(QRectF r) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()));
}

QString sizeText(QSizeF s) {
    return QStringLiteral("{%1, %2}").arg(number(s.width()), number(s.height()));
}

QRectF parseRect(const QString& text) {
    const auto n = numbers(text, 4);
    return n ? QRectF((*n)[0], (*n)[1], (*n)[2], (*n)[3]) : QRectF();
}

QSizeF parseSize(const QString& text) {
    const auto n = numbers(text, 2);
    return n ? QSizeF((*n)[0], (*n)[1]) : QSizeF(0, 0);
}

std::optional<QRectF> load(const Settings& settings) {
    const std::optional<QString> text = settings.text(kFrameKey);
    if (!text) return std::nullopt;
    const QRectF r = parseRect(*text);
    if (r.width() > 0 && r.height() > 0) return r;
    return std::nullopt;
}

QSizeF savedAspectRatio(const Settings& settings, QSizeF fallback) {
    if (const std::optional<QString> text = settings.text(kContentKey)) {
        const QSizeF s = parseSize(*text);
        if (s.width() > 0 && s.height() > 0) return s;
    }
    if (const std::optional<QRectF> frame = load(settings))
        return {std::max(frame->width(), 1.0), std::max(frame->height(), 1.0)};
    return fallback;
}

void save(Settings& settings, QRectF frame, std::optional<QSizeF> contentSize) {
    settings.setText(kFrameKey, rectText(frame));
    if (contentSize) settings.setText(kContentKey, sizeText(*contentSize));
}

} // namespace WindowFrameStore

} // namespace lumora
