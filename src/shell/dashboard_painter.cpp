#include "dashboard_painter.h"

#include "dashboard_effects.h"

#include <QEasingCurve>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

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

// Text drawn straight onto `p` (no cache). The rounded face has no Black weight, so its Bold is thickened
// with a thin outline of the same colour to come close to the heavy titles the face lacks.
void drawRunDirect(QPainter& p, const QFont& font, const QString& text, QPointF pos, const QColor& color) {
    if (isRoundedFont(font)) {
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

QImage paintBackground(QSizeF contentSize, double dpr, const DashboardLayout& L) {
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
    drawShadow(L.hero, L.kHeroRadius, 18, QPointF(0, 8));
    drawShadow(L.schedule, L.kScheduleRadius, 14, QPointF(0, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(L.hero, L.kHeroRadius, L.kHeroRadius);
    p.drawRoundedRect(L.schedule, L.kScheduleRadius, L.kScheduleRadius);
    return img;
}

// The glow behind the entering countdown, kept while its text and scale stay.
struct GlowCache {
    QString text;
    double scale = 0;
    QImage image;
    QPointF offset;
};

// What every part of one frame is drawn with.
struct FrameContext {
    QPainter& p;
    const DashboardFrame& f;
    const DashboardFonts& ft;
    const DashboardLayout& L;
    double phaseT;      // the phase animation, eased
    double clockT;      // the clock animation, eased
    double deviceScale; // canvas points to device pixels
};

// The brand ("vesk" in crimson directly followed by "ADZAN", one line that may shrink to 70 %) and the city
// beside it.
void paintBrandAndCity(const FrameContext& c) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const QRectF in = c.L.heroInner;
    const QFontMetricsF brandFm(c.ft.brand);
    const QString vesk = QStringLiteral("vesk"), adzan = QStringLiteral("ADZAN");
    const double natural = brandFm.horizontalAdvance(vesk + adzan);
    const double room = in.width() - DashboardLayout::kButtonSize - 8;
    const double factor = natural > room ? std::max(0.7, room / natural) : 1.0;
    p.save();
    p.translate(in.left(), c.L.baseline);
    p.scale(factor, factor);
    drawRun(p, c.ft.brand, vesk, QPointF(0, 0), crimson());
    drawRun(p, c.ft.brand, adzan, QPointF(brandFm.horizontalAdvance(vesk), 0), primaryText());
    p.restore();

    const double cityRoom = in.width() - std::min(natural, room) - 8;
    crossFade(p, c.f.previous.city, c.f.model.city, c.clockT, [&](const QString& t) {
        drawLine(p, c.ft.city, t, QPointF(in.right() - cityRoom, c.L.cityTop), cityRoom, 0.45, cityGrey(),
                 Qt::AlignRight);
    });
}

// The round refresh button, darker while pressed and ringed while focused.
void paintRefreshButton(const FrameContext& c) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const QRectF b = c.L.button;
    p.setPen(Qt::NoPen);
    p.setBrush(c.f.refreshPressed ? crimson().darker(125) : crimson());
    p.drawEllipse(b);
    drawRefreshSymbol(p, b.center());
    if (c.f.refreshFocused) {
        QColor ring = crimson();
        ring.setAlphaF(0.45f);
        p.setPen(QPen(ring, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(b.adjusted(-3, -3, 3, 3));
    }
}

// The big time: hours, a blinking colon and minutes, each at its natural width, spacing -14.
void paintClock(const FrameContext& c) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const DashboardModel& m = c.f.model;
    const DashboardModel& prev = c.f.previous;
    const QRectF in = c.L.heroInner;
    const QFontMetricsF digitFm(c.ft.digits);
    const QColor digitColor =
        mix(prev.timeUrgent ? amber() : primaryText(), m.timeUrgent ? amber() : primaryText(), c.phaseT);
    const double colonOpacity = lerp(prev.colonVisible ? 1.0 : 0.0, m.colonVisible ? 1.0 : 0.0, c.clockT);
    const QString colon = QStringLiteral(":");
    const double hw = digitFm.horizontalAdvance(m.hours), cw = digitFm.horizontalAdvance(colon),
                 mw = digitFm.horizontalAdvance(m.minutes);
    const double colonFrame = cw - 8; // horizontal padding -4 on each side
    const double total = hw - 14 + colonFrame - 14 + mw;
    const double factor = total > in.width() ? std::max(0.95, in.width() / total) : 1.0;
    p.save();
    p.translate(in.left(), c.L.digitsTop + digitFm.ascent());
    p.scale(factor, factor);
    crossFade(p, prev.hours, m.hours, c.clockT,
              [&](const QString& t) { drawRun(p, c.ft.digits, t, QPointF(0, 0), digitColor); });
    const double colonX = hw - 14 - 4;
    p.save();
    p.setOpacity(p.opacity() * colonOpacity);
    drawRun(p, c.ft.digits, colon, QPointF(colonX, 0), digitColor);
    p.restore();
    const double minutesX = hw - 14 + colonFrame - 14;
    crossFade(p, prev.minutes, m.minutes, c.clockT,
              [&](const QString& t) { drawRun(p, c.ft.digits, t, QPointF(minutesX, 0), digitColor); });
    p.restore();
}

// The countdown line: scaled about its centre, glowing while the prayer is entering.
void paintCountdown(const FrameContext& c, GlowCache& glowCache) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const DashboardModel& m = c.f.model;
    const DashboardModel& prev = c.f.previous;
    const QRectF in = c.L.heroInner;
    const double top = c.L.countdownTop;
    const QFontMetricsF cdFm(c.ft.countdown);
    const QColor accentColor = mix(accent(prev.accent), accent(m.accent), c.phaseT);
    const double scale = lerp(prev.countdownScale, m.countdownScale, c.phaseT);
    const double opacity = lerp(prev.countdownOpacity, m.countdownOpacity, c.clockT);
    const double glow = lerp(prev.countdownGlow ? 1.0 : 0.0, m.countdownGlow ? 1.0 : 0.0, c.phaseT);
    const double width = std::min(in.width(), cdFm.horizontalAdvance(m.countdownLine));
    const QPointF centre(in.left() + width / 2, top + cdFm.height() / 2);
    p.save();
    p.setOpacity(opacity);
    p.translate(centre);
    p.scale(scale, scale);
    p.translate(-centre);
    if (glow > 0.001 && !m.countdownLine.isEmpty()) {
        const double ds = c.deviceScale;
        if (glowCache.text != m.countdownLine || !qFuzzyCompare(glowCache.scale, ds)) {
            const Shadow g = makeGlow(c.ft.countdown, m.countdownLine, ds, 10 * ds);
            glowCache.image = tinted(g.image, crimson());
            glowCache.offset = g.offset;
            glowCache.text = m.countdownLine;
            glowCache.scale = ds;
        }
        p.save();
        p.setOpacity(p.opacity() * 0.35 * glow);
        const QPointF topLeft = QPointF(in.left(), top) + glowCache.offset / ds;
        p.drawImage(QRectF(topLeft, QSizeF(glowCache.image.size()) / ds), glowCache.image);
        p.restore();
    }
    crossFade(p, prev.countdownLine, m.countdownLine, c.clockT, [&](const QString& t) {
        drawLine(p, c.ft.countdown, t, QPointF(in.left(), top), in.width(), 0.6, accentColor);
    });
    p.restore();
}

// The indeterminate progress bar while loading.
void paintLoadingBar(const FrameContext& c) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const QRectF in = c.L.heroInner;
    const QRectF track(in.left(), c.L.progressTop, in.width(), 4);
    QColor trackColor = crimson();
    trackColor.setAlphaF(0.15f);
    p.setPen(Qt::NoPen);
    p.setBrush(trackColor);
    p.drawRoundedRect(track, 2, 2);
    const double segment = track.width() * 0.3;
    const double x = track.left() - segment + (track.width() + segment) * c.f.loadingPosition;
    p.save();
    p.setClipRect(track);
    p.setBrush(crimson());
    p.drawRoundedRect(QRectF(x, track.top(), segment, track.height()), 2, 2);
    p.restore();
}

void paintHeroCard(const FrameContext& c, GlowCache& glowCache) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const DashboardModel& m = c.f.model;
    const DashboardModel& prev = c.f.previous;
    const QRectF in = c.L.heroInner;
    paintBrandAndCity(c);
    paintRefreshButton(c);
    crossFade(p, prev.title, m.title, c.clockT, [&](const QString& t) {
        drawLine(p, c.ft.title, t, QPointF(in.left(), c.L.titleTop), in.width(), 0.45, crimson());
    });
    crossFade(p, prev.dateLine, m.dateLine, c.clockT, [&](const QString& t) {
        drawLine(p, c.ft.date, t, QPointF(in.left(), c.L.dateTop), in.width(), 0.55, dateGrey());
    });
    paintClock(c);
    paintCountdown(c, glowCache);
    if (m.loading) paintLoadingBar(c);
    // At the card's foot, clear of the loading bar: a note, not a headline.
    if (!m.statusLine.isEmpty()) {
        const double top = in.bottom() - QFontMetricsF(c.ft.status).height();
        drawLine(p, c.ft.status, m.statusLine, QPointF(in.left(), top), in.width(), 0.8, dateGrey());
    }
}

// The schedule card: its title, then one band a prayer (more than the card holds are cut), or the empty
// text.
void paintScheduleCard(const FrameContext& c) {
    using namespace DashboardColors;
    QPainter& p = c.p;
    const DashboardModel& m = c.f.model;
    const DashboardFonts& ft = c.ft;
    const double pad = DashboardLayout::kSchedulePadding;
    const QRectF sin = c.L.schedule.adjusted(pad, pad, -pad, -pad);
    const QFontMetricsF stFm(ft.scheduleTitle);
    drawLine(p, ft.scheduleTitle, m.scheduleTitle, sin.topLeft(), sin.width(), 1.0, primaryText());
    double y = sin.top() + stFm.height() + 10;
    if (m.rows.isEmpty()) {
        drawLine(p, ft.empty, m.emptyText, QPointF(sin.left(), y), sin.width(), 0.7, secondaryText());
        return;
    }
    const QFontMetricsF labelFm(ft.rowLabel), timeFm(ft.rowTime);
    const double textH = std::max(labelFm.height(), timeFm.height());
    const double rowH = textH + 22;
    for (const DashboardRow& row : m.rows) {
        const QRectF r(sin.left(), y, sin.width(), rowH);
        if (r.bottom() > c.L.schedule.bottom()) break;
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

} // namespace

struct DashboardPainter::Cache {
    QImage background;
    QSizeF backgroundSize;
    double dpr = 0;
    GlowCache glow;
};

DashboardPainter::DashboardPainter() : m_cache(std::make_unique<Cache>()) {}
DashboardPainter::~DashboardPainter() = default;

QRectF DashboardPainter::refreshButtonRect(QSizeF contentSize) {
    const double s = dashboardScale(contentSize);
    const QRectF b = dashboardLayout().button;
    return QRectF(b.x() * s, b.y() * s, b.width() * s, b.height() * s);
}

void DashboardPainter::paint(QPainter& p, QSizeF contentSize, const DashboardFrame& f) {
    const DashboardLayout L = dashboardLayout();
    p.save();
    // Everything that does not change with the model (window colour, gradient, shadows, cards) is drawn
    // once per size into one image; a frame then starts with a single copy of it.
    const double s = dashboardScale(contentSize);
    const double dpr = p.device()->devicePixelRatioF();
    if (m_cache->background.isNull() || m_cache->backgroundSize != contentSize || m_cache->dpr != dpr) {
        m_cache->backgroundSize = contentSize;
        m_cache->dpr = dpr;
        m_cache->background = paintBackground(contentSize, dpr, L);
        m_cache->glow.text.clear();
    }
    p.drawImage(QPointF(0, 0), m_cache->background);
    p.setClipRect(QRectF(QPointF(0, 0), contentSize)); // QRectF clip without antialiasing
    p.scale(s, s);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);

    const FrameContext c{
        p, f, dashboardFonts(), L, easeInOut(f.phaseProgress), easeInOut(f.clockProgress), s * dpr};
    paintHeroCard(c, m_cache->glow);
    paintScheduleCard(c);
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
