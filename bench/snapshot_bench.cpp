// What a full snapshot save costs over the least any atomic save of the same two files must pay:
// writing their final bytes once each. The ratio shows how much the settings rewrite adds.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "storage/atomic_file.h"
#include "storage/data_folder.h"
#include "storage/gbk.h"
#include "storage/profile_text.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio {
namespace {

WorkSnapshot RealisticSnapshot() {
    WorkSnapshot snapshot;
    for (int i = 0; i < 6; ++i) {
        const std::string m = std::to_string(i + 1);
        snapshot.rows[i] = {{"8:0" + m + ":11", "8:3" + m + ":40", "10:1" + m + ":02", "11:0" + m + ":30"},
                            "0:1" + m + ":05",
                            "0:0" + m + ":40",
                            "模具镶块-" + m,
                            "1" + m};
    }
    snapshot.jobCount = 17;
    for (int line = 1; line <= 200; ++line) {
        snapshot.notePad += std::to_string(line) + "  机床" + std::to_string(line % 6 + 1) +
                            "  模具镶块  8:02:11  10:15:40  0:12:05  0:00:40  12\n";
    }
    return snapshot;
}

// A settings file as it looks in the field: options, password and machine records besides the snapshot.
void WriteFieldSettings(const std::filesystem::path& folder) {
    SettingsFile settings(SettingsPath(folder));
    settings.Write("file", "dir", "/srv/records/");
    for (int box = 1; box <= 5; ++box)
        settings.Write("checkbox" + std::to_string(box), "checked", "true");
    settings.Write("time", "time1", "17:30:00");
    settings.Write("enter", "1", "4826");
    std::vector<std::pair<std::string, std::string>> machines;
    for (char machine = 'a'; machine <= 'f'; ++machine) {
        for (int field = 1; field <= 7; ++field) {
            machines.emplace_back(std::string("a") + machine + std::to_string(field),
                                  "参数" + std::to_string(field));
        }
    }
    settings.WriteMany("save", machines);
}

using Clock = std::chrono::steady_clock;
double lastRatio = 0;

void BM_SnapshotVersusBaseline(benchmark::State& state) {
    BenchFolder snapshotFolder;
    BenchFolder baselineFolder;
    const WorkSnapshot snapshot = RealisticSnapshot();
    WriteFieldSettings(snapshotFolder.Path());
    WriteFieldSettings(baselineFolder.Path());
    SaveWorkSnapshot(snapshotFolder.Path(), snapshot);
    std::string settingsBytes;
    std::string notePadBytes;
    ReadWholeFile(SettingsPath(snapshotFolder.Path()), settingsBytes);
    ReadWholeFile(NotePadPath(snapshotFolder.Path()), notePadBytes);

    Clock::duration snapshotTime{};
    Clock::duration baselineTime{};
    for (auto _ : state) {
        // Interleaved, so both see the same disk weather.
        auto start = Clock::now();
        if (SaveWorkSnapshot(snapshotFolder.Path(), snapshot)) state.SkipWithError("snapshot save failed");
        auto middle = Clock::now();
        if (!WriteFileAtomically(NotePadPath(baselineFolder.Path()), notePadBytes) ||
            !WriteFileAtomically(SettingsPath(baselineFolder.Path()), settingsBytes)) {
            state.SkipWithError("baseline write failed");
        }
        auto end = Clock::now();
        snapshotTime += middle - start;
        baselineTime += end - middle;
    }
    const double iterations = static_cast<double>(state.iterations());
    lastRatio = std::chrono::duration<double>(snapshotTime) / std::chrono::duration<double>(baselineTime);
    state.counters["snapshot_us"] =
        std::chrono::duration<double, std::micro>(snapshotTime).count() / iterations;
    state.counters["baseline_us"] =
        std::chrono::duration<double, std::micro>(baselineTime).count() / iterations;
    state.counters["ratio"] = lastRatio;
}
BENCHMARK(BM_SnapshotVersusBaseline);

// The part that does not touch the disk: encoding the NotePad and applying the 49 keys to save.ini.
void BM_SnapshotInMemory(benchmark::State& state) {
    BenchFolder folder;
    WriteFieldSettings(folder.Path());
    const WorkSnapshot snapshot = RealisticSnapshot();
    SaveWorkSnapshot(folder.Path(), snapshot);
    std::string settingsBytes;
    ReadWholeFile(SettingsPath(folder.Path()), settingsBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(NotePadFileBytes(snapshot.notePad));
        std::string bytes = settingsBytes;
        for (const auto& [key, value] : SnapshotKeys(snapshot))
            bytes = SetProfileValue(bytes, "save", key, ToGbk(value));
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_SnapshotInMemory);

}  // namespace
}  // namespace kerfolio

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("snapshot/baseline ratio: %.3f\n", kerfolio::lastRatio);
    return 0;
}
