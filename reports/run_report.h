#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "reports/command_line.h"
#include "reports/short_date.h"

namespace kerfolio {

// Where the program looks for things outside its options; tests give their own.
struct Environment {
    std::filesystem::path exeFolder;
    std::filesystem::path userDataFolder;  // ${XDG_DATA_HOME:-~/.local/share}/Kerfolio
    std::filesystem::path cacheFolder;     // ${XDG_CACHE_HOME:-~/.cache}/Kerfolio
    Day today{};
    bool progress = false;  // a progress line on the error stream for long reads
    std::string opener = "xdg-open";
    // How this PC writes a short date, which Kerfolio names its archive files by; none when unknown.
    std::optional<ShortDateFormat> shortDate;
    // Messages in Chinese, for an operator's window; the command line talks English to an administrator.
    bool chinese = false;
};

// Environment of this process.
Environment ProcessEnvironment();

// Runs the report the command line asks for; returns the exit status: 0, 1 when an output could not be
// written or shown or an archive folder could not be read (the report still comes out), 2 for options
// or settings that do not read.
int RunReport(const CommandLine& line, const Environment& environment, std::ostream& out, std::ostream& err);

}  // namespace kerfolio
