#pragma once

#include <string>

#include "reports/report.h"

namespace kerfolio {

// The report as aligned text for a terminal: the period table, the learned efficiency and the list of
// what did not read. Chinese characters count as two columns; numbers are right-aligned.
std::string RenderTable(const Report& report);

}  // namespace kerfolio
