// Replays every input a fuzz target once failed on, and its seeds, through that target's own checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "storage/atomic_file.h"

extern "C" int FuzzSettingsReader(const std::uint8_t* bytes, std::size_t size);
extern "C" int FuzzSnapshotLoader(const std::uint8_t* bytes, std::size_t size);
extern "C" int FuzzStartupReads(const std::uint8_t* bytes, std::size_t size);

namespace kerfolio {
namespace {

int ReplayFolder(const std::filesystem::path& folder, int (*target)(const std::uint8_t*, std::size_t)) {
    int replayed = 0;
    if (!std::filesystem::is_directory(folder)) return replayed;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string bytes;
        if (!ReadWholeFile(entry.path(), bytes)) ADD_FAILURE() << "cannot read " << entry.path();
        SCOPED_TRACE(entry.path().string());
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    return replayed;
}

// The seed corpus goes through the same checks, so the targets' properties hold on realistic files too.
void Replay(const char* target, int (*function)(const std::uint8_t*, std::size_t)) {
    int replayed = ReplayFolder(std::filesystem::path(KERFOLIO_FUZZ_REGRESSIONS) / target, function);
    replayed += ReplayFolder(std::filesystem::path(KERFOLIO_FUZZ_CORPUS) / target, function);
    EXPECT_GT(replayed, 0);
}

TEST(FuzzRegressionTest, SettingsReader) {
    Replay("settings_reader", FuzzSettingsReader);
}

TEST(FuzzRegressionTest, SnapshotLoader) {
    Replay("snapshot_loader", FuzzSnapshotLoader);
}

TEST(FuzzRegressionTest, StartupReads) {
    Replay("startup_reads", FuzzStartupReads);
}

}  // namespace
}  // namespace kerfolio
