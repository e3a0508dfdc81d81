#pragma once

#include "tests/journal/shop.h"

namespace kerfolio::journal::testing {

// The clicks of the day, the same for the runs and for the board that saw them all.
inline void FirstRun(Shop& shop) {
    shop.Click(1, ecMount, Local(2026, 12, 9, 7, 0, 8));
    shop.Click(1, ecStart, Local(2026, 12, 9, 7, 10, 8), "凹模", "900");
    shop.Click(1, ecJumpStart, Local(2026, 12, 9, 9, 0, 8));
}

inline void SecondRun(Shop& shop) {
    shop.Click(1, ecJumpEnd, Local(2026, 12, 9, 9, 20, 8));
    shop.Click(2, ecMount, Local(2026, 12, 9, 9, 30, 8));
    shop.Click(2, ecStart, Local(2026, 12, 9, 9, 40, 8), "凸模", "1200");
    shop.Finish(1, Local(2026, 12, 9, 10, 0, 8));
}

}  // namespace kerfolio::journal::testing
