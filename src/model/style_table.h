#pragma once

namespace lumora {

/// A colour as sRGB components in 0...1, so the model can name the colours every face shares without Qt Gui.
struct StyleColor {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 1;

    /// The same colour in a Gui colour type with `fromRgbF` (QColor).
    template <class Color> Color to() const { return Color::fromRgbF(red, green, blue, alpha); }
};

/// The colours and typefaces the dashboard, the widget and the tray icon share.
namespace StyleTable {

/// The brand colour: the mosque icon, "vesk", titles and the featured row.
inline constexpr StyleColor kCrimson{0.82f, 0.12f, 0.24f};
/// The accent of the cool-down phase.
inline constexpr StyleColor kNightBlue{0.05f, 0.18f, 0.45f};
/// Where the canvas gradient ends, from white at the top left.
inline constexpr StyleColor kBlush{1.0f, 0.97f, 0.98f};

/// The rounded face of the brand, titles and city names; it has no Black weight, so Bold is its heaviest.
inline constexpr char kRoundedFamily[] = "Comfortaa";
/// The monospaced face of the times and countdowns.
inline constexpr char kMonoFamily[] = "JetBrains Mono";

} // namespace StyleTable

} // namespace lumora
