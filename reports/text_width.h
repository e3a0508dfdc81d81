#pragma once

#include <cstddef>
#include <string_view>

namespace kerfolio {

// Columns a UTF-8 text takes on a terminal: East Asian wide and full-width characters take two, the
// rest one. A malformed byte counts as one column, as terminals show a replacement for it.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace kerfolio
