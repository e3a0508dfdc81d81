// The shortcut for lines as the program writes them must read what the decoded line reads, take the
// lines the program writes, and leave every other line to the readers behind it.
#include <gtest/gtest.h>

#include "reports/archive_text.h"
#include "reports/gbk_line.h"
#include "storage/gbk.h"
#include "tests/reports/archive_maker.h"

namespace kerfolio {
namespace {

using testing::Line;
using testing::Replace;

TEST(WrittenLineTest, TakesWrittenLinesAndReadsThemAsDecoded) {
    const std::string plain = Line("机床1", "凹模");
    struct Case {
        const char* what;
        std::string line;
        bool shortcut;
    } cases[] = {
        {"as written", plain, true},
        {"two-digit hours and a nine-digit amount", Line("机床2", "甲", "23:59:59", "999999999"), true},
        {"blanks, colons and labels in the workpiece", Line("CNC 7", "凸模 A:B 上机时间:1:00:00 加工量:5"),
         true},
        {"the workpiece's label inside the machine's name", Line("甲工件名称:乙", "丙"), true},
        {"GBK trail bytes that look like ASCII in names",
         Replace(Replace(plain, ToGbk("机床1"), "\x81\x40\x81:"), ToGbk("凹模"), "A\x81\x7E"), true},
        {"tabs and more blanks between fields", Replace(plain, ToGbk("    完成时间"), ToGbk("\t \t完成时间")),
         true},
        {"blanks around the line", "  " + plain + " \t", true},
        // What the shortcut leaves to the readers behind it.
        {"ten-digit amount", Line("机床3", "乙", "9:00:00", "2147483647"), false},
        {"amount over the 32-bit range", Line("机床3", "乙", "9:00:00", "2147483648"), false},
        {"hex amount", Line("机床3", "乙", "9:00:00", "$1F"), false},
        {"short time", Line("机床3", "乙", "7:05"), false},
        {"hour 24", Line("机床3", "乙", "24:00:00"), false},
        {"minute 60", Line("机床3", "乙", "9:60:00"), false},
        {"blank after the colon", Replace(plain, ToGbk("完成时间:9"), ToGbk("完成时间: 9")), false},
        {"full-width colon after a figure's label", Replace(plain, ToGbk("完成时间:"), ToGbk("完成时间：")),
         false},
        {"full-width colon after the machine's label", Replace(plain, ToGbk("机床:"), ToGbk("机床：")),
         false},
        {"full-width colon after the workpiece's label",
         Replace(plain, ToGbk("工件名称:"), ToGbk("工件名称：")), false},
        {"label split across characters", Replace(plain, ToGbk("完成时间:"), "\xB0" + ToGbk("完成时间:")),
         false},
        {"workpiece ending in a lead byte against the next label",
         Replace(plain, ToGbk("凹模    上机时间"), ToGbk("凹模") + "\xB0" + ToGbk("上机时间")), false},
        {"machine label split across characters", Replace(plain, ToGbk("机床:"), "\xB0" + ToGbk("机床:")),
         false},
        {"amount missing", plain.substr(0, plain.find(ToGbk("    加工量"))), false},
        {"workpiece label missing", Replace(plain, ToGbk("工件名称:"), "W:"), false},
        {"a bare colon", ":", false},
        {"digits only", "12:00:00", false},
    };
    for (const auto& c : cases) {
        const auto written = ReadWrittenGbkFields(c.line);
        EXPECT_EQ(written.has_value(), c.shortcut) << c.what;
        const LineReading expected = ReadReportLine(DecodeGbkCharacters(c.line));
        const ArchiveText text = ReadArchiveText(c.line, "f.txt");
        if (const auto* job = std::get_if<ArchiveJob>(&expected)) {
            ASSERT_EQ(text.jobs.size(), 1u) << c.what;
            std::vector<ArchiveJob> reads{text.jobs[0]};
            if (written) reads.push_back(DecodedJob(*written));
            for (const ArchiveJob& read : reads) {
                EXPECT_EQ(read.machine, job->machine) << c.what;
                EXPECT_EQ(read.workpiece, job->workpiece) << c.what;
                EXPECT_EQ(std::vector(
                              {read.mount, read.start, read.jump, read.wireBreak, read.finish, read.amount}),
                          std::vector(
                              {job->mount, job->start, job->jump, job->wireBreak, job->finish, job->amount}))
                    << c.what;
            }
        } else {
            EXPECT_FALSE(written.has_value()) << c.what;
            EXPECT_TRUE(text.jobs.empty()) << c.what;
            EXPECT_EQ(text.problems.size(), std::holds_alternative<LineProblem>(expected) ? 1u : 0u)
                << c.what;
        }
    }
}

}  // namespace
}  // namespace kerfolio
