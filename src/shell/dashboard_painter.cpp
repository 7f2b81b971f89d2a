#include "dashboard_painter.h"

#include <QEasingCurve>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace lumora {

namespace {

QColor rgb(double r, double g, double b, double a = 1.0) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(
        float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
        float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

double easeInOut(double t) {
    static const QEasingCurve curve(QEasingCurve::InOutQuad);
    return curve.valueForProgress(std::clamp(t, 0.0, 1.0));
}

QFont makeFont(const QStringList& families, int pixelSize, QFont::Weight weight) {
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    // Outlines scale smoothly with the canvas; hinting would make widths jump between scales.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Comfortaa has no Black weight: Bold stands in for it.
QFont rounded(int px) {
    return makeFont({QStringLiteral("Comfortaa"), QStringLiteral("DejaVu Sans")}, px, QFont::Bold);
}
QFont mono(int px, QFont::Weight w) {
    return makeFont({QStringLiteral("JetBrains Mono"), QStringLiteral("DejaVu Sans Mono")}, px, w);
}
QFont sans(int px, QFont::Weight w) {
    return makeFont({QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")}, px, w);
}

struct Fonts {
    QFont brand = rounded(26);
    QFont city = rounded(17);
    QFont title = rounded(80);
    QFont date = sans(18, QFont::DemiBold);
    QFont digits = mono(128, QFont::ExtraBold);
    QFont countdown = mono(28, QFont::Bold);
    QFont scheduleTitle = rounded(22);
    QFont rowLabel = sans(18, QFont::Normal);
    QFont rowLabelBold = sans(18, QFont::Bold);
    QFont rowTime = mono(18, QFont::Normal);
    QFont rowTimeBold = mono(18, QFont::Bold);
    QFont empty = sans(15, QFont::Normal);
};

const Fonts& fonts() {
    static const Fonts f;
    return f;
}

// The canvas layout (design points). Only the fixed geometry lives here; text positions follow the fonts.
constexpr double kInsetTop = 20, kInsetLeft = 20, kInsetBottom = 20, kInsetRight = 12;
constexpr double kRowSpacing = 16;
constexpr double kHeroPadding = 20, kHeroSpacing = 6, kHeroRadius = 32;
constexpr double kSchedulePadding = 22, kScheduleRadius = 28;
constexpr double kButtonSize = 30;

double sidebarWidth(double contentWidth) {
    return std::min(std::max(0.26 * contentWidth, 242.0), 306.0);
}

struct CanvasLayout {
    QRectF hero;
    QRectF schedule;
    QRectF heroInner;
    QRectF button;
    double baseline = 0;
    double cityTop = 0;
};

CanvasLayout canvasLayout() {
    CanvasLayout l;
    const double w = kDesignCanvasSize.width() - kInsetLeft - kInsetRight;
    const double h = kDesignCanvasSize.height() - kInsetTop - kInsetBottom;
    const double side = sidebarWidth(w);
    l.hero = QRectF(kInsetLeft, kInsetTop, w - side - kRowSpacing, h);
    l.schedule = QRectF(l.hero.right() + kRowSpacing, kInsetTop, side, h);
    l.heroInner = l.hero.adjusted(kHeroPadding, kHeroPadding, -kHeroPadding, -kHeroPadding);
    // Brand and city share their first baseline; the button sits 4 points under the city.
    const QFontMetricsF brandFm(fonts().brand), cityFm(fonts().city);
    l.baseline = l.heroInner.top() + std::max(brandFm.ascent(), cityFm.ascent());
    l.cityTop = l.baseline - cityFm.ascent();
    l.button =
        QRectF(l.heroInner.right() - kButtonSize, l.cityTop + cityFm.height() + 4, kButtonSize, kButtonSize);
    return l;
}

bool isRounded(const QFont& font) {
    return font.families().value(0) == QStringLiteral("Comfortaa");
}

// Text drawn straight onto `p` (no cache). The rounded face has no Black weight, so its Bold is thickened
// with a thin outline of the same colour to come close to the design's heavy titles.
void drawRunDirect(QPainter& p, const QFont& font, const QString& text, QPointF pos, const QColor& color) {
    if (isRounded(font)) {
        QPainterPath path;
        path.addText(pos, font, text);
        p.setPen(QPen(color, font.pixelSize() * 0.04, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(color);
        p.drawPath(path);
        return;
    }
    p.setFont(font);
    p.setPen(color);
    p.drawText(pos, text);
}

struct TextSprite {
    QImage image;
    QPointF baseline; // where the text's baseline origin lies in the image, device pixels
};

// Large glyphs are outlines that Qt fills again on every frame; the texts change once a minute, so each is
// kept as an image at its device scale. Only the painting thread uses it.
TextSprite& textSprite(const QFont& font, const QString& text, const QColor& color, double scale) {
    thread_local QHash<QString, TextSprite> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6")
                            .arg(font.families().value(0))
                            .arg(font.pixelSize())
                            .arg(int(font.weight()))
                            .arg(color.rgba())
                            .arg(qRound(scale * 1000))
                            .arg(text);
    auto it = cache.find(key);
    if (it != cache.end()) return *it;
    if (cache.size() > 256) cache.clear(); // animations make short-lived scales and colours
    const QFontMetricsF fm(font);
    const double pad = font.pixelSize() * 0.15 + 2;
    const QSizeF logical(fm.horizontalAdvance(text) + 2 * pad, fm.height() + 2 * pad);
    TextSprite sprite;
    sprite.image =
        QImage(QSize(int(std::ceil(logical.width() * scale)), int(std::ceil(logical.height() * scale))),
               QImage::Format_ARGB32_Premultiplied);
    sprite.image.fill(Qt::transparent);
    sprite.baseline = QPointF(pad, pad + fm.ascent()) * scale;
    QPainter sp(&sprite.image);
    sp.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    sp.scale(scale, scale);
    drawRunDirect(sp, font, text, QPointF(pad, pad + fm.ascent()), color);
    sp.end();
    return *cache.insert(key, sprite);
}

// Text with its baseline at `pos`, from the sprite cache whenever the painter only scales and moves.
void drawRun(QPainter& p, const QFont& font, const QString& text, QPointF pos, const QColor& color) {
    const QTransform t = p.deviceTransform();
    if (text.isEmpty() || t.type() > QTransform::TxScale || !qFuzzyCompare(t.m11(), t.m22()) ||
        t.m11() <= 0) {
        drawRunDirect(p, font, text, pos, color);
        return;
    }
    const TextSprite& sprite = textSprite(font, text, color, t.m11());
    const QPointF device = t.map(pos) - sprite.baseline;
    const double dpr = p.device()->devicePixelRatioF();
    p.save();
    p.setWorldTransform(QTransform());
    QImage image = sprite.image; // shallow copy
    image.setDevicePixelRatio(dpr);
    p.drawImage(QPointF(std::round(device.x()) / dpr, std::round(device.y()) / dpr), image);
    p.restore();
}

// Draws one line of text at `origin` (top-left of its line box), shrinking it down to `minScale` of its
// size to fit `maxWidth` and cutting it only below that. Returns the drawn width.
double drawLine(QPainter& p, const QFont& font, const QString& text, QPointF origin, double maxWidth,
                double minScale, const QColor& color, Qt::Alignment align = Qt::AlignLeft) {
    const QFontMetricsF fm(font);
    const double natural = fm.horizontalAdvance(text);
    double factor = 1.0;
    QString shown = text;
    if (natural > maxWidth && natural > 0) {
        factor = std::max(minScale, maxWidth / natural);
        if (natural * factor > maxWidth + 0.01)
            shown = fm.elidedText(text, Qt::ElideRight, maxWidth / factor);
    }
    const double width = fm.horizontalAdvance(shown) * factor;
    double x = origin.x();
    if (align & Qt::AlignRight) x = origin.x() + maxWidth - width;
    // Shrunk text keeps its baseline where the full-size text would have it.
    const double baseline = origin.y() + fm.ascent();
    p.save();
    p.translate(x, baseline);
    p.scale(factor, factor);
    drawRun(p, font, shown, QPointF(0, 0), color);
    p.restore();
    return width;
}

// Draws `text`, cross-fading from `before` while the clock animation runs.
template <class Draw>
void crossFade(QPainter& p, const QString& before, const QString& text, double t, Draw draw) {
    if (before == text || t >= 1.0) {
        draw(text);
        return;
    }
    const double o = p.opacity();
    p.setOpacity(o * (1.0 - t));
    draw(before);
    p.setOpacity(o * t);
    draw(text);
    p.setOpacity(o);
}

// Three box blurs approximate a Gaussian of the given sigma, on the alpha channel only.
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

struct Shadow {
    QImage image;
    QPointF offset; // from the shape's top-left, in device pixels
};

// A soft shadow of a rounded rectangle in device pixels: black, blurred with the given radius.
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

// The glow behind a line of text, drawn at device resolution.
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

// The "arrow.clockwise" symbol: an open circle with its head at the top, pointing clockwise.
void drawRefreshSymbol(QPainter& p, QPointF c) {
    const double r = 5.6;
    QPainterPath arc;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    arc.arcMoveTo(box, 90);
    arc.arcTo(box, 90, 295);
    p.setPen(QPen(Qt::white, 2.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    QPainterPath head;
    const QPointF top(c.x(), c.y() - r);
    head.moveTo(top + QPointF(3.6, 0));
    head.lineTo(top + QPointF(-1.0, -3.4));
    head.lineTo(top + QPointF(-1.0, 3.4));
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(head);
}

QImage paintBackground(QSizeF contentSize, double dpr, const CanvasLayout& L) {
    using namespace DashboardColors;
    QImage img(QSize(int(std::ceil(contentSize.width() * dpr)), int(std::ceil(contentSize.height() * dpr))),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    QPainter p(&img);
    p.fillRect(QRectF(QPointF(0, 0), contentSize), windowBackground());
    const double s = dashboardScale(contentSize);
    const double deviceScale = s * dpr;
    p.scale(s, s);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);

    const QRectF canvas(QPointF(0, 0), kDesignCanvasSize);
    QLinearGradient bg(canvas.topLeft(), canvas.bottomRight());
    bg.setColorAt(0, Qt::white);
    bg.setColorAt(1, blush());
    p.fillRect(canvas, bg);

    auto drawShadow = [&](QRectF shape, double radius, double blur, QPointF offset) {
        const Shadow sh = makeShadow(shape.size() * deviceScale, radius * deviceScale, blur * deviceScale);
        p.save();
        p.setOpacity(0.08);
        const QPointF topLeft = shape.topLeft() + offset + sh.offset / deviceScale;
        p.drawImage(QRectF(topLeft, QSizeF(sh.image.size()) / deviceScale), sh.image);
        p.restore();
    };
    drawShadow(L.hero, kHeroRadius, 18, QPointF(0, 8));
    drawShadow(L.schedule, kScheduleRadius, 14, QPointF(0, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(L.hero, kHeroRadius, kHeroRadius);
    p.drawRoundedRect(L.schedule, kScheduleRadius, kScheduleRadius);
    return img;
}

} // namespace

double dashboardScale(QSizeF contentSize) {
    return std::max(kMinimumWindowScale, std::min(contentSize.height() / kDesignCanvasSize.height(),
                                                  contentSize.width() / kDesignCanvasSize.width()));
}

namespace DashboardColors {
QColor crimson() {
    return rgb(0.82, 0.12, 0.24);
}
QColor nightBlue() {
    return rgb(0.05, 0.18, 0.45);
}
QColor amber() {
    return rgb(1.0, 0.58, 0.0);
}
QColor blush() {
    return rgb(1.0, 0.97, 0.98);
}
QColor rowTint() {
    return rgb(1.0, 0.97, 0.97);
}
QColor dateGrey() {
    return rgb(0.35, 0.35, 0.35);
}
QColor cityGrey() {
    return rgb(0.46, 0.46, 0.46);
}
QColor primaryText() {
    return rgb(0, 0, 0, 0.85);
}
QColor secondaryText() {
    return rgb(0, 0, 0, 0.5);
}
QColor windowBackground() {
    return rgb(1.0, 0.985, 0.988);
}
QColor accent(DashboardAccent a) {
    return a == DashboardAccent::nightBlue ? nightBlue() : crimson();
}
} // namespace DashboardColors

struct DashboardPainter::Cache {
    QImage background;
    QSizeF backgroundSize;
    double dpr = 0;
    QString glowText;
    double glowScale = 0;
    QImage glowImage;
    QPointF glowOffset;
};

DashboardPainter::DashboardPainter() : m_cache(new Cache) {}
DashboardPainter::~DashboardPainter() {
    delete m_cache;
}

QRectF DashboardPainter::refreshButtonRect(QSizeF contentSize) {
    const double s = dashboardScale(contentSize);
    const QRectF b = canvasLayout().button;
    return QRectF(b.x() * s, b.y() * s, b.width() * s, b.height() * s);
}

void DashboardPainter::paint(QPainter& p, QSizeF contentSize, const DashboardFrame& f) {
    using namespace DashboardColors;
    const DashboardModel& m = f.model;
    const DashboardModel& prev = f.previous;
    const double phaseT = easeInOut(f.phaseProgress);
    const double clockT = easeInOut(f.clockProgress);
    const Fonts& ft = fonts();
    const CanvasLayout L = canvasLayout();

    p.save();
    // Everything that does not change with the model (window colour, gradient, shadows, cards) is drawn
    // once per size into one image; a frame then starts with a single copy of it.
    const double s = dashboardScale(contentSize);
    const double dpr = p.device()->devicePixelRatioF();
    const double deviceScale = s * dpr;
    if (m_cache->background.isNull() || m_cache->backgroundSize != contentSize || m_cache->dpr != dpr) {
        m_cache->backgroundSize = contentSize;
        m_cache->dpr = dpr;
        m_cache->background = paintBackground(contentSize, dpr, L);
        m_cache->glowText.clear();
    }
    p.drawImage(QPointF(0, 0), m_cache->background);
    p.setClipRect(QRectF(QPointF(0, 0), contentSize)); // QRectF clip without antialiasing
    p.scale(s, s);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);

    // Hero card.
    const QRectF in = L.heroInner;
    const QColor accentColor = mix(accent(prev.accent), accent(m.accent), phaseT);
    const QFontMetricsF brandFm(ft.brand), cityFm(ft.city);
    const double baseline = L.baseline;
    {
        // The brand: "vesk" in crimson directly followed by "ADZAN", one line that may shrink to 70 %.
        const QString vesk = QStringLiteral("vesk"), adzan = QStringLiteral("ADZAN");
        const double natural = brandFm.horizontalAdvance(vesk + adzan);
        const double room = in.width() - kButtonSize - 8;
        const double factor = natural > room ? std::max(0.7, room / natural) : 1.0;
        p.save();
        p.translate(in.left(), baseline);
        p.scale(factor, factor);
        drawRun(p, ft.brand, vesk, QPointF(0, 0), crimson());
        drawRun(p, ft.brand, adzan, QPointF(brandFm.horizontalAdvance(vesk), 0), primaryText());
        p.restore();

        const double cityRoom = in.width() - std::min(natural, room) - 8;
        crossFade(p, prev.city, m.city, clockT, [&](const QString& t) {
            drawLine(p, ft.city, t, QPointF(in.right() - cityRoom, L.cityTop), cityRoom, 0.45, cityGrey(),
                     Qt::AlignRight);
        });
    }
    {
        // The round refresh button.
        const QRectF b = L.button;
        p.setPen(Qt::NoPen);
        p.setBrush(f.refreshPressed ? crimson().darker(125) : crimson());
        p.drawEllipse(b);
        drawRefreshSymbol(p, b.center());
        if (f.refreshFocused) {
            QColor ring = crimson();
            ring.setAlphaF(0.45f);
            p.setPen(QPen(ring, 2.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(b.adjusted(-3, -3, 3, 3));
        }
    }
    const double headerBottom = std::max(baseline + brandFm.descent(), L.button.bottom());

    // Title.
    const QFontMetricsF titleFm(ft.title);
    const double titleTop = headerBottom + kHeroSpacing - 2;
    crossFade(p, prev.title, m.title, clockT, [&](const QString& t) {
        drawLine(p, ft.title, t, QPointF(in.left(), titleTop), in.width(), 0.45, crimson());
    });

    // Date line.
    const QFontMetricsF dateFm(ft.date);
    const double dateTop = titleTop + titleFm.height() + kHeroSpacing - 4;
    crossFade(p, prev.dateLine, m.dateLine, clockT, [&](const QString& t) {
        drawLine(p, ft.date, t, QPointF(in.left(), dateTop), in.width(), 0.55, dateGrey());
    });

    // The big time: hours, a blinking colon and minutes, each at its natural width, spacing -14.
    const QFontMetricsF digitFm(ft.digits);
    const double digitsTop = dateTop + dateFm.height() + kHeroSpacing - 8;
    {
        const QColor digitColor =
            mix(prev.timeUrgent ? amber() : primaryText(), m.timeUrgent ? amber() : primaryText(), phaseT);
        const double colonOpacity = lerp(prev.colonVisible ? 1.0 : 0.0, m.colonVisible ? 1.0 : 0.0, clockT);
        const QString colon = QStringLiteral(":");
        const double hw = digitFm.horizontalAdvance(m.hours), cw = digitFm.horizontalAdvance(colon),
                     mw = digitFm.horizontalAdvance(m.minutes);
        const double colonFrame = cw - 8; // horizontal padding -4 on each side
        const double total = hw - 14 + colonFrame - 14 + mw;
        const double factor = total > in.width() ? std::max(0.95, in.width() / total) : 1.0;
        p.save();
        p.translate(in.left(), digitsTop + digitFm.ascent());
        p.scale(factor, factor);
        crossFade(p, prev.hours, m.hours, clockT,
                  [&](const QString& t) { drawRun(p, ft.digits, t, QPointF(0, 0), digitColor); });
        const double colonX = hw - 14 - 4;
        p.save();
        p.setOpacity(p.opacity() * colonOpacity);
        drawRun(p, ft.digits, colon, QPointF(colonX, 0), digitColor);
        p.restore();
        const double minutesX = hw - 14 + colonFrame - 14;
        crossFade(p, prev.minutes, m.minutes, clockT,
                  [&](const QString& t) { drawRun(p, ft.digits, t, QPointF(minutesX, 0), digitColor); });
        p.restore();
    }

    // Countdown line: scaled about its centre, glowing while the prayer is entering.
    const QFontMetricsF cdFm(ft.countdown);
    const double cdTop = digitsTop + digitFm.height() + kHeroSpacing - 4;
    {
        const double scale = lerp(prev.countdownScale, m.countdownScale, phaseT);
        const double opacity = lerp(prev.countdownOpacity, m.countdownOpacity, clockT);
        const double glow = lerp(prev.countdownGlow ? 1.0 : 0.0, m.countdownGlow ? 1.0 : 0.0, phaseT);
        const double width = std::min(in.width(), cdFm.horizontalAdvance(m.countdownLine));
        const QPointF centre(in.left() + width / 2, cdTop + cdFm.height() / 2);
        p.save();
        p.setOpacity(opacity);
        p.translate(centre);
        p.scale(scale, scale);
        p.translate(-centre);
        if (glow > 0.001 && !m.countdownLine.isEmpty()) {
            if (m_cache->glowText != m.countdownLine || !qFuzzyCompare(m_cache->glowScale, deviceScale)) {
                const Shadow g = makeGlow(ft.countdown, m.countdownLine, deviceScale, 10 * deviceScale);
                m_cache->glowImage = tinted(g.image, crimson());
                m_cache->glowOffset = g.offset;
                m_cache->glowText = m.countdownLine;
                m_cache->glowScale = deviceScale;
            }
            p.save();
            p.setOpacity(p.opacity() * 0.35 * glow);
            const QPointF topLeft = QPointF(in.left(), cdTop) + m_cache->glowOffset / deviceScale;
            p.drawImage(QRectF(topLeft, QSizeF(m_cache->glowImage.size()) / deviceScale), m_cache->glowImage);
            p.restore();
        }
        crossFade(p, prev.countdownLine, m.countdownLine, clockT, [&](const QString& t) {
            drawLine(p, ft.countdown, t, QPointF(in.left(), cdTop), in.width(), 0.6, accentColor);
        });
        p.restore();
    }

    // Indeterminate progress bar while loading.
    if (m.loading) {
        const QRectF track(in.left(), cdTop + cdFm.height() + kHeroSpacing, in.width(), 4);
        QColor trackColor = crimson();
        trackColor.setAlphaF(0.15f);
        p.setPen(Qt::NoPen);
        p.setBrush(trackColor);
        p.drawRoundedRect(track, 2, 2);
        const double segment = track.width() * 0.3;
        const double x = track.left() - segment + (track.width() + segment) * f.loadingPosition;
        p.save();
        p.setClipRect(track);
        p.setBrush(crimson());
        p.drawRoundedRect(QRectF(x, track.top(), segment, track.height()), 2, 2);
        p.restore();
    }

    // Schedule card.
    const QRectF sin =
        L.schedule.adjusted(kSchedulePadding, kSchedulePadding, -kSchedulePadding, -kSchedulePadding);
    const QFontMetricsF stFm(ft.scheduleTitle);
    drawLine(p, ft.scheduleTitle, m.scheduleTitle, sin.topLeft(), sin.width(), 1.0, primaryText());
    double y = sin.top() + stFm.height() + 10;
    if (m.rows.isEmpty()) {
        drawLine(p, ft.empty, m.emptyText, QPointF(sin.left(), y), sin.width(), 0.7, secondaryText());
    } else {
        const QFontMetricsF labelFm(ft.rowLabel), timeFm(ft.rowTime);
        const double textH = std::max(labelFm.height(), timeFm.height());
        const double rowH = textH + 22;
        for (const DashboardRow& row : m.rows) {
            const QRectF r(sin.left(), y, sin.width(), rowH);
            if (r.bottom() > L.schedule.bottom()) break; // more rows than the card holds are cut
            p.setPen(Qt::NoPen);
            p.setBrush(row.highlight ? crimson() : rowTint());
            p.drawRoundedRect(r, 16, 16);
            const QColor textColor = row.highlight ? QColor(Qt::white) : primaryText();
            const QFont& lf = row.highlight ? ft.rowLabelBold : ft.rowLabel;
            const QFont& tf = row.highlight ? ft.rowTimeBold : ft.rowTime;
            const double timeW = QFontMetricsF(tf).horizontalAdvance(row.time);
            const double textTop = y + 11;
            const double labelBase = textTop + (textH - labelFm.height()) / 2;
            const double timeBase = textTop + (textH - timeFm.height()) / 2;
            drawLine(p, tf, row.time, QPointF(r.right() - 14 - timeW, timeBase), timeW, 1.0, textColor);
            drawLine(p, lf, row.label, QPointF(r.left() + 14, labelBase), r.width() - 28 - timeW - 8, 0.6,
                     textColor);
            y += rowH + 8;
        }
    }
    p.restore();
}

QImage renderDashboardFrame(DashboardPainter& painter, const DashboardFrame& frame, QSize size,
                            double devicePixelRatio) {
    QImage image(QSize(int(std::ceil(size.width() * devicePixelRatio)),
                       int(std::ceil(size.height() * devicePixelRatio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    painter.paint(p, QSizeF(size), frame);
    p.end();
    return image;
}

QImage renderDashboard(const DashboardModel& model, QSize size, double devicePixelRatio) {
    DashboardPainter painter;
    DashboardFrame frame;
    frame.model = model;
    frame.previous = model;
    return renderDashboardFrame(painter, frame, size, devicePixelRatio);
}

} // namespace lumora
