#pragma once

#include <string>

#include "live/board_view.h"

namespace kerfolio::live {

// The view as the page at "/": no scripts, a meta refresh, one card per machine that stacks on a
// phone, a plain black-on-white print style. Every text from the board is escaped.
std::string RenderHtml(const View& view);

}  // namespace kerfolio::live
