#pragma once

#include <cstdint>

namespace kerfolio {

// The PC's offset of local time from UTC at an instant, in seconds east: the one place the program
// asks the operating system for it. 0 where the instant cannot be converted.
std::int32_t UtcOffsetS(std::int64_t utcSeconds);

}  // namespace kerfolio
