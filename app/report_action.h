#pragma once

#include "reports/run_report.h"

namespace kerfolio {

class Messages;

// `kerfolio --report`, the menu entry's 报表: the report of the last 30 days written and opened in the
// browser as `kerfolio-report --recent` does. A menu action's error stream is read by nobody, so what
// went wrong (no save.ini yet, no browser, an archive folder that does not read) is shown in an error
// box, with where the report is when it was written. Returns the report's exit status.
int ShowRecentReport(const Environment& environment, Messages& messages);

// The same for this process, its box ended like the window by SIGTERM, SIGHUP, SIGINT or the end of
// the session (main holds those signals back from the start). Needs the QApplication.
int ShowRecentReportOfThisProcess();

}  // namespace kerfolio
