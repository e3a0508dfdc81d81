#pragma once

#include "reports/run_report.h"

namespace kerfolio {

// The short-date format Kerfolio names its archive files by: this PC's locale, asked the way the
// program asks it. Built with QtCore, apart from the Qt-free report library.
ShortDateFormat SystemShortDate();

}  // namespace kerfolio
