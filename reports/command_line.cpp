#include "reports/command_line.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>

#include "board/conversion_error.h"
#include "board/time_text.h"

namespace kerfolio {

const char kUsage[] =
    "Usage: kerfolio-report [options] FOLDER...\n"
    "       kerfolio-report [options] --postgres CONNINFO [FOLDER...]\n"
    "       kerfolio-report --recent\n"
    "\n"
    "Reads the daily archive files Kerfolio writes into FOLDER (several folders: several PCs' archives,\n"
    "each machine labelled with its folder's name) and reports per machine and period: jobs, amount\n"
    "(mm²), machining, jump, wire-break and net cutting time, achieved efficiency (mm² per net cutting\n"
    "minute) and the share of the period spent cutting; then, per machine, the median efficiency of its\n"
    "last 20 jobs against the efficiency stored in save.ini. Nothing is ever written to save.ini.\n"
    "\n"
    "  --by day|week|month|total  period of the table (default day; weeks run Monday to Sunday; total:\n"
    "                        one row per machine over all the days reported)\n"
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
    "  --sqlite FILE         also add the jobs to an SQLite database (made when missing): view jobs\n"
    "                        (over table job_rows), tables day_sums, files and problems, view\n"
    "                        machine_days; a job an earlier run added is not added again, a file\n"
    "                        unchanged since the last run over whole folders is passed over, and a\n"
    "                        run that fails leaves the database as it was\n"
    "  --jobs                also list the jobs themselves: machine, workpiece, mount, start and finish,\n"
    "                        net cutting time, amount, efficiency, and the file and line of each\n"
    "  --workpiece TEXT      list only the jobs whose workpiece name contains TEXT, with their totals\n"
    "  --journal FILE        a PC's journal (journal.sqlite in its data folder; repeatable): its jobs are\n"
    "                        read from it with their exact times, and the archive lines it holds are not\n"
    "                        read again\n"
    "  --postgres CONNINFO   every registered PC's jobs from the shared PostgreSQL database, read as\n"
    "                        --journal reads a PC's journal (each PC by the name it was registered under;\n"
    "                        a PC whose --journal is given is read from that); with or without folders\n"
    "  --serve ADDR:PORT     with --postgres: the office board, every PC's machines served read-only as\n"
    "                        the live board is, until ended (--key-file FILE: the key, its first line)\n"
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
    "Lines or files that do not read are listed with their file and line; the rest is still reported.\n"
    "Without --from the report starts on the first day a job ran; shares count only the days from the\n"
    "first one the archives cover.\n";

const char kUsageChinese[] =
    "用法：kerfolio-report [选项] 文件夹...\n"
    "      kerfolio-report [选项] --postgres 连接字符串 [文件夹...]\n"
    "      kerfolio-report --recent\n"
    "\n"
    "读取 Kerfolio 写入文件夹的每日存档文件（多个文件夹即多台电脑的存档，每台机床前加上其文件夹名），\n"
    "按机床和期间报告：件数、加工量（平方mm）、加工、跳步、断丝和净切割时间、实际效率（每分钟净切割的\n"
    "平方mm）和期间内切割时间的占比；然后按机床把最近20件的效率中位数与 save.ini 中的设定效率对比。\n"
    "不会写入 save.ini。\n"
    "\n"
    "  --by day|week|month|total  表格的期间（默认 day；周从星期一到星期日；total：每台机床一行，\n"
    "                        合计报告的所有日子）\n"
    "  --from YYYY-MM-DD     报告的第一天（工件按完成的那一天计）\n"
    "  --to YYYY-MM-DD       报告的最后一天\n"
    "  --archive-time H:MM:SS  存档的时刻（默认：--settings 文件中 time 节的 time1，否则 0:00:00）；\n"
    "                        晚于此刻完成的工件算在文件日期的前一天\n"
    "  --settings FILE       Kerfolio 的 save.ini：存档时刻、机床名称和效率\n"
    "  --date-order dmy|mdy|ymd  文件名中日、月、年的顺序，用于区域设置与本机不同的电脑写的文件夹\n"
    "  --csv FILE            另写 CSV 表格（UTF-8，带字节顺序标记）\n"
    "  --encoding gbk        CSV 改用 GBK 编码\n"
    "  --html FILE           另写含表格和图表的网页\n"
    "  --sqlite FILE         另把工件加入 SQLite 数据库（不存在时新建）：视图 jobs（基于表 job_rows）、\n"
    "                        表 day_sums、files 和 problems，视图 machine_days；以前运行已加入的工件\n"
    "                        不再加入，上次整文件夹运行后未改动的文件跳过，运行失败时数据库保持原样\n"
    "  --jobs                另列出每个工件：机床、工件、装夹、开始和完成、净切割时间、加工量、效率，\n"
    "                        以及所在文件和行\n"
    "  --workpiece TEXT      只列出工件名含 TEXT 的工件，并给出合计\n"
    "  --journal FILE        某台电脑的日志（其数据文件夹中的 journal.sqlite，可重复）：其中的工件按确切\n"
    "                        时间读取，日志已包含的存档行不再重复读取\n"
    "  --postgres CONNINFO   从共享 PostgreSQL 数据库读取所有已登记电脑的工件，与 --journal 读日志相同\n"
    "                        （每台电脑以登记的名称标出；也给出其 --journal 的电脑从日志读取）；\n"
    "                        可与存档文件夹一起使用\n"
    "  --serve 地址:端口     与 --postgres 一起：全厂看板，像实时看板一样只读地提供所有电脑的机床，\n"
    "                        直到结束（--key-file 文件：访问密钥，取其第一行）\n"
    "  --recent              数据文件夹存档的最近30天写成网页\n"
    "                        ${XDG_CACHE_HOME:-~/.cache}/Kerfolio/report.html，并用 xdg-open 打开\n"
    "  --help                显示本说明\n"
    "  --version             显示版本\n"
    "\n"
    "文件名按本机的短日期格式读作日期，即 Kerfolio 命名文件所用的格式（区域设置：en_US 下 12-8-26 是\n"
    "2026年12月8日）。来自其他电脑、格式不同的文件名会被推测，除非给出 --date-order：四位数的第一段是年\n"
    "（2024-3-5）；否则年在最后，日或月在前按同一文件夹中第一或第二段大于12的文件名判断，没有时认为日在前。\n"
    "英文月份名（7 Dec 2026）即月份。修改日期与文件名日期不符的文件会列出供核对。\n"
    "工件计在完成的那一天；加工时间计在运行的各天，在午夜分开。\n"
    "与前面某行只有序号不同的行是同一工件，只计一次。\n"
    "无法读取的行或文件会列出其文件和行号；其余照常报告。\n"
    "不给 --from 时报告从第一件工件开始运行的那一天开始；切割占比只按存档覆盖的第一天起的天数计算。\n";

const char* UsageForLocale() {
    // The first of these that is set decides, as for every program's messages.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string_view(value).starts_with("zh") ? kUsageChinese : kUsage;
    }
    return kUsage;
}

namespace {

std::optional<int> ReadArchiveTime(const std::string& text) {
    try {
        return static_cast<int>(std::lround(ParseTimeText(text) * 86'400.0));
    } catch (const ConversionError&) {
        return std::nullopt;
    }
}

// What an option holds when its value was left out: no argument can hold a NUL, so no value given
// reads as it ("--postgres ''" is libpq's defaults, a value).
const std::string kNoValue(1, '\0');

// The last value of an option given (several times: the last one counts), or the message saying it lacks one.
std::variant<std::optional<std::string>, std::string> LastValue(const CLI::Option& option) {
    if (option.count() == 0) return std::optional<std::string>();
    const std::string& text = option.results().back();
    if (text == kNoValue) return option.get_name() + " needs a value";
    return std::optional<std::string>(text);
}

std::variant<CommandLine, std::string> ReadCommandLine(const std::vector<std::string>& args) {
    CLI::App app("", "kerfolio-report");
    // The help is our own text, in the locale's language. What is no option of ours is left over, the
    // folders among it: the parser's own positionals would read a folder named "[a,b]" as two.
    app.set_help_flag();
    app.allow_extras();
    const auto flag = [&app](const char* name) { return app.add_flag(name)->disable_flag_override(); };
    // A value left out must not be taken from the next option: "--csv --html page.html" would write the
    // tables to a file named "--html". The parser stops at an option and the value is asked for here.
    const auto valued = [&app](const char* name) {
        return app.add_option(name)->expected(0, 1)->default_str(kNoValue)->multi_option_policy(
            CLI::MultiOptionPolicy::TakeLast);
    };
    const CLI::Option* help = flag("--help,-h");
    const CLI::Option* version = flag("--version");
    const CLI::Option* recent = flag("--recent");
    const CLI::Option* jobs = flag("--jobs");
    const CLI::Option* by = valued("--by");
    const CLI::Option* from = valued("--from");
    const CLI::Option* to = valued("--to");
    const CLI::Option* archiveTime = valued("--archive-time");
    const CLI::Option* settings = valued("--settings");
    const CLI::Option* dateOrder = valued("--date-order");
    const CLI::Option* csv = valued("--csv");
    const CLI::Option* encoding = valued("--encoding");
    const CLI::Option* html = valued("--html");
    const CLI::Option* sqlite = valued("--sqlite");
    const CLI::Option* workpiece = valued("--workpiece");
    const CLI::Option* journals = valued("--journal")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    const CLI::Option* postgres = valued("--postgres");
    const CLI::Option* serve = valued("--serve");
    const CLI::Option* keyFile = valued("--key-file");
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);

    CommandLine line;
    for (std::string& left : app.remaining()) {
        if (left.size() > 1 && left.starts_with('-')) return "unknown option " + left;
        line.folders.emplace_back(std::move(left));
    }
    line.help = help->count() > 0;
    line.version = version->count() > 0;
    line.recent = recent->count() > 0;
    line.jobs = jobs->count() > 0;
    for (const std::string& journal : journals->results()) {
        if (journal == kNoValue) return "--journal needs a value";
        line.journals.emplace_back(journal);
    }
    std::map<const CLI::Option*, std::optional<std::string>> texts;
    for (const CLI::Option* option : {by, from, to, archiveTime, settings, dateOrder, csv, encoding, html,
                                      sqlite, workpiece, postgres, serve, keyFile}) {
        auto value = LastValue(*option);
        if (auto* problem = std::get_if<std::string>(&value)) return std::move(*problem);
        texts[option] = std::get<std::optional<std::string>>(std::move(value));
    }
    if (const auto& text = texts[by]) {
        if (*text == "day")
            line.grouping = Grouping::Day;
        else if (*text == "week")
            line.grouping = Grouping::Week;
        else if (*text == "month")
            line.grouping = Grouping::Month;
        else if (*text == "total")
            line.grouping = Grouping::Total;
        else
            return "--by takes day, week, month or total, not '" + *text + "'";
    }
    for (const auto& [option, day] : {std::pair{from, &line.from}, std::pair{to, &line.to}}) {
        if (const auto& text = texts[option]) {
            *day = ParseIsoDate(*text);
            if (!*day) return option->get_name() + " takes a date as YYYY-MM-DD, not '" + *text + "'";
        }
    }
    if (const auto& text = texts[archiveTime]) {
        line.archiveSecond = ReadArchiveTime(*text);
        if (!line.archiveSecond) return "--archive-time takes a time as H:MM:SS, not '" + *text + "'";
    }
    if (const auto& text = texts[dateOrder]) {
        line.dateOrder = ParseDateOrder(*text);
        if (!line.dateOrder) return "--date-order takes dmy, mdy or ymd, not '" + *text + "'";
    }
    if (const auto& text = texts[encoding]) {
        if (*text == "gbk" || *text == "GBK")
            line.encoding = CsvEncoding::Gbk;
        else if (*text == "utf-8" || *text == "UTF-8")
            line.encoding = CsvEncoding::Utf8WithBom;
        else
            return "--encoding takes gbk or utf-8, not '" + *text + "'";
    }
    for (const auto& [option, path] :
         {std::pair{settings, &line.settings}, std::pair{csv, &line.csv}, std::pair{html, &line.html},
          std::pair{sqlite, &line.sqlite}, std::pair{keyFile, &line.keyFile}}) {
        if (const auto& text = texts[option]) *path = std::filesystem::path(*text);
    }
    line.workpiece = texts[workpiece];
    if (line.workpiece) line.jobs = true;
    line.postgres = texts[postgres];
    line.serve = texts[serve];

    if (line.help || line.version) return line;
    if (line.serve) {
        // The office board serves until ended and writes no report: an option of the report beside it
        // would be silently left undone.
        for (const CLI::Option* option : app.get_options()) {
            if (option->count() > 0 && option != serve && option != postgres && option != keyFile)
                return "--serve 不能与此参数一起使用：" + option->get_name();
        }
        if (!line.folders.empty()) return "--serve 不能与此参数一起使用：" + line.folders.front().string();
        if (!line.postgres || line.postgres->empty()) return "--serve 需要 --postgres 连接字符串";
        return line;
    }
    if (line.keyFile) return "--key-file is the office board's key, for --serve";
    if (line.recent && !line.folders.empty())
        return "--recent takes its folder from the data folder's save.ini";
    if (line.recent && line.postgres) return "--recent reads this PC's own data folder, not --postgres";
    if (!line.recent && line.folders.empty() && line.journals.empty() && !line.postgres)
        return "no archive folder given";
    if (line.from && line.to && *line.from > *line.to) return "--from is after --to";
    return line;
}

}  // namespace

std::variant<CommandLine, std::string> ParseCommandLine(const std::vector<std::string>& args) {
    // The parser throws on what it cannot read (a flag given a value); the program returns its failures.
    try {
        return ReadCommandLine(args);
    } catch (const CLI::ParseError& error) {
        return std::string(error.what());
    }
}

}  // namespace kerfolio
