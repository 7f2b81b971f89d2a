#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace lumora {

/// An enum's values with the names they are written under in JSON output and files: one table per enum
/// serves both directions, so each name is spelt once.
template <typename E, std::size_t N> using RawValueTable = std::array<std::pair<E, std::u16string_view>, N>;

/// The name `value` has in `table`; empty for a value the table lacks.
template <typename E, std::size_t N> QString rawValueIn(const RawValueTable<E, N>& table, E value) {
    for (const auto& [e, name] : table)
        if (e == value) return QStringView(name.data(), qsizetype(name.size())).toString();
    return {};
}

/// The value written exactly as `raw` (case-sensitive, untrimmed); none for any other text.
template <typename E, std::size_t N>
std::optional<E> fromRawValueIn(const RawValueTable<E, N>& table, QStringView raw) {
    for (const auto& [e, name] : table)
        if (raw == QStringView(name.data(), qsizetype(name.size()))) return e;
    return std::nullopt;
}

} // namespace lumora
