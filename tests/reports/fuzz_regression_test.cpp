// Replays the report-line fuzz target's seeds through its own checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "storage/atomic_file.h"

extern "C" int FuzzReportLine(const std::uint8_t* bytes, std::size_t size);

namespace kerfolio {
namespace {

TEST(ReportLineFuzzRegressionTest, SeedsPassTheTargetsChecks) {
    int replayed = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(KERFOLIO_FUZZ_CORPUS) / "report_line")) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(entry.path(), bytes));
        SCOPED_TRACE(entry.path().string());
        FuzzReportLine(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace kerfolio
