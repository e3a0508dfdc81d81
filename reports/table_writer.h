#pragma once

#include <iosfwd>

#include "reports/report.h"

namespace kerfolio {

// The report as aligned text for a terminal: the period table, the learned efficiency and the list of
// what did not read. Chinese characters count as two columns; numbers are right-aligned. Written to out
// line by line as it goes.
void WriteTable(const Report& report, std::ostream& out);

}  // namespace kerfolio
