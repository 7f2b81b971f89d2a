#pragma once

namespace lumora {

/// The widget's kind: the name the app sends with a reload and the only one the widget host answers to.
inline constexpr auto kWidgetKind = "lumoraWidget";

} // namespace lumora
