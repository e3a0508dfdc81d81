#pragma once

#include <string>

#include "live/board_view.h"
#include "live/office_view.h"

namespace kerfolio::live {

// The view as the page at "/": no scripts, a meta refresh, one card per machine that stacks on a
// phone, a plain black-on-white print style. Every text from the board is escaped.
std::string RenderHtml(const View& view);

// Every PC's machines on one page, in the same cards; each PC says when its last event arrived.
std::string RenderOfficeHtml(const OfficeView& view);

}  // namespace kerfolio::live
