#include "storage/utc_offset.h"

#include <ctime>

namespace kerfolio {

std::int32_t UtcOffsetS(std::int64_t utcSeconds) {
    const auto instant = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
#ifdef _WIN32
    if (::localtime_s(&local, &instant) != 0) return 0;
    // The local fields read back as if they were UTC, less the instant itself.
    return static_cast<std::int32_t>(::_mkgmtime(&local) - instant);
#else
    if (::localtime_r(&instant, &local) == nullptr) return 0;
    return static_cast<std::int32_t>(local.tm_gmtoff);
#endif
}

}  // namespace kerfolio
