#include "reports/gbk_line.h"

#include <gtest/gtest.h>

#include "reports/archive_text.h"
#include "storage/gbk.h"
#include "tests/reports/archive_maker.h"

namespace kerfolio {
namespace {

using testing::Line;
using testing::Replace;

// The archive reader works on GBK bytes and takes a shortcut for plain lines; whatever a line holds, it
// must say what reading the decoded line says.
TEST(GbkLineTest, ReadsAsTheDecodedLineReads) {
    const std::string plain = Line("机床1", "凹模");
    // 0xB0 pairs with the label's first byte, so "机床:" stands in the bytes but not in the text.
    const std::string splitMachine = Replace(plain, ToGbk("机床:"), "\xB0" + ToGbk("机床:"));
    const std::string splitFinish = Replace(plain, ToGbk("完成时间:"), "\xB0" + ToGbk("完成时间:"));
    struct Case {
        const char* what;
        std::string line;
        bool shortcut;  // a plain line must not need the decoded reading, or reports slow down
    } cases[] = {
        {"as written", plain, true},
        {"blanks and colons in names", Line("CNC 7", "凸模 A:B 上机时间:x"), true},
        {"full-width colons",
         Replace(Replace(plain, ToGbk("完成时间:"), ToGbk("完成时间：")), ToGbk("机床:"), ToGbk("机床：")),
         true},
        {"short times and a hex amount", Line("机床2", "甲", "7:05", "$1F"), true},
        {"two-digit hours", Line("机床2", "甲", "23:59:59"), true},
        {"a label many times in a name", Line("机床3", "加工量:加工量:加工量:加工量:加工量:1"), false},
        {"invalid GBK in names",
         Replace(Line("机床4", "凹模"), ToGbk("凹模"), "\xFF\x81\x30" + ToGbk("凹模")), true},
        {"machine label split across characters", splitMachine, false},
        {"finish label split across characters", splitFinish, false},
        {"machine label missing", Replace(plain, ToGbk("机床:"), "X:"), false},
        {"full-width digits", Replace(plain, "9:00:00", ToGbk("９:00:00")), false},
        {"hour 24", Replace(plain, "9:00:00", "24:00:00"), false},
        {"negative amount", Line("机床5", "乙", "9:00:00", "-3"), false},
        {"amount with a letter", Line("机床5", "乙", "9:00:00", "3a"), false},
    };
    for (const auto& c : cases) {
        const LineReading expected = ReadReportLine(DecodeGbkCharacters(c.line));
        const ArchiveText text = ReadArchiveText(c.line, "f.txt");
        EXPECT_EQ(ReadPlainGbkLine(c.line).has_value(), c.shortcut) << c.what;
        if (const auto* job = std::get_if<ArchiveJob>(&expected)) {
            ASSERT_EQ(text.jobs.size(), 1u) << c.what;
            const ArchiveJob& read = text.jobs[0];
            EXPECT_EQ(read.machine, job->machine) << c.what;
            EXPECT_EQ(read.workpiece, job->workpiece) << c.what;
            EXPECT_EQ(
                std::vector({read.mount, read.start, read.jump, read.wireBreak, read.finish, read.amount}),
                std::vector({job->mount, job->start, job->jump, job->wireBreak, job->finish, job->amount}))
                << c.what;
        } else {
            ASSERT_EQ(text.problems.size(), 1u) << c.what;
            EXPECT_EQ(text.problems[0].reason, std::get<LineProblem>(expected).reason) << c.what;
        }
    }
}

TEST(GbkLineTest, LabelsSplitAcrossCharactersAreNotLabels) {
    const std::string plain = Line("机床1", "凹模");
    const struct {
        std::string label;
        std::string reason;
    } cases[] = {
        {"机床:", "缺少标签 机床:"}, {"完成时间:", "缺少标签 完成时间:"}, {"加工量:", "缺少标签 加工量:"}};
    for (const auto& c : cases) {
        const ArchiveText text =
            ReadArchiveText(Replace(plain, ToGbk(c.label), "\xB0" + ToGbk(c.label)), "f.txt");
        EXPECT_TRUE(text.jobs.empty()) << c.label;
        ASSERT_EQ(text.problems.size(), 1u) << c.label;
        EXPECT_EQ(text.problems[0].reason, c.reason);
    }
}

}  // namespace
}  // namespace kerfolio
