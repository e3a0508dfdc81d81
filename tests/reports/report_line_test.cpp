#include "storage/report_line.h"

#include <gtest/gtest.h>

#include "storage/gbk.h"
#include "tests/reports/archive_maker.h"

namespace kerfolio {
namespace {

using testing::Line;
using testing::Replace;

int At(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

// The job of a GBK line, or a failure naming what it read instead.
ArchiveJob JobOf(const std::string& gbkLine) {
    const LineReading reading = ReadReportLine(gbkLine);
    if (const auto* job = std::get_if<GbkJob>(&reading)) return DecodedJob(*job);
    ADD_FAILURE() << FromGbk(gbkLine) << ": "
                  << (std::holds_alternative<LineProblem>(reading) ? std::get<LineProblem>(reading).reason
                                                                   : "blank");
    return {};
}

void ExpectJob(const ArchiveJob& job, const ArchiveJob& expected, const std::string& what) {
    EXPECT_EQ(job.machine, expected.machine) << what;
    EXPECT_EQ(job.workpiece, expected.workpiece) << what;
    EXPECT_EQ(std::vector({job.mount, job.start, job.jump, job.wireBreak, job.finish, job.amount}),
              std::vector({expected.mount, expected.start, expected.jump, expected.wireBreak, expected.finish,
                           expected.amount}))
        << what;
}

TEST(ReportLineTest, WritesTheWorkshopFormat) {
    const CompletionFields fields{"机床3",   "凹模12",  "8:05:12",  "8:20:40",
                                  "0:12:30", "0:00:00", "11:47:05", "1500"};
    EXPECT_EQ(
        BuildReportLine(5, fields),
        "5    机床:机床3   工件名称:凹模12    上机时间:8:05:12    开始加工:8:20:40    跳步时间:0:12:30    "
        "断丝时间:0:00:00    完成时间:11:47:05    加工量:1500");
    EXPECT_EQ(BuildReportLine(12, CompletionFields{}),
              "12    机床:   工件名称:    上机时间:    开始加工:    跳步时间:    断丝时间:    完成时间:    "
              "加工量:");
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
        // Labels of the later fields inside the workpiece, as often as anyone types them.
        {{"机床3", "加工量:加工量:加工量:加工量:加工量:1", "8:00:00", "8:10:00", "0:10:00", "0:00:00",
          "23:59:59", "999999999"},
         {"机床3", "加工量:加工量:加工量:加工量:加工量:1", At(8, 0, 0), At(8, 10, 0), 600, 0, At(23, 59, 59),
          999999999}},
        {{"机床3", "凸模 上机时间:1:00:00 加工量:5", "8:00:00", "8:10:00", "0:10:00", "0:00:00", "9:00:00",
          "$1F"},
         {"机床3", "凸模 上机时间:1:00:00 加工量:5", At(8, 0, 0), At(8, 10, 0), 600, 0, At(9, 0, 0), 31}},
        // The workpiece's label inside the machine's name: the first one ends the machine.
        {{"甲工件名称:乙", "丙", "8:00:00", "8:10:00", "0:10:00", "0:00:00", "9:00:00", "300"},
         {"甲", "乙   工件名称:丙", At(8, 0, 0), At(8, 10, 0), 600, 0, At(9, 0, 0), 300}},
    };
    for (const auto& c : cases) {
        const std::string line = BuildReportLine(17, c.fields);
        ExpectJob(JobOf(ToGbk(line)), c.expected, line);
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
        "3    机床:机床2   工件名称:凹模    上机时间:8:00:00    开始加工:8:10:00    跳步时间:0:10:00    "
        "断丝时间:0:00:00    完成时间: 10:10:00 \t \t加工量: 300",
        "3    机床：机床2   工件名称：凹模    上机时间:8:00:00    开始加工:8:10    跳步时间:0:10    "
        "断丝时间:0:0:0    完成时间：10:10:00    加工量：$12C",
    };
    for (const char* line : lines) {
        const ArchiveJob job = JobOf(ToGbk(line));
        EXPECT_EQ(job.machine, "机床2") << line;
        EXPECT_EQ(job.workpiece, "凹模") << line;
        EXPECT_EQ(job.finish - job.start, 2 * 3600) << line;
        EXPECT_EQ(job.amount, 300) << line;
    }
}

// Damaged bytes decode to U+FFFD inside the character they hit and never make or break a label; a
// byte pairing with a label's first byte hides the label, as the decoded text has no label there.
TEST(ReportLineTest, DamagedBytesStayInTheirCharacter) {
    const std::string plain = Line("机床4", "凹模");
    struct Case {
        const char* what;
        std::string line;
        std::string machine;
        std::string workpiece;
    } cases[] = {
        {"bytes that start no character", Replace(plain, ToGbk("凹模"), "\xFF\x81\x30" + ToGbk("凹模")),
         "机床4",
         "\xEF\xBF\xBD\xEF\xBF\xBD"
         "0凹模"},
        {"trail bytes that look like ASCII",
         Replace(Replace(plain, ToGbk("机床4"), "\x81\x40\x81:"), ToGbk("凹模"), "A\x81\x40"),
         "丂\xEF\xBF\xBD:", "A丂"},
        {"a lead byte alone before the next label", Replace(plain, ToGbk("凹模"), ToGbk("凹模") + "\xB0"),
         "机床4", "凹模\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        const ArchiveJob job = JobOf(c.line);
        EXPECT_EQ(job.machine, c.machine) << c.what;
        EXPECT_EQ(job.workpiece, c.workpiece) << c.what;
        EXPECT_EQ(job.amount, 300) << c.what;
    }
}

TEST(ReportLineTest, LinesThatDoNotReadSayWhy) {
    const std::string good = Line("机床1", "凹模", "10:10:00");
    auto without = [&](const std::string& piece) { return Replace(good, ToGbk(piece), ""); };
    auto replaced = [&](const std::string& from, const std::string& to) {
        return Replace(good, ToGbk(from), ToGbk(to));
    };
    auto split = [&](const std::string& label) { return Replace(good, ToGbk(label), "\xB0" + ToGbk(label)); };
    struct Case {
        std::string line;
        std::string reason;
    } cases[] = {
        {without("加工量:"), "缺少标签 加工量:"},
        {without("跳步时间:"), "缺少标签 跳步时间:"},
        {without("机床:"), "缺少标签 机床:"},
        {without("工件名称:"), "缺少标签 工件名称:"},
        {good.substr(0, good.find(ToGbk("    加工量"))), "缺少标签 加工量:"},
        {ToGbk("上一班的记录"), "缺少标签 加工量:"},
        {":", "缺少标签 加工量:"},
        {"12:00:00", "缺少标签 加工量:"},
        {replaced("10:10:00", "25:10:00"), "时间无法读取 完成时间:25:10:00"},
        {replaced("10:10:00", "24:00:00"), "时间无法读取 完成时间:24:00:00"},
        {replaced("10:10:00", "9:60:00"), "时间无法读取 完成时间:9:60:00"},
        {replaced("10:10:00", "１0:10:00"), "时间无法读取 完成时间:１0:10:00"},
        {Replace(good, "10:10:00", "10:10:0\xFF"), "时间无法读取 完成时间:10:10:0\xEF\xBF\xBD"},
        {replaced("0:10:00", ""), "时间无法读取 跳步时间:"},
        {replaced("8:10:00", "8点10分"), "时间无法读取 开始加工:8点10分"},
        {replaced(":300", ":"), "加工量不是整数 加工量:"},
        {replaced(":300", ":3.5"), "加工量不是整数 加工量:3.5"},
        {replaced(":300", ":3a"), "加工量不是整数 加工量:3a"},
        {replaced(":300", ":2147483648"), "加工量不是整数 加工量:2147483648"},
        {replaced(":300", ":-300"), "加工量为负数 加工量:-300"},
        {replaced("加工量:", "加工量;"), "缺少标签 加工量:"},
        // A byte pairing with a label's first byte: in the text, that label is not there.
        {split("机床:"), "缺少标签 机床:"},
        {split("工件名称:"), "缺少标签 工件名称:"},
        {split("上机时间:"), "缺少标签 上机时间:"},
        {split("完成时间:"), "缺少标签 完成时间:"},
        {split("加工量:"), "缺少标签 加工量:"},
    };
    for (const auto& c : cases) {
        const auto reading = ReadReportLine(c.line);
        ASSERT_TRUE(std::holds_alternative<LineProblem>(reading)) << FromGbk(c.line);
        EXPECT_EQ(std::get<LineProblem>(reading).reason, c.reason) << FromGbk(c.line);
    }
    for (const char* blank : {"", "   ", "\t \r"})
        EXPECT_TRUE(std::holds_alternative<BlankLine>(ReadReportLine(blank)));
}

}  // namespace
}  // namespace kerfolio
