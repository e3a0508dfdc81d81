#include "reports/archive_text.h"

#include <gtest/gtest.h>

#include <chrono>

#include "board/completion.h"
#include "storage/gbk.h"

namespace kerfolio {
namespace {

std::string Line(int number, const std::string& machine, const std::string& finish) {
    return BuildReportLine(number,
                           {machine, "凹模", "8:00:00", "8:10:00", "0:10:00", "0:00:00", finish, "300"});
}

TEST(ArchiveTextTest, EveryLineEndAndDamageReads) {
    const std::string a = ToGbk(Line(1, "机床1", "9:00:00"));
    const std::string b = ToGbk(Line(2, "机床2", "9:30:00"));
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::size_t> jobLines;
        std::vector<std::size_t> problemLines;
    } cases[] = {
        {"CR LF", a + "\r\n" + b + "\r\n", {1, 2}, {}},
        {"LF only, no final break", a + "\n" + b, {1, 2}, {}},
        {"CR only", a + "\r" + b + "\r", {1, 2}, {}},
        {"blank lines keep their numbers", "\r\n" + a + "\r\n\r\nrubbish\r\n" + b, {2, 5}, {4}},
        {"CR CR LF is an empty line between", a + "\r\r\nrubbish", {1}, {3}},
        {"invalid GBK inside a name",
         ToGbk(Line(1, "机床\x01", "9:00:00")) + "\r\n" + std::string("\xFF\x81\x20") + b,
         {1, 2},
         {}},
        {"invalid GBK inside a label",
         std::string("1    \x81\x30\xFF") + b.substr(b.find(ToGbk("   工件名称"))),
         {},
         {1}},
        {"empty file", "", {}, {}},
    };
    for (const auto& c : cases) {
        const ArchiveText text = ReadArchiveText(c.bytes, "f.txt");
        std::vector<std::size_t> jobLines;
        for (const auto& job : text.jobs)
            jobLines.push_back(job.line);
        EXPECT_EQ(jobLines, c.jobLines) << c.what;
        std::vector<std::size_t> lines;
        for (const auto& problem : text.problems) {
            EXPECT_EQ(problem.file, "f.txt");
            lines.push_back(problem.line);
        }
        EXPECT_EQ(lines, c.problemLines) << c.what;
    }
}

TEST(ArchiveTextTest, InvalidBytesBecomeReplacementCharactersInNames) {
    const std::string bytes = ToGbk("1    机床:机床1   工件名称:") + "\xFF" +
                              ToGbk(
                                  "凹模    上机时间:8:00:00    开始加工:8:10:00    跳步时间:0:00:00    "
                                  "断丝时间:0:00:00    完成时间:9:00:00    加工量:5");
    const ArchiveText text = ReadArchiveText(bytes, "f.txt");
    ASSERT_EQ(text.jobs.size(), 1u);
    EXPECT_EQ(text.jobs[0].workpiece, "\xEF\xBF\xBD凹模");
}

TEST(ArchiveTextTest, ATenMegabyteFileReadsQuickly) {
    const std::string line = ToGbk(Line(1, "机床 3", "23:59:59")) + "\r\n";
    std::string bytes;
    while (bytes.size() < 10'000'000)
        bytes += line;
    bytes += "broken line at the end";
    const std::size_t lines = bytes.size() / line.size() + 1;
    const auto start = std::chrono::steady_clock::now();
    const ArchiveText text = ReadArchiveText(bytes, "big.txt");
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(text.jobs.size(), lines - 1);
    ASSERT_EQ(text.problems.size(), 1u);
    EXPECT_EQ(text.problems[0].line, lines);
    EXPECT_LT(seconds, 5.0);
}

}  // namespace
}  // namespace kerfolio
