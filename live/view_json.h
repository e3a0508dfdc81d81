#pragma once

#include <string>

#include "live/board_view.h"
#include "live/office_view.h"

namespace kerfolio::live {

// The view as /board.json serves it. Field names are kept from release to release: readers in the office
// (a spreadsheet, a wall display) depend on them. docs/json.md shows an example.
std::string RenderJson(const View& view);

// The office board: {"generated_at", "server_ok", "server_problem", "data_at", "pcs": [{"pc_id",
// "last_arrived_at", "seconds_since_last", "silent", "machines": [...], "today": {...}}]}, each machine
// and "today" as in RenderJson.
std::string RenderOfficeJson(const OfficeView& view);

// text as a JSON string literal, quotes included. "<", ">" and "&" are escaped too, so the text is safe
// wherever a page might embed it.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace kerfolio::live
