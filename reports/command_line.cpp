#include "reports/command_line.h"

#include <cmath>

#include "board/conversion_error.h"
#include "board/time_text.h"

namespace kerfolio {

const char kUsage[] =
    "Usage: kerfolio-report [options] FOLDER...\n"
    "       kerfolio-report --recent\n"
    "\n"
    "Reads the daily archive files Kerfolio writes into FOLDER (several folders: several PCs' archives,\n"
    "each machine labelled with its folder's name) and reports per machine and period: jobs, amount\n"
    "(mm²), machining, jump, wire-break and net cutting time, achieved efficiency (mm² per net cutting\n"
    "minute) and the share of the period spent cutting; then, per machine, the median efficiency of its\n"
    "last 20 jobs against the efficiency stored in save.ini. Nothing is ever written to save.ini.\n"
    "\n"
    "  --by day|week|month   period of the table (default day; weeks run Monday to Sunday)\n"
    "  --from YYYY-MM-DD     first day reported (jobs are dated by the day they finished)\n"
    "  --to YYYY-MM-DD       last day reported\n"
    "  --archive-time H:MM:SS  time of day the archives were written (default: key time1 of section\n"
    "                        time in the --settings file, else 0:00:00); a job finished later in the day\n"
    "                        than this is on the day before its file's date\n"
    "  --settings FILE       Kerfolio's save.ini: archive time, machine names and efficiencies\n"
    "  --date-order dmy|mdy|ymd  the order of day, month and year in the file names, for a folder\n"
    "                        written by a PC with other regional settings than this one\n"
    "  --csv FILE            also write the tables as CSV (UTF-8 with byte-order mark)\n"
    "  --encoding gbk        write the CSV in GBK instead\n"
    "  --html FILE           also write a page with the tables and charts\n"
    "  --sqlite FILE         also add the jobs to an SQLite database (made when missing): tables jobs\n"
    "                        and problems, view machine_days; a job already there is not added again,\n"
    "                        and a run that fails leaves the database as it was\n"
    "  --journal FILE        a PC's journal (journal.sqlite in its data folder; repeatable): its jobs are\n"
    "                        read from it with their exact times, and the archive lines it holds are not\n"
    "                        read again\n"
    "  --recent              the last 30 days of the data folder's archive as a page in\n"
    "                        ${XDG_CACHE_HOME:-~/.cache}/Kerfolio/report.html, opened with xdg-open\n"
    "  --help                this text\n"
    "  --version             the program's version\n"
    "\n"
    "File names are read as dates in this PC's short-date format, the one Kerfolio names them by (its\n"
    "regional settings: 12-8-26 under en_US is 8 December 2026). Names in another form, from another\n"
    "PC, are guessed unless --date-order says: a four-digit first field is the year (2024-3-5); otherwise\n"
    "the year is last (5-3-2024, 05.03.2024), and day or month first follows the names of the same folder\n"
    "whose first or second field is over 12; without any, the day is taken to come first. An English\n"
    "month name (7 Dec 2026) names the month. A file written on the date its name gives with day and\n"
    "month swapped, or days before its date, is listed to be checked.\n"
    "A job is counted on the day it finished; its time on the days it ran, split at midnight. A line\n"
    "repeating an earlier one of its folder but for its number is one job, counted once.\n"
    "Lines or files that do not read are listed with their file and line; the rest is still reported.\n";

namespace {

std::optional<int> ReadArchiveTime(const std::string& text) {
    try {
        return static_cast<int>(std::lround(ParseTimeText(text) * 86'400.0));
    } catch (const ConversionError&) {
        return std::nullopt;
    }
}

}  // namespace

std::variant<CommandLine, std::string> ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.starts_with("--") && name.find('=') != std::string::npos) {
            inlineValue = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            // An option whose value was left out would otherwise take the next option ("--csv
            // --html page.html" writing a file named "--html"); "--csv=--x" still names such a file.
            if (i + 1 < args.size() && !args[i + 1].starts_with("--")) return args[++i];
            return std::nullopt;
        };
        const bool takesValue = name == "--by" || name == "--from" || name == "--to" ||
                                name == "--archive-time" || name == "--settings" || name == "--csv" ||
                                name == "--encoding" || name == "--html" || name == "--sqlite" ||
                                name == "--date-order" || name == "--journal";
        if (name == "--help" || name == "-h") {
            line.help = true;
        } else if (name == "--version") {
            line.version = true;
        } else if (name == "--recent") {
            line.recent = true;
        } else if (takesValue) {
            const auto text = value();
            if (!text) return name + " needs a value";
            if (name == "--by") {
                if (*text == "day")
                    line.grouping = Grouping::Day;
                else if (*text == "week")
                    line.grouping = Grouping::Week;
                else if (*text == "month")
                    line.grouping = Grouping::Month;
                else
                    return "--by takes day, week or month, not '" + *text + "'";
            } else if (name == "--from" || name == "--to") {
                const auto day = ParseIsoDate(*text);
                if (!day) return name + " takes a date as YYYY-MM-DD, not '" + *text + "'";
                (name == "--from" ? line.from : line.to) = *day;
            } else if (name == "--archive-time") {
                line.archiveSecond = ReadArchiveTime(*text);
                if (!line.archiveSecond) return "--archive-time takes a time as H:MM:SS, not '" + *text + "'";
            } else if (name == "--date-order") {
                line.dateOrder = ParseDateOrder(*text);
                if (!line.dateOrder) return "--date-order takes dmy, mdy or ymd, not '" + *text + "'";
            } else if (name == "--journal") {
                line.journals.emplace_back(*text);
            } else if (name == "--encoding") {
                if (*text == "gbk" || *text == "GBK")
                    line.encoding = CsvEncoding::Gbk;
                else if (*text == "utf-8" || *text == "UTF-8")
                    line.encoding = CsvEncoding::Utf8WithBom;
                else
                    return "--encoding takes gbk or utf-8, not '" + *text + "'";
            } else {
                (name == "--settings" ? line.settings
                 : name == "--csv"    ? line.csv
                 : name == "--html"   ? line.html
                                      : line.sqlite) = std::filesystem::path(*text);
            }
        } else if (name.starts_with("--")) {
            return "unknown option " + name;
        } else {
            line.folders.emplace_back(name);
        }
    }
    if (line.help || line.version) return line;
    if (line.recent && !line.folders.empty())
        return "--recent takes its folder from the data folder's save.ini";
    if (!line.recent && line.folders.empty() && line.journals.empty()) return "no archive folder given";
    if (line.from && line.to && *line.from > *line.to) return "--from is after --to";
    return line;
}

}  // namespace kerfolio
