#pragma once

#include <iosfwd>

#include "reports/report.h"

namespace kerfolio {

// The report as one self-contained page: per machine its charts and period table, then the learned
// efficiency and what did not read. Well-formed XHTML with inline SVG and no scripts, so any browser
// shows it offline and an XML parser reads it. Written to out table row by table row as it goes.
void WriteHtml(const Report& report, std::ostream& out);

}  // namespace kerfolio
