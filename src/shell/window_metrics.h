#pragma once

#include "places/storage.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace lumora {

/// The window's fixed numbers: it opens at the canvas size, keeps its ratio, and never gets smaller than
/// the canvas at its minimum scale.
namespace WindowMetrics {
inline constexpr QSizeF kDesignWindowSize{731, 500};
inline constexpr double kMinimumWindowScale = 0.3;
inline constexpr QSizeF kMinimumSize{731 * 0.3, 500 * 0.3};

/// The content size a resize from `current` to `proposed` ends at: the side that changed more leads (equal
/// changes: the width), the other follows the ratio of `aspect`; then the width minimum, then the height
/// minimum.
QSizeF constrainedContentSize(QSizeF current, QSizeF proposed, QSizeF aspect, QSizeF minimum = kMinimumSize);
} // namespace WindowMetrics

/// The window's frame and content size in the settings file, in the text forms {{x, y}, {w, h}} and {w, h}.
namespace WindowFrameStore {
inline const QString kFrameKey = QStringLiteral("lumora.main.window.frame.v2.frame");
inline const QString kContentKey = QStringLiteral("lumora.main.window.frame.v2.content");

/// The stored frame when both its sides are positive.
std::optional<QRectF> load(const Settings& settings);
/// The stored content size, else the stored frame's size (each side at least 1), else `fallback`.
QSizeF savedAspectRatio(const Settings& settings, QSizeF fallback);
void save(Settings& settings, QRectF frame, std::optional<QSizeF> contentSize);

QString rectText(QRectF r);
QString sizeText(QSizeF s);
/// Reads the four numbers of a rectangle text; anything else is the zero rectangle.
QRectF parseRect(const QString& text);
/// Reads the two numbers of a size text; anything else is the zero size.
QSizeF parseSize(const QString& text);
} // namespace WindowFrameStore

} // namespace lumora
