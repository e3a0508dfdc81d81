#pragma once

namespace kerfolio {

// Screen readers see the main window as a window (frame), not as an anonymous filler pane.
void ReportMainWindowAsWindow();

}  // namespace kerfolio
