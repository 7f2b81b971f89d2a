#include "instant.h"

#include <chrono>

namespace lumora {

Instant SystemClock::now() const {
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return Instant::fromUnixSeconds(static_cast<double>(us) / 1e6);
}

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

} // namespace lumora
