// The built kerfolio-report on archive files made by driving the board through a few days.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "../storage/temp_folder.h"
#include "archive_maker.h"
#include "reports/command_line.h"
#include "sqlite_rows.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr long kHour = 3600, kMinute = 60, kDay = 86'400;

struct Finished {
    int status;
    std::string out;
};

Finished Capture(const std::string& command) {
    Finished run{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    run.status = ::pclose(pipe);
    run.status = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
    return run;
}

std::string Quote(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

Rows SplitRows(const std::string& text, char separator, std::string_view lineEnd) {
    Rows rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(lineEnd, start);
        if (end == std::string::npos) end = text.size();
        std::vector<std::string> row;
        std::stringstream cells(text.substr(start, end - start));
        for (std::string cell; std::getline(cells, cell, separator);)
            row.push_back(cell);
        rows.push_back(row);
        start = end + lineEnd.size();
    }
    return rows;
}

class EndToEndTest : public ::testing::Test {
  protected:
    // Archive time noon. 6 May: job 1 finishes in the morning, job 2 in the afternoon, job 3 runs across
    // midnight into 7 May; on 7 May the archive runs twice (the second file part numbered from 1 again)
    // and job 5 of 8 May reaches the file of 9 May.
    void SetUp() override {
        archive_ = folder_ / "存档";
        std::filesystem::create_directory(archive_);
        SettingsFile settings(folder_ / "save.ini");
        settings.Write("time", "time1", "12:00:00");
        settings.Write("file", "dir", archive_.string() + "/");
        settings.Write("save", "aa6", "12");

        testing::SimulatedWorkshop shop;
        shop.Run({1,
                  "凹模 1",
                  "1200",
                  8 * kHour,
                  8 * kHour + 10 * kMinute,
                  10 * kHour + 10 * kMinute,
                  {{9 * kHour, 9 * kHour + 10 * kMinute}},
                  {}});
        shop.Archive(archive_ / "2024-5-6.txt");  // at noon, between the two finishes
        shop.Run({2,
                  "凸模:2",
                  "900",
                  11 * kHour,
                  11 * kHour,
                  14 * kHour,
                  {},
                  {{11 * kHour + 30 * kMinute, 11 * kHour + 45 * kMinute}}});
        shop.Run({1,
                  "凹模 3",
                  "3000",
                  20 * kHour,
                  20 * kHour + 30 * kMinute,
                  kDay + 2 * kHour + 30 * kMinute,
                  {},
                  {}});
        shop.Archive(archive_ / "2024-5-7.txt");
        shop.Run({2,
                  "镶块",
                  "600",
                  kDay + 11 * kHour + 40 * kMinute,
                  kDay + 11 * kHour + 50 * kMinute,
                  kDay + 12 * kHour,
                  {},
                  {}});
        shop.Archive(archive_ / "2024-5-7.txt");
        shop.Run({1,
                  "凹模 5",
                  "1500",
                  2 * kDay + 13 * kHour,
                  2 * kHour + 2 * kDay + 11 * kHour,
                  2 * kDay + 15 * kHour,
                  {{2 * kDay + 13 * kHour + 30 * kMinute, 2 * kDay + 13 * kHour + 40 * kMinute}},
                  {}});
        shop.Archive(archive_ / "2024-5-9.txt");
    }

    testing::TempFolder folder_;
    std::filesystem::path archive_;
};

// Job 3 ran 3:30 on 6 May and 2:30 on 7 May, where it finished.
const Rows kExpected = {
    {"机床1", "2024-05-06", "1", "1200", "5:30:00", "0:10:00", "0:00:00", "5:20:00", "10.9", "22.2"},
    {"机床1", "2024-05-07", "1", "3000", "2:30:00", "0:00:00", "0:00:00", "2:30:00", "8.3", "10.4"},
    {"机床1", "2024-05-08", "1", "1500", "2:00:00", "0:10:00", "0:00:00", "1:50:00", "13.6", "7.6"},
    {"机床2", "2024-05-06", "1", "900", "3:00:00", "0:00:00", "0:15:00", "2:45:00", "5.5", "11.5"},
    {"机床2", "2024-05-07", "1", "600", "0:10:00", "0:00:00", "0:00:00", "0:10:00", "60.0", "0.7"},
};

TEST_F(EndToEndTest, TableCsvAndPageCarryTheHandComputedFigures) {
    const std::filesystem::path csv = folder_ / "report.csv";
    const std::filesystem::path html = folder_ / "report.html";
    const Finished run = Capture(std::string(KERFOLIO_REPORT) + " --settings " + Quote(folder_ / "save.ini") +
                                 " --csv " + Quote(csv) + " --html " + Quote(html) + " " + Quote(archive_));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("2024-05-06 .. 2024-05-08"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("机床1  2024-05-07     1          3000   2:30:00"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("无法读取"), std::string::npos) << run.out;

    const std::string csvBytes = testing::Slurp(csv);
    ASSERT_EQ(csvBytes.substr(0, 3), "\xEF\xBB\xBF");
    // The CSV's own columns (decimal hours after the table's) are ReportSumsTest's.
    Rows csvRows = SplitRows(csvBytes.substr(3), ',', "\r\n");
    ASSERT_GE(csvRows.size(), 6u);
    for (auto& row : csvRows)
        row.resize(std::min<std::size_t>(row.size(), kExpected[0].size()));
    EXPECT_EQ(Rows(csvRows.begin() + 1, csvRows.begin() + 6), kExpected);

    const Finished page = Capture("python3 " + std::string(KERFOLIO_HTML_ROWS) + " " + Quote(html));
    ASSERT_EQ(page.status, 0) << "not well-formed XHTML";
    Rows pageRows = SplitRows(page.out, '\t', "\n");
    ASSERT_EQ(pageRows.size(), 6u) << page.out;
    EXPECT_EQ(Rows(pageRows.begin(), pageRows.begin() + 5), kExpected);
    // The shop overview first, its chart with a bar per machine's non-zero times; then two charts per
    // machine, with bars for each period's non-zero cutting, jump and wire-break times.
    EXPECT_EQ(pageRows[5], std::vector<std::string>{"svg=5 bars=12 first=overview"});
}

TEST_F(EndToEndTest, GbkCsvAndOptionErrors) {
    const std::filesystem::path csv = folder_ / "gbk.csv";
    ASSERT_EQ(
        Capture(std::string(KERFOLIO_REPORT) + " --archive-time 12:00:00 --by month --encoding gbk --csv " +
                Quote(csv) + " " + Quote(archive_) + " >/dev/null")
            .status,
        0);
    Rows rows = SplitRows(FromGbk(testing::Slurp(csv)), ',', "\r\n");
    ASSERT_GE(rows.size(), 2u);
    rows[1].resize(std::min<std::size_t>(rows[1].size(), kExpected[0].size()));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"机床1", "2024-05", "3", "5700", "10:00:00", "0:20:00",
                                                 "0:00:00", "9:40:00", "9.8", "13.4"}));

    const std::string archive = Quote(archive_);
    struct Case {
        std::string args;
        int status;
        std::string says = "";  // part of what the run writes to stderr
    } cases[] = {
        {"--by year " + archive, 2, "--by takes day, week, month or total, not 'year'"},
        {"--by=week " + archive, 0},
        {"--by total " + archive, 0},
        {"--postgres", 2},
        {"--recent --postgres dbname=kerfolio", 2},
        // A shared database that cannot be read is no report of an idle shop.
        {"--postgres hostt=nowhere " + archive, 1},
        {"--date-order ydm " + archive, 2},
        {"--date-order dmy " + archive, 0},
        {"--from 2024-13-01 " + archive, 2},
        {"--archive-time 25:00 " + archive, 2},
        {"", 2},
        {"--from 2024-05-09 --to 2024-05-01 " + archive, 2},
        {"--recent " + archive, 2},
        {"--html", 2},
        {"--help", 0},
        {"--version", 0},
        {"--bogus " + archive, 2, "unknown option --bogus"},
        {"--jobs=yes " + archive, 2},
        {"--csv /nonexistent/folder/r.csv " + archive, 1},
        {"--sqlite /nonexistent/folder/jobs.db " + archive, 1},
        // A file that is not a database is left alone, and the run says it failed.
        {"--sqlite " + Quote(folder_ / "save.ini") + " " + archive, 1},
        // An option's value is never the next option: the page would go to a file named "--html".
        {"--csv --html " + Quote(folder_ / "r.html") + " " + archive, 2, "--csv needs a value"},
        {"--settings --csv " + Quote(folder_ / "r.csv") + " " + archive, 2, "--settings needs a value"},
        {"--journal --postgres dbname=kerfolio", 2, "--journal needs a value"},
        // Settings that do not read would date every job by a wrong archive time.
        {"--settings /nonexistent/save.ini " + archive, 2},
        {"--settings " + archive + " " + archive, 2},
        // A folder that does not read is listed with the rest of the report, but the run failed.
        {"/nonexistent/archive " + archive, 1},
        {archive + " " + Quote(archive_ / "2024-5-6.txt"), 1},
        // One folder twice would count every job twice.
        {archive + " " + archive, 2},
        {archive + " " + Quote(folder_ / "." / "存档" / ""), 2},
        // The office board: nothing it is given may be left undone, nor the board served without the
        // key it was asked to keep.
        {"--serve 127.0.0.1:0", 2, "--serve 需要 --postgres 连接字符串"},
        {"--serve=127.0.0.1:0 --postgres ''", 2, "--serve 需要 --postgres 连接字符串"},
        {"--serve --postgres dbname=kerfolio", 2, "--serve needs a value"},
        {"--serve 127.0.0.1:0 --postgres dbname=kerfolio " + archive, 2,
         "不能与此参数一起使用：" + archive_.string()},
        {"--serve 127.0.0.1:0 --postgres dbname=kerfolio --csv r.csv", 2, "不能与此参数一起使用：--csv"},
        {"--serve office-pc:8471 --postgres dbname=kerfolio", 2},
        {"--serve 127.0.0.1:1 --postgres dbname=kerfolio --key-file /nonexistent/key", 2, "/nonexistent/key"},
        {"--serve 127.0.0.1:1 --postgres dbname=kerfolio --key-file ''", 2, "无法读取访问密钥文件"},
        {"--key-file " + Quote(folder_ / "save.ini") + " " + archive, 2, "--key-file"},
    };
    for (const auto& c : cases) {
        // In the test's folder, where a stray file from a misread option does no harm.
        const Finished run = Capture("cd " + Quote(folder_.Path()) + " && " + KERFOLIO_REPORT + " " + c.args +
                                     " 2>&1 >/dev/null");
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.args << "\n" << run.out;
    }
}

TEST_F(EndToEndTest, FileNamesReadInTheShortDateFormatOfThisPc) {
    // A new installation under en_US: no name has a field over 12 to guess the order from.
    const std::filesystem::path folder = folder_ / "us";
    std::filesystem::create_directory(folder);
    testing::Put(folder / "12-8-26.txt", testing::Line("机床1", "A", "9:00:00") + "\r\n");
    testing::Put(folder / "12-9-26.txt", testing::Line("机床1", "B", "9:00:00") + "\r\n");
    struct Case {
        const char* environment;
        const char* options;
        const char* dates;
    } cases[] = {
        {"LC_ALL=en_US.UTF-8", "", "2026-12-08 .. 2026-12-09"},
        {"LC_ALL=de_DE.UTF-8", "", "2026-08-12 .. 2026-09-12"},  // not its form: guessed, day first
        {"LC_ALL=C", "--date-order mdy", "2026-12-08 .. 2026-12-09"},
        {"LC_ALL=en_US.UTF-8", "--date-order dmy", "2026-08-12 .. 2026-09-12"},
    };
    for (const auto& c : cases) {
        const Finished run = Capture(std::string("env ") + c.environment + " " + KERFOLIO_REPORT + " " +
                                     c.options + " --archive-time 23:30:00 " + Quote(folder));
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find(c.dates), std::string::npos) << c.environment << " " << c.options << "\n"
                                                            << run.out;
    }
}

TEST_F(EndToEndTest, OutputsNeverReplaceWhatTheReportReads) {
    const std::filesystem::path settings = folder_ / "save.ini";
    const std::filesystem::path day = archive_ / "2024-5-6.txt";
    struct Case {
        std::string args;
        std::filesystem::path input;
    } cases[] = {
        {"--settings " + Quote(settings) + " --csv " + Quote(settings), settings},
        {"--settings " + Quote(settings) + " --html " + Quote(folder_ / "." / "save.ini"), settings},
        {"--html " + Quote(day), day},
        {"--settings " + Quote(settings) + " --sqlite " + Quote(settings), settings},
        {"--sqlite " + Quote(archive_ / "jobs.txt"), archive_ / "jobs.txt"},
        {"--csv " + Quote(archive_ / ".." / "存档" / "2024-5-6.txt"), day},
        // A new .txt file in an archive folder would be read as an archive next time.
        {"--csv " + Quote(archive_ / "report.txt"), archive_ / "report.txt"},
    };
    for (const auto& c : cases) {
        std::error_code absent;
        const std::string before = std::filesystem::exists(c.input, absent) ? testing::Slurp(c.input) : "";
        const Finished run =
            Capture(std::string(KERFOLIO_REPORT) + " " + c.args + " " + Quote(archive_) + " 2>&1");
        EXPECT_EQ(run.status, 2) << c.args << "\n" << run.out;
        if (before.empty()) {
            EXPECT_FALSE(std::filesystem::exists(c.input, absent)) << c.args;
        } else {
            EXPECT_TRUE(testing::Slurp(c.input) == before) << c.args << ": the input was replaced";
        }
    }
}

// Every column of the jobs but the database's own id, in the order they were added.
constexpr char kAllJobs[] =
    "SELECT folder, file, line, number, machine, workpiece, mount_text, start_text, jump_text, break_text,"
    " finish_text, amount, finish_date, mount_at, start_at, finish_at, jump_seconds, break_seconds,"
    " machining_seconds FROM jobs ORDER BY id";

TEST_F(EndToEndTest, SqliteRunsAddOnlyWhatIsNew) {
    const std::filesystem::path db = folder_ / "jobs.db";
    const std::string report = std::string(KERFOLIO_REPORT) + " --archive-time 12:00:00 --sqlite " +
                               Quote(db) + " " + Quote(archive_) + " >/dev/null";
    ASSERT_EQ(Capture(report).status, 0);
    const Rows first = testing::QueryRows(db, kAllJobs);
    ASSERT_EQ(first.size(), 5u) << (first.empty() ? "" : first[0][0]);
    // The files are recorded as they were, so the runs below pass over those that do not change and
    // must still read the one that does.
    EXPECT_EQ(testing::QueryRows(db, "SELECT COUNT(*) FROM files WHERE size > 0"), (Rows{{"3"}}));
    const std::string day7 = (archive_ / "2024-5-7.txt").string();
    // Across midnight: finished on the file's date, mounted and started the evening before.
    EXPECT_EQ(first[2], (std::vector<std::string>{"存档", day7, "2", "2", "机床1", "凹模 3", "20:00:00",
                                                  "20:30:00", "0:00:00", "0:00:00", "2:30:00", "3000",
                                                  "2024-05-07", "2024-05-06T20:00:00", "2024-05-06T20:30:00",
                                                  "2024-05-07T02:30:00", "0", "0", "21600"}));
    // The day's second archive numbers its lines from 1 again; the line in the file goes on.
    EXPECT_EQ(Rows(1, std::vector<std::string>(first[3].begin(), first[3].begin() + 6)),
              (Rows{{"存档", day7, "3", "1", "机床2", "镶块"}}));

    const std::filesystem::path day9 = archive_ / "2024-5-9.txt";
    const std::string newJob = testing::Line("机床2", "新件", "11:00:00");
    struct Step {
        const char* what;
        std::string appended;  // to the file of 9 May
        std::size_t newJobs;
        std::size_t newProblems;
        std::string number;  // of the new job, "NULL" for none
    } steps[] = {
        {"the same folders again", "", 0, 0, ""},
        {"a job appended to a day's file", newJob, 1, 0, "7"},
        {"the same line archived again under another number", testing::Replace(newJob, "7", "8"), 0, 0, ""},
        {"a line that does not read", ToGbk("9    机床:机床2   工件名称:坏行"), 0, 1, ""},
        {"a hand-written line without a number",
         testing::Replace(testing::Line("机床3", "手写", "11:30:00"), "7    ", ""), 1, 0, "NULL"},
        {"a number no database integer holds",
         testing::Replace(testing::Line("机床4", "大号", "11:40:00"), "7", "12345678901234567890"), 1, 0,
         "NULL"},
        {"the same folders once more", "", 0, 0, ""},
    };
    Rows jobs = first;
    std::size_t problems = 0;
    for (const Step& step : steps) {
        // The program's archives end without a line break.
        if (!step.appended.empty()) testing::Put(day9, testing::Slurp(day9) + "\r\n" + step.appended);
        ASSERT_EQ(Capture(report).status, 0) << step.what;
        const Rows now = testing::QueryRows(db, kAllJobs);
        ASSERT_EQ(now.size(), jobs.size() + step.newJobs) << step.what;
        EXPECT_EQ(Rows(now.begin(), now.begin() + std::ptrdiff_t(jobs.size())), jobs)
            << step.what << ": a row already there changed";
        const Rows nowProblems = testing::QueryRows(db, "SELECT file, line FROM problems");
        EXPECT_EQ(nowProblems.size(), problems + step.newProblems) << step.what;
        if (step.newJobs > 0) {
            EXPECT_EQ(now.back()[3], step.number) << step.what;
        }
        jobs = now;
        problems = nowProblems.size();
    }
    EXPECT_EQ(testing::QueryRows(db, "SELECT file, line FROM problems"), (Rows{{day9.string(), "4"}}));
}

TEST_F(EndToEndTest, JobListFindsWorkpiecesByPartOfTheirName) {
    const std::filesystem::path csv = folder_ / "jobs.csv", html = folder_ / "jobs.html";
    const std::string day6 = (archive_ / "2024-5-6.txt").string(),
                      day7 = (archive_ / "2024-5-7.txt").string(),
                      day9 = (archive_ / "2024-5-9.txt").string();
    const Rows dies = {
        {"机床1", "凹模 1", "2024-05-06 08:00:00", "2024-05-06 08:10:00", "2024-05-06 10:10:00", "1:50:00",
         "1200", "10.9", day6, "1"},
        // Mounted and started the evening before it finished.
        {"机床1", "凹模 3", "2024-05-06 20:00:00", "2024-05-06 20:30:00", "2024-05-07 02:30:00", "6:00:00",
         "3000", "8.3", day7, "2"},
        {"机床1", "凹模 5", "2024-05-08 13:00:00", "2024-05-08 13:00:00", "2024-05-08 15:00:00", "1:50:00",
         "1500", "13.6", day9, "1"},
        {"合计", "3 件", "", "", "", "9:40:00", "5700", "9.8", "", ""},
    };
    struct Case {
        const char* options;
        std::size_t jobs;  // listed, before the totals
        Rows first;        // the first rows, totals last when all are given
    } cases[] = {
        {"--workpiece 凹模", 3, dies},
        {"--workpiece=镶", 1, {{"机床2", "镶块"}}},
        {"--jobs", 5, {dies[0]}},
        {"--workpiece 没有这个", 0, {{"合计", "0 件", "", "", "", "0:00:00", "0", "", "", ""}}},
    };
    for (const Case& c : cases) {
        const Finished run =
            Capture(std::string(KERFOLIO_REPORT) + " --archive-time 12:00:00 " + c.options + " --csv " +
                    Quote(csv) + " --html " + Quote(html) + " " + Quote(archive_));
        ASSERT_EQ(run.status, 0) << c.options << run.out;
        EXPECT_NE(run.out.find("工件清单"), std::string::npos) << c.options;
        // The CSV's job list comes last, after its header.
        const Rows csvRows = SplitRows(testing::Slurp(csv).substr(3), ',', "\r\n");
        const auto header =
            std::find(csvRows.begin(), csvRows.end(),
                      std::vector<std::string>{"机床", "工件", "装夹", "开始", "完成", "净切割时间",
                                               "加工量平方mm", "效率平方mm每分钟", "文件", "行"});
        ASSERT_NE(header, csvRows.end()) << c.options;
        Rows listed(header + 1, csvRows.end());
        const Finished page =
            Capture("python3 " + std::string(KERFOLIO_HTML_ROWS) + " " + Quote(html) + " jobs");
        ASSERT_EQ(page.status, 0) << "not well-formed XHTML";
        Rows pageRows = SplitRows(page.out, '\t', "\n");
        pageRows.pop_back();  // the count of charts
        for (Rows* rows : {&listed, &pageRows}) {
            ASSERT_EQ(rows->size(), c.jobs + 1) << c.options;
            EXPECT_EQ(rows->back()[0], "合计") << c.options;
            for (std::size_t i = 0; i < c.first.size(); ++i) {
                std::vector<std::string> cells = (*rows)[i];  // empty cells at the end are not split off
                cells.resize(c.first[i].size());
                EXPECT_EQ(cells, c.first[i]) << c.options << " row " << i;
            }
        }
    }
}

TEST_F(EndToEndTest, TheReportGuidesQueryAnswersOnTheReportsDatabase) {
    const std::string guide = testing::Slurp(KERFOLIO_REPORT_GUIDE);
    // The report guide's first SQL block over the report's database (others set up the shared server).
    std::string query;
    for (std::size_t from = guide.find("```sql\n"); from != std::string::npos && query.empty();
         from = guide.find("```sql\n", from + 7)) {
        const std::string block = guide.substr(from + 7, guide.find("```", from + 7) - from - 7);
        if (block.find("machine_days") != std::string::npos) query = block;
    }
    ASSERT_FALSE(query.empty()) << "docs/report.md shows no query over machine_days";
    const std::filesystem::path db = folder_ / "jobs.db";
    ASSERT_EQ(Capture(std::string(KERFOLIO_REPORT) + " --settings " + Quote(folder_ / "save.ini") +
                      " --sqlite " + Quote(db) + " " + Quote(archive_) + " >/dev/null")
                  .status,
              0);
    // Net cutting hours of the week of Monday 6 May, as the table above has them per day.
    EXPECT_EQ(testing::QueryRows(db, query), (Rows{{"存档", "机床1", "2024-05-06", "3", "9.7"},
                                                   {"存档", "机床2", "2024-05-06", "2", "2.9"}}));
}

TEST_F(EndToEndTest, RecentWritesThePageOfTheDataFoldersArchiveAndOpensIt) {
    // The program's folder holds save.ini, so it is the data folder, as for kerfolio beside it.
    const std::filesystem::path exe = folder_ / "kerfolio-report";
    std::filesystem::copy_file(KERFOLIO_REPORT, exe);
    std::filesystem::copy_file(folder_ / "save.ini", folder_ / "save.ini.keep");
    const std::filesystem::path bin = folder_ / "bin";
    std::filesystem::create_directory(bin);
    testing::Put(bin / "xdg-open", "#!/bin/sh\necho \"$1\" > " + Quote(bin / "opened") + "\n");
    ::chmod((bin / "xdg-open").c_str(), 0755);
    const std::string environment = "env HOME=" + Quote(folder_ / "home") +
                                    " XDG_DATA_HOME= XDG_CACHE_HOME=" + Quote(folder_ / "cache") + " ";

    const Finished opened = Capture(environment + "PATH=" + Quote(bin) + " " + Quote(exe) + " --recent");
    ASSERT_EQ(opened.status, 0) << opened.out;
    const std::filesystem::path page = folder_ / "cache" / "Kerfolio" / "report.html";
    EXPECT_EQ(testing::Slurp(bin / "opened"), page.string() + "\n");
    // The archive is older than 30 days, so the page says there is nothing to show.
    EXPECT_NE(testing::Slurp(page).find("所选期间没有完成的工件"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "home")) << "nothing made in the per-user folders";

    const Finished unopened = Capture(environment + "PATH=/nonexistent " + Quote(exe) + " --recent 2>&1");
    EXPECT_EQ(unopened.status, 1);
    EXPECT_NE(unopened.out.find("cannot start xdg-open"), std::string::npos) << unopened.out;
    EXPECT_NE(unopened.out.find(page.string()), std::string::npos) << unopened.out;
}

// The long options a text names; in a manual page "\-" stands for "-".
std::set<std::string> OptionsNamed(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    static const std::regex option("--[a-z][a-z-]*[a-z]");
    std::set<std::string> options;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        options.insert(it->str());
    return options;
}

TEST(ManualPageTest, HelpAndManualPagesNameTheSameOptions) {
    const std::filesystem::path pages = KERFOLIO_MAN_PAGES;
    const std::set<std::string> help = OptionsNamed(kUsage);
    EXPECT_TRUE(help.contains("--sqlite") && help.contains("--date-order") && help.contains("--jobs"));
    for (const auto& [what, text] :
         {std::pair{"Chinese help", std::string(kUsageChinese)},
          std::pair{"manual page", testing::Slurp(pages / "kerfolio-report.1")},
          std::pair{"Chinese manual page", testing::Slurp(pages / "zh_CN" / "kerfolio-report.1")}}) {
        EXPECT_EQ(OptionsNamed(text), help) << what;
    }
}

// What the parser keeps of each way an option's value is written.
std::string Kept(const std::variant<CommandLine, std::string>& parsed) {
    if (const auto* problem = std::get_if<std::string>(&parsed)) return "error: " + *problem;
    const auto& line = std::get<CommandLine>(parsed);
    std::string kept = "by=" + std::to_string(static_cast<int>(line.grouping)) + (line.jobs ? " jobs" : "");
    for (const auto& [name, value] :
         {std::pair{"csv", line.csv ? line.csv->string() : "-"},
          std::pair{"postgres", line.postgres.value_or("-")}, std::pair{"serve", line.serve.value_or("-")},
          std::pair{"key", line.keyFile.value_or("-").string()}})
        if (value != "-") kept += std::string(" ") + name + "=" + value;
    for (const auto& journal : line.journals)
        kept += " journal=" + journal.string();
    for (const auto& folder : line.folders)
        kept += " folder=" + folder.string();
    return kept;
}

TEST(CommandLineTest, ValuesAreReadAsWritten) {
    const struct {
        std::vector<std::string> args;
        std::string kept;
    } cases[] = {
        {{"--by", "week", "a"}, "by=1 folder=a"},
        {{"--by=week", "a"}, "by=1 folder=a"},
        // Written with "=", a value may start as an option does.
        {{"--csv=--x", "a"}, "by=0 csv=--x folder=a"},
        {{"--csv", "one.csv", "--csv", "two.csv", "a"}, "by=0 csv=two.csv folder=a"},
        {{"--journal", "j1", "--journal=j2"}, "by=0 journal=j1 journal=j2"},
        // An empty connection string is libpq's defaults, not a value left out.
        {{"--postgres", ""}, "by=0 postgres="},
        // A folder's name is never a list.
        {{"[a,b]", "c"}, "by=0 folder=[a,b] folder=c"},
        {{"--workpiece", "凹模", "a"}, "by=0 jobs folder=a"},
        {{"--serve", "0.0.0.0:8471", "--postgres=dbname=k", "--key-file", "k"},
         "by=0 postgres=dbname=k serve=0.0.0.0:8471 key=k"},
        {{"--by"}, "error: --by needs a value"},
        {{"--version=2"}, "error: version was given a disallowed flag override"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Kept(ParseCommandLine(c.args)), c.kept) << c.args.front();
}

}  // namespace
}  // namespace kerfolio
