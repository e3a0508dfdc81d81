#pragma once

#include <functional>

class QObject;

namespace kerfolio {

// Holds those signals back until HandleTerminationSignals can handle them, so one that comes during
// start-up is not lost and does not kill the program before its close. First thing in main.
void HoldTerminationSignals();

// From now on SIGTERM, SIGHUP and SIGINT are handled from the event loop, also from the loop of a box
// that start-up shows before the window exists. Until CloseOnTermination says how to close, such a
// signal closes the box open at the time and every one start-up opens after it, and is remembered:
// TerminationRequested() then tells start-up to close the window instead of running. Right after the
// QApplication is made.
void HandleTerminationSignals();
bool TerminationRequested();

// Calls close from the event loop when the process gets one of those signals, or the desktop session
// ends, so the end of a shift goes through the same close as the close box. Boxes open from now on
// stay open until the close ends their loops. Once per process.
void CloseOnTermination(QObject* owner, std::function<void()> close);

}  // namespace kerfolio
