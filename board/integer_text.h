#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kerfolio {

// Whether the whole text reads as a 32-bit signed integer: leading spaces, one optional sign, then
// decimal digits or a hexadecimal prefix ("$", "x", "X", "0x", "0X") with at most eight significant
// hexadecimal digits. Nothing may follow the digits.
bool IsIntegerText(std::string_view text);

// The value of such a text; throws ConversionError "'text' is not a valid integer value".
std::int32_t ParseIntegerText(std::string_view text);

// The value, or nothing where ParseIntegerText would throw.
std::optional<std::int32_t> TryParseIntegerText(std::string_view text);

}  // namespace kerfolio
