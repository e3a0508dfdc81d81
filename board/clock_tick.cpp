#include "board/clock_tick.h"

#include <cmath>

namespace kerfolio {
namespace {

std::int64_t MillisecondOf(TDateTime now) {
    return static_cast<std::int64_t>(std::nearbyint(now * kMsPerDay));
}

}  // namespace

std::int64_t SecondOf(TDateTime now) {
    const std::int64_t ms = MillisecondOf(now);
    return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

int MillisecondsToNextTick(TDateTime now) {
    const std::int64_t intoSecond = MillisecondOf(now) - SecondOf(now) * 1000;
    return static_cast<int>(1000 - intoSecond) + kTickMarginMs;
}

}  // namespace kerfolio
