#pragma once

#include <functional>

class QObject;

namespace kerfolio {

// Holds those signals back until CloseOnTermination can handle them, so one that comes during
// start-up is not lost and does not kill the program before its close. First thing in main.
void HoldTerminationSignals();

// Calls close from the event loop when the process gets SIGTERM, SIGHUP or SIGINT, or the desktop
// session ends, so the end of a shift goes through the same close as the close box. Once per process.
void CloseOnTermination(QObject* owner, std::function<void()> close);

}  // namespace kerfolio
