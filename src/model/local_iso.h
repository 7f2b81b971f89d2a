#pragma once

#include "instant.h"

#include <QString>

#include <optional>

namespace lumora {

/// A local ISO 8601 time ("2026-03-07T05:50:00" or without seconds) in the process's zone; the form both
/// command lines take for `--at`.
std::optional<Instant> parseLocalIso(const QString& text);

/// "yyyy-MM-ddTHH:mm:ss" in the process's zone: the inverse of parseLocalIso.
QString formatLocalIso(Instant t);

} // namespace lumora
