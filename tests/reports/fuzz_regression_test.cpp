// Replays the report-line fuzz target's seeds through its own checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "storage/atomic_file.h"

extern "C" int FuzzReportLine(const std::uint8_t* bytes, std::size_t size);
extern "C" int FuzzArchiveReport(const std::uint8_t* bytes, std::size_t size);

namespace kerfolio {
namespace {

void ReplaySeeds(const char* target, int (*function)(const std::uint8_t*, std::size_t)) {
    int replayed = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(KERFOLIO_FUZZ_CORPUS) / target)) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(entry.path(), bytes));
        SCOPED_TRACE(entry.path().string());
        function(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

TEST(ReportLineFuzzRegressionTest, SeedsPassTheTargetsChecks) {
    ReplaySeeds("report_line", FuzzReportLine);
}

TEST(ArchiveReportFuzzRegressionTest, SeedsPassTheTargetsChecks) {
    ReplaySeeds("archive_report", FuzzArchiveReport);
}

}  // namespace
}  // namespace kerfolio
