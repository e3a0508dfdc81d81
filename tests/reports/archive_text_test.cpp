#include "reports/archive_text.h"

#include <gtest/gtest.h>

#include <chrono>

#include "storage/gbk.h"
#include "storage/report_line.h"

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
        // Longer than any report line: listed, and the lines after it still read.
        {"a line too long", a + "\r\n" + std::string(70'000, 'x') + "\r\n" + b, {1, 3}, {2}},
        {"a last line too long", a + "\n" + std::string(70'000, '\xB0'), {1}, {2}},
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

// Files are read through a window, so a line may arrive in pieces, a CR in one and its LF in the next.
TEST(ArchiveTextTest, ReadInPiecesAsWhole) {
    class Collect final : public ArchiveLineSink {
      public:
        void Job(std::size_t lineNumber, const GbkJob& job) override {
            read.push_back(std::to_string(lineNumber) + " " + DecodedJob(job).machine);
        }
        void Problem(std::size_t lineNumber, std::string reason) override {
            read.push_back(std::to_string(lineNumber) + " " + reason);
        }
        std::vector<std::string> read;
    };
    const std::string a = ToGbk(Line(1, "机床1", "9:00:00"));
    const std::string b = ToGbk(Line(2, "机床2", "9:30:00"));
    const std::string bytes = a + "\r\n" + b + "\r\r\n\n" + a + "\r" + std::string(70'000, 'x') + "\n" + b +
                              "\r\nrubbish\r\n\r\n" + a + "\r";
    const std::vector<std::string> expected = {"1 机床1", "2 机床2",
                                               "5 机床1", "6 行过长（超过 64 KB），不是报表行",
                                               "7 机床2", "8 缺少标签 加工量:",
                                               "10 机床1"};
    for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{131},
                                    std::size_t{65'536}, std::size_t{65'537}, bytes.size()}) {
        Collect collect;
        ArchiveScanner scanner(collect);
        std::string held;
        for (std::size_t pos = 0; pos < bytes.size(); pos += piece) {
            held.append(bytes, pos, piece);
            held.erase(0, scanner.Feed(held, pos + piece >= bytes.size()));
            // Never more held than one line a report could read.
            ASSERT_LE(held.size(), ArchiveScanner::kMaxLineBytes + piece) << piece;
        }
        EXPECT_EQ(collect.read, expected) << piece;
    }
}

TEST(ArchiveTextTest, AFileOfRubbishListsItsFirstProblemsAndCountsTheRest) {
    std::string bytes = ToGbk(Line(1, "机床1", "9:00:00")) + "\r\n";
    for (int i = 0; i < 250; ++i)
        bytes += "rubbish\r\n";
    const ArchiveText text = ReadArchiveText(bytes, "f.txt");
    ASSERT_EQ(text.jobs.size(), 1u);
    EXPECT_EQ(text.jobs[0].line, 1u);
    ASSERT_EQ(text.problems.size(), ArchiveScanner::kListedProblems + 1);
    EXPECT_EQ(text.problems[99].line, 101u);
    EXPECT_EQ(text.problems[100].line, 102u);
    EXPECT_EQ(text.problems[100].reason, "从此行起另有 150 行无法读取，不再逐行列出");
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
