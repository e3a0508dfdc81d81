#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "reports/calendar.h"
#include "reports/csv_writer.h"
#include "reports/short_date.h"

namespace kerfolio {

struct CommandLine {
    bool help = false;
    bool version = false;
    bool recent = false;
    Grouping grouping = Grouping::Day;
    std::optional<Day> from;
    std::optional<Day> to;
    std::optional<int> archiveSecond;
    std::optional<DateOrder> dateOrder;
    std::optional<std::filesystem::path> settings;
    std::optional<std::filesystem::path> csv;
    CsvEncoding encoding = CsvEncoding::Utf8WithBom;
    std::optional<std::filesystem::path> html;
    std::optional<std::filesystem::path> sqlite;
    bool jobs = false;                     // list the jobs themselves
    std::optional<std::string> workpiece;  // only the jobs whose workpiece contains it (implies jobs)
    std::vector<std::filesystem::path> folders;
    std::vector<std::filesystem::path> journals;
    std::optional<std::string> postgres;  // the shared database's connection string
    // The office board instead of a report: its address (ADDR:PORT), served from --postgres, and the file
    // whose first line is its access key.
    std::optional<std::string> serve;
    std::optional<std::filesystem::path> keyFile;
};

extern const char kUsage[];
extern const char kUsageChinese[];

// The usage text in the language of the environment's locale (LC_ALL, LC_MESSAGES, LANG): Chinese for
// zh_*, else English.
const char* UsageForLocale();

// The options after the program's name ("--by week" and "--by=week" alike), or what is wrong with them.
// With --serve only --postgres and --key-file may be given; the address itself is read by the board.
std::variant<CommandLine, std::string> ParseCommandLine(const std::vector<std::string>& args);

}  // namespace kerfolio
