#include "model/instant.h"

#include "support/printers.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

constexpr Instant kStart{794530200}; // 2026-03-07 05:50 in Jakarta

} // namespace

// The clock behind `lumora --at`: it starts where it is told and then keeps the base clock's pace, jumps
// included, so the app's jump and wake-up handling sees what it would see on the real clock.
TEST(OffsetClock, StartsAtItsMomentAndRunsWithItsBase) {
    struct Step {
        const char* what;
        double baseMove;
        double expected; // seconds after kStart
    };
    const Step steps[] = {
        {"a second later", 1, 1},
        {"an hour on", 3600, 3601},
        {"the wall clock set back a day", -86400, 3601 - 86400},
    };
    for (const Instant base : {Instant{0}, Instant{900'000'000}, kStart + 5}) {
        ManualClock wall(base);
        const OffsetClock clock(kStart, wall);
        EXPECT_EQ(clock.now(), kStart);
        EXPECT_EQ(clock.offset(), kStart - base);
        for (const Step& s : steps) {
            SCOPED_TRACE(s.what);
            wall.advance(s.baseMove);
            EXPECT_EQ(clock.now(), kStart + s.expected);
        }
    }
}

TEST(OffsetClock, OverTheSystemClockItRunsForward) {
    const OffsetClock clock(kStart);
    const Instant first = clock.now();
    EXPECT_GE(first, kStart);
    // Only the order is checked: how fast a machine reads the clock is no business of a unit test.
    EXPECT_LT(first - kStart, 60);
    EXPECT_GE(clock.now(), first);
}
