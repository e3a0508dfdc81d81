#pragma once

#include <cstdint>
#include <string>

#include "board/time_text.h"

namespace kerfolio::live {

// "2026-12-08T09:15:02+08:00": the local time value to the second, with the PC's offset from UTC.
std::string FormatIsoTime(TDateTime localTime, std::int32_t utcOffsetS);

// "H:MM:SS" of a span of any length, hours unbounded; a negative span shows as 0:00:00.
std::string FormatSpan(TDateTime days);

}  // namespace kerfolio::live
