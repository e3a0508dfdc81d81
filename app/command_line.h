#pragma once

#include <QStringList>
#include <ostream>

namespace kerfolio {

// What kerfolio's command line asks for.
struct StartRequest {
    enum class Action { Window, Report, Exit };
    Action action = Action::Window;
    int exitStatus = 0;  // for Exit: 0 after --help or --version, 2 for options that do not read
};

// Reads the arguments (the program's name first). --help and --version are printed to out, a refusal
// to err. Needs no QApplication and touches no file, so it runs before the display, the data folder or
// the single-instance lock are asked for: `kerfolio --version` answers with a copy running and without
// a display.
StartRequest ReadCommandLine(const QStringList& arguments, std::ostream& out, std::ostream& err);
// The same for main's arguments, decoded as the terminal's locale wrote them.
StartRequest ReadCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace kerfolio
