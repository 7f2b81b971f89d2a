#pragma once

#include "model/instant.h"

#include <QString>

#include <iomanip>
#include <optional>
#include <ostream>

// Readable gtest failure messages for the types tests compare most.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace lumora {
inline void PrintTo(const Instant& t, std::ostream* os) {
    *os << "Instant(" << std::setprecision(15) << t.seconds << ", unix " << t.unixSeconds() << ")";
}
} // namespace lumora
