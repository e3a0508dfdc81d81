// Weeks of a workshop through the real window under Europe/Berlin, its clock moved by libfaketime: a
// 25-hour job, jobs across both clock changes, a machine renamed, a completion corrected before OK and
// a crash between two snapshots. The report over the PC's archive and journal must give every figure
// exactly, and the crash must cost no click.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <map>
#include <sstream>

#include "storage/settings_file.h"
#include "tests/storage/temp_folder.h"

namespace kerfolio {
namespace {

constexpr char kFakeTime[] = KERFOLIO_LIBFAKETIME;

// Local times are Berlin's: CET is UTC+1, CEST (from 29 March 2:00 to 25 October 3:00) UTC+2.
constexpr char kBeforeTheCrash[] = R"(
# Friday 27 March, 8:00 CET: 3:20 of machining
click 1 ok
at 2026-03-27T07:10:00Z
click 2 ok entry 凹模A 6000
at 2026-03-27T10:30:00Z
click 7 ok
# the spring change: 1:00 CET to 5:00 CEST is 3 hours
at 2026-03-28T23:50:00Z
click 1 ok
at 2026-03-29T00:00:00Z
click 2 ok entry 凸模B 4500
at 2026-03-29T03:00:00Z
click 7 ok
# Monday 30 March, 8:00 to 11:00 CEST with a 20-minute jump
at 2026-03-30T06:00:00Z
click 8 ok
click 9 ok entry 镶件C 5000
at 2026-03-30T07:00:00Z
click 10 ok
at 2026-03-30T07:20:00Z
click 11 ok
at 2026-03-30T09:00:00Z
click 14 ok
# Tuesday 20 October 8:10 CEST to Wednesday 9:10: 25 hours
at 2026-10-20T06:00:00Z
click 15 ok
at 2026-10-20T06:10:00Z
click 16 ok entry 厚凹模D 45000
at 2026-10-21T07:10:00Z
click 21 ok
# machine 2 before and after its new name (the field holds 8 GBK bytes); the second amount corrected from 7200 to 6000
at 2026-10-21T08:00:00Z
click 8 ok
click 9 ok entry 凸模E 7200
at 2026-10-21T12:00:00Z
click 14 ok
at 2026-10-22T05:00:00Z
rename 2 快走丝2
at 2026-10-22T06:00:00Z
click 8 ok
click 9 ok entry 凸模F 7200
at 2026-10-22T10:00:00Z
click 14 set 8=6000
# the autumn change: 22:05 CEST to 5:40 CET is 8:35; 2:25 CEST to 2:15 CET is 50 minutes
at 2026-10-24T20:00:00Z
click 1 ok
at 2026-10-24T20:05:00Z
click 2 ok entry 凹模G 15450
at 2026-10-25T00:20:00Z
click 22 ok
at 2026-10-25T00:25:00Z
click 23 ok entry 镶件H 1500
at 2026-10-25T01:15:00Z
click 28 ok
at 2026-10-25T04:40:00Z
click 7 ok
# Monday 26 October: a snapshot at 7:55 CET, then seven clicks and the crash
at 2026-10-26T06:55:00Z
save
at 2026-10-26T07:00:00Z
click 29 ok
click 36 ok
click 37 ok entry 凸模J 3000
at 2026-10-26T07:05:00Z
click 30 ok entry 凹模I 5100
at 2026-10-26T08:00:00Z
click 31 ok
at 2026-10-26T08:10:00Z
click 32 ok
at 2026-10-26T08:40:00Z
click 42 ok
at 2026-10-26T08:45:00Z
crash
)";

// Started again at 10:00 CET with 自动调入: machine 5's job goes on to its end at 11:05 (3 hours, a
// 10-minute jump); the day's archive runs at midnight.
constexpr char kAfterTheCrash[] = R"(
at 2026-10-26T10:05:00Z
click 35 ok
at 2026-10-26T23:00:30Z
close
)";

struct Outcome {
    int status = -1;
    std::string out;
};

class Workshop {
  public:
    Workshop() {
        std::filesystem::create_directory(folder_ / "data");
        std::filesystem::create_directory(folder_ / "archive");
        SettingsFile settings((folder_ / "data" / "save.ini").string());
        EXPECT_TRUE(settings.Write("checkbox1", "checked", "true"));  // timed snapshots
        EXPECT_TRUE(settings.Write("checkbox3", "checked", "true"));  // the daily archive
        EXPECT_TRUE(settings.Write("file", "dir", (folder_ / "archive").string()));
    }
    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }

    // The window started at utc with these steps; its messages and how it ended.
    Outcome Window(const char* utc, std::string_view steps) {
        testing::Put(folder_ / "clock", std::to_string(Seconds(utc)) + "\n");
        testing::Put(folder_ / "steps", std::string("at ") + utc + "\n" + std::string(steps));
        return Capture(Faked() + " " KERFOLIO_SHOP_DRIVER " " + (folder_ / "data").string() + " " +
                       (folder_ / "steps").string());
    }
    // `kerfolio --report` of the program in the data folder, on the given day; the page it would open.
    std::string ProgramReport(const char* utc) {
        std::filesystem::copy_file(KERFOLIO_EXE, folder_ / "data" / "kerfolio");
        std::filesystem::create_directory(folder_ / "bin");
        testing::Put(folder_ / "bin" / "xdg-open", "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(folder_ / "bin" / "xdg-open", std::filesystem::perms::owner_all);
        testing::Put(folder_ / "clock", std::to_string(Seconds(utc)) + "\n");
        const Outcome run = Capture(Faked() + " XDG_CACHE_HOME=" + (folder_ / "cache").string() +
                                    " PATH=" + (folder_ / "bin").string() + ":/usr/bin:/bin " +
                                    (folder_ / "data" / "kerfolio").string() + " --report");
        EXPECT_EQ(run.status, 0) << run.out;
        return testing::Slurp(folder_ / "cache" / "Kerfolio" / "report.html");
    }
    Outcome Report(const std::string& options) {
        return Capture("env TZ=Europe/Berlin LANG=C.UTF-8 " KERFOLIO_REPORT " --settings " +
                       (folder_ / "data" / "save.ini").string() + " --journal " +
                       (folder_ / "data" / "journal.sqlite").string() + " " + options + " " +
                       (folder_ / "archive").string());
    }

  private:
    // A process of the workshop's PC: its zone, and its wall clock what the file "clock" says. A
    // sanitizer build lets the preloaded clock come before its runtime.
    std::string Faked() const {
        return std::string(
                   "exec env ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" TZ=Europe/Berlin "
                   "LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen LD_PRELOAD=") +
               kFakeTime + " FAKETIME_FMT=%s FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 " +
               "FAKETIME_TIMESTAMP_FILE=" + (folder_ / "clock").string();
    }
    static long long Seconds(const char* utc) {
        std::tm tm{};
        ::strptime(utc, "%Y-%m-%dT%H:%M:%SZ", &tm);
        return static_cast<long long>(::timegm(&tm));
    }
    static Outcome Capture(const std::string& command) {
        Outcome run;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return run;
        char buffer[4096];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            run.out.append(buffer, n);
        run.status = ::pclose(pipe);
        return run;
    }
    testing::TempFolder folder_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Each file of a folder with its bytes.
std::map<std::string, std::string> Files(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = testing::Slurp(entry.path());
    return files;
}

TEST(MonthOfWork, TheReportGivesEveryFigureExactlyAndTheCrashCostNoClick) {
    if (kFakeTime[0] == 0) GTEST_SKIP() << "libfaketime is not installed";
    Workshop shop;
    const Outcome first = shop.Window("2026-03-27T07:00:00Z", kBeforeTheCrash);
    ASSERT_TRUE(WIFSIGNALED(first.status)) << first.out;
    EXPECT_EQ(first.out, "") << "no step failed, no message came up";

    // 自动调入 from here on: the first start had no snapshot to load.
    ASSERT_TRUE(SettingsFile((shop / "data" / "save.ini").string()).Write("checkbox2", "checked", "true"));
    const Outcome second = shop.Window("2026-10-26T09:00:00Z", kAfterTheCrash);
    ASSERT_TRUE(WIFEXITED(second.status) && WEXITSTATUS(second.status) == 0) << second.out;
    EXPECT_EQ(second.out, "shown: 上次程序未正常退出。已从事件日志恢复快照之后的 7 个操作。\n");

    // The same clicks without the crash leave the same day files and the same snapshot.
    Workshop uninterrupted;
    std::string steps = kBeforeTheCrash;
    steps.erase(steps.find("at 2026-10-26T08:45:00Z"));
    const Outcome whole = uninterrupted.Window("2026-03-27T07:00:00Z", steps + kAfterTheCrash);
    ASSERT_TRUE(WIFEXITED(whole.status) && WEXITSTATUS(whole.status) == 0) << whole.out;
    EXPECT_EQ(whole.out, "");
    EXPECT_EQ(Files(shop / "archive"), Files(uninterrupted / "archive"));
    EXPECT_EQ(testing::Slurp(shop / "data" / "temp.sav"),
              testing::Slurp(uninterrupted / "data" / "temp.sav"));

    const Outcome report =
        shop.Report("--by month --from 2026-03-01 --to 2026-10-31 --csv " + (shop / "month.csv").string());
    EXPECT_EQ(report.status, 0) << report.out;
    // Shares are net cutting time over the period's real length, from 27 March, the first day the
    // archive covers: March 5 days less the spring hour (7,140 min), October 31 days and the autumn
    // hour (44,700 min), the whole run 219 days (315,360 min).
    const std::vector<std::string> expected = {
        "机床,期间,件数,加工量平方mm,加工时间,跳步时间,断丝时间,净切割时间,效率平方mm每分钟,切割占比%,"
        "加工小时,跳步小时,断丝小时,净切割小时",
        // 3:20 and 3:00 across the spring change: 10,500 / 380 min = 27.63; 380 / 7,140 = 5.32 %
        "机床1,2026-03,2,10500,6:20:00,0:00:00,0:00:00,6:20:00,27.6,5.3,6.3333,0.0000,0.0000,6.3333",
        // 22:05 CEST to 5:40 CET: 515 min, 15,450 / 515 = 30; 515 / 44,700 = 1.15 %
        "机床1,2026-10,1,15450,8:35:00,0:00:00,0:00:00,8:35:00,30.0,1.2,8.5833,0.0000,0.0000,8.5833",
        // one machine under its new name: 5,000 / 160 min = 31.25 (shown rounded to even); 2.24 %
        "快走丝2,2026-03,1,5000,3:00:00,0:20:00,0:00:00,2:40:00,31.2,2.2,3.0000,0.3333,0.0000,2.6667",
        // 7,200 and the corrected 6,000 over 480 min = 27.5; 1.07 %
        "快走丝2,2026-10,2,13200,8:00:00,0:00:00,0:00:00,8:00:00,27.5,1.1,8.0000,0.0000,0.0000,8.0000",
        // 25 hours: 45,000 / 1,500 min = 30, not 390; 3.36 %
        "机床3,2026-10,1,45000,25:00:00,0:00:00,0:00:00,25:00:00,30.0,3.4,25.0000,0.0000,0.0000,25.0000",
        // 2:25 CEST to 2:15 CET in the repeated hour: 50 min; 0.11 %
        "机床4,2026-10,1,1500,0:50:00,0:00:00,0:00:00,0:50:00,30.0,0.1,0.8333,0.0000,0.0000,0.8333",
        // started before the crash, finished after it: 5,100 / 170 min = 30; 0.38 %
        "机床5,2026-10,1,5100,3:00:00,0:10:00,0:00:00,2:50:00,30.0,0.4,3.0000,0.1667,0.0000,2.8333",
        // finished between the snapshot and the crash: 0.22 %
        "机床6,2026-10,1,3000,1:40:00,0:00:00,0:00:00,1:40:00,30.0,0.2,1.6667,0.0000,0.0000,1.6667",
        "",
        // What makes the estimate, counted from the mount, come out exact: machine 1 6,000 / 210,
        // 4,500 / 190 and 15,450 / 525 min, median 28.57; machine 3 45,000 / 1,510 = 29.80.
        "机床,最近件数,设定效率,估算偏差中位数分钟,使估算准确的效率,净切割效率中位数（钢丝实际）,建议",
        "机床1,3,30,-10.0,28.6,30.0,估算基本准确，建议设定效率 29（使估算与实际完成一致）",
        "快走丝2,3,30,0.0,30.0,30.0,估算基本准确，建议设定效率 30（使估算与实际完成一致）",
        "机床3,1,30,-10.0,29.8,30.0,估算偏短（实际完成较晚），建议设定效率 30（使估算与实际完成一致）",
        "机床4,1,30,-5.0,27.3,30.0,估算基本准确，建议设定效率 27（使估算与实际完成一致）",
        "机床5,1,30,-5.0,29.1,30.0,估算基本准确，建议设定效率 29（使估算与实际完成一致）",
        "机床6,1,30,0.0,30.0,30.0,估算基本准确，建议设定效率 30（使估算与实际完成一致）",
        "",
        // 3,355 min of net cutting in all: 98,750 / 3,355 = 29.43
        "机床,件数,加工量平方mm,净切割小时,跳步和断丝小时,切割占比%,效率平方mm每分钟",
        "机床1,3,25950,14.9,0.0,0.3,29.0",
        "快走丝2,3,18200,10.7,0.3,0.2,28.4",
        "机床3,1,45000,25.0,0.0,0.5,30.0",
        "机床4,1,1500,0.8,0.0,0.0,30.0",
        "机床5,1,5100,2.8,0.2,0.1,30.0",
        "机床6,1,3000,1.7,0.0,0.0,30.0",
        "全厂合计,10,98750,55.9,0.5,0.2,29.4",
    };
    std::string csv = testing::Slurp(shop / "month.csv");
    ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
    EXPECT_EQ(Lines(csv.substr(3)), expected);
    // The correction in the problems list with what was stamped, and nothing else there.
    EXPECT_NE(report.out.find("无法读取的行和文件 (1)\n"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find(": 完成时修改了（原值 → 确认值）：加工量：7200 → 6000\n"), std::string::npos)
        << report.out;

    // The window's own report, the last 30 days by day: the days around the 25-hour job and the
    // 25-hour day itself, its share over 1,500 minutes.
    const std::string page = shop.ProgramReport("2026-10-31T11:00:00Z");
    const std::pair<const char*, const char*> days[] = {
        // 8:10 to midnight, the job finished the next day; 950 / 1,440 min
        {"机床3</td><td>2026-10-20", "0|0|15:50:00|0:00:00|0:00:00|15:50:00||66.0"},
        // midnight to 9:10 and the whole job's efficiency: 45,000 / 1,500 min; 550 / 1,440
        {"机床3</td><td>2026-10-21", "1|45000|9:10:00|0:00:00|0:00:00|9:10:00|30.0|38.2"},
        // 22:05 to midnight; 115 / 1,440
        {"机床1</td><td>2026-10-24", "0|0|1:55:00|0:00:00|0:00:00|1:55:00||8.0"},
        // midnight CEST to 5:40 CET is 6:40; 400 / 1,500
        {"机床1</td><td>2026-10-25", "1|15450|6:40:00|0:00:00|0:00:00|6:40:00|30.0|26.7"},
        {"机床4</td><td>2026-10-25", "1|1500|0:50:00|0:00:00|0:00:00|0:50:00|30.0|3.3"},
    };
    for (const auto& [day, figures] : days) {
        const std::size_t begin = page.find(std::string("<tr><td>") + day + "</td>");
        ASSERT_NE(begin, std::string::npos) << day;
        std::string row = page.substr(begin, page.find("</tr>", begin) - begin);
        row = row.substr(row.find("<td class"));
        for (const std::string tag : {"<td class=\"n\">", "</td>"}) {
            for (std::size_t at; (at = row.find(tag)) != std::string::npos;)
                row.replace(at, tag.size(), tag[1] == '/' ? "|" : "");
        }
        row.pop_back();
        EXPECT_EQ(row, figures) << day;
    }
    EXPECT_NE(page.find("加工量：7200 → 6000"), std::string::npos);
}

}  // namespace
}  // namespace kerfolio
