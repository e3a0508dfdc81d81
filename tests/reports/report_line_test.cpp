#include "reports/report_line.h"

#include <gtest/gtest.h>

#include "board/completion.h"

namespace kerfolio {
namespace {

int At(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

TEST(ReportLineTest, ReadsWhatTheCompletionWrites) {
    struct Case {
        CompletionFields fields;
        ArchiveJob expected;
    } cases[] = {
        {{"机床3", "凹模12", "8:05:12", "8:20:40", "0:12:30", "0:00:00", "11:47:05", "1500"},
         {"机床3", "凹模12", At(8, 5, 12), At(8, 20, 40), At(0, 12, 30), 0, At(11, 47, 5), 1500}},
        // Blanks, colons and even label-like words inside the names.
        {{"CNC 7", "凸模 A:B 上机时间:x", "23:50:00", "23:55:00", "0:01:00", "0:02:00", "1:10:00", "$10"},
         {"CNC 7", "凸模 A:B 上机时间:x", At(23, 50, 0), At(23, 55, 0), 60, 120, At(1, 10, 0), 16}},
        {{"机床:1", "工件：甲", "0:00:00", "0:00:00", "0:00:00", "0:00:00", "0:00:00", "0"},
         {"机床:1", "工件：甲", 0, 0, 0, 0, 0, 0}},
        {{"", "", "7:00", "7:30", "0:00", "0:00", "9:00", "2147483647"},
         {"", "", At(7, 0, 0), At(7, 30, 0), 0, 0, At(9, 0, 0), 2147483647}},
    };
    for (const auto& c : cases) {
        const std::string line = BuildReportLine(17, c.fields);
        const auto reading = ReadReportLine(line);
        ASSERT_TRUE(std::holds_alternative<ArchiveJob>(reading)) << line;
        const ArchiveJob& job = std::get<ArchiveJob>(reading);
        EXPECT_EQ(job.machine, c.expected.machine) << line;
        EXPECT_EQ(job.workpiece, c.expected.workpiece) << line;
        EXPECT_EQ(job.mount, c.expected.mount) << line;
        EXPECT_EQ(job.start, c.expected.start) << line;
        EXPECT_EQ(job.jump, c.expected.jump) << line;
        EXPECT_EQ(job.wireBreak, c.expected.wireBreak) << line;
        EXPECT_EQ(job.finish, c.expected.finish) << line;
        EXPECT_EQ(job.amount, c.expected.amount) << line;
    }
}

TEST(ReportLineTest, HandEditedLinesStillRead) {
    const char* lines[] = {
        "机床:机床2 工件名称:凹模 上机时间:8:00:00 开始加工:8:10:00 跳步时间:0:10:00 断丝时间:0:00:00 "
        "完成时间:10:10:00 加工量:300",
        "  12\t机床： 机床2\t工件名称： 凹模\t上机时间：8:00:00\t开始加工：8:10:00\t跳步时间：0:10:00\t"
        "断丝时间：0:00:00\t完成时间：10:10:00\t加工量：300  ",
        "3    机床:机床2   工件名称:凹模    上机时间:8:00:00    开始加工:8:10:00    跳步时间:0:10:00    "
        "断丝时间:0:00:00    完成时间:10:10:00    加工量:300\r",
    };
    for (const char* line : lines) {
        const auto reading = ReadReportLine(line);
        ASSERT_TRUE(std::holds_alternative<ArchiveJob>(reading)) << line;
        const ArchiveJob& job = std::get<ArchiveJob>(reading);
        EXPECT_EQ(job.machine, "机床2");
        EXPECT_EQ(job.workpiece, "凹模");
        EXPECT_EQ(job.finish - job.start, 2 * 3600);
        EXPECT_EQ(job.amount, 300);
    }
}

TEST(ReportLineTest, LinesThatDoNotReadSayWhy) {
    const std::string good =
        BuildReportLine(1, {"机床1", "凹模", "8:00:00", "8:10:00", "0:10:00", "0:00:00", "10:10:00", "300"});
    auto without = [&](const std::string& piece) {
        std::string line = good;
        line.erase(line.find(piece), piece.size());
        return line;
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string line = good;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    struct Case {
        std::string line;
        std::string reason;
    } cases[] = {
        {without("加工量:"), "缺少标签 加工量:"},
        {without("跳步时间:"), "缺少标签 跳步时间:"},
        {without("机床:"), "缺少标签 机床:"},
        {without("工件名称:"), "缺少标签 工件名称:"},
        {"上一班的记录", "缺少标签 加工量:"},
        {replaced("10:10:00", "25:10:00"), "时间无法读取 完成时间:25:10:00"},
        {replaced("0:10:00", ""), "时间无法读取 跳步时间:"},
        {replaced("8:10:00", "8点10分"), "时间无法读取 开始加工:8点10分"},
        {replaced(":300", ":"), "加工量不是整数 加工量:"},
        {replaced(":300", ":3.5"), "加工量不是整数 加工量:3.5"},
        {replaced(":300", ":-300"), "加工量为负数 加工量:-300"},
        {replaced("加工量:", "加工量;"), "缺少标签 加工量:"},
    };
    for (const auto& c : cases) {
        const auto reading = ReadReportLine(c.line);
        ASSERT_TRUE(std::holds_alternative<LineProblem>(reading)) << c.line;
        EXPECT_EQ(std::get<LineProblem>(reading).reason, c.reason) << c.line;
    }
    for (const char* blank : {"", "   ", "\t \r"})
        EXPECT_TRUE(std::holds_alternative<BlankLine>(ReadReportLine(blank)));
}

}  // namespace
}  // namespace kerfolio
