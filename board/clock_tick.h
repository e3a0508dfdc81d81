#pragma once

#include <cstdint>

#include "board/time_text.h"

namespace kerfolio {

// A tick lands this long after the second it aims at, so timer jitter never puts it just before.
constexpr int kTickMarginMs = 5;

// The whole second of now as the clock shows it (the same rounding as FormatTimeText), counted from the
// epoch, so two ticks can tell whether they fall in the same second.
std::int64_t SecondOf(TDateTime now);

// How long the clock timer waits after a tick at now: just past the next whole second. A fixed 1000 ms
// period drifts against the wall clock and sooner or later jumps a second, the archive's among them.
int MillisecondsToNextTick(TDateTime now);

}  // namespace kerfolio
