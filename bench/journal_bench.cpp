// One event's commit against the floor any durable record pays: one atomic write (temporary file,
// fsync, rename) of a small file in the same folder. Interleaved, so both meet the same disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_folder.h"
#include "journal/board_events.h"
#include "journal/journal.h"
#include "journal/journal_schema.h"
#include "storage/atomic_file.h"

namespace kerfolio {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kEvents = 1000;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

template <typename Work>
double Microseconds(Work work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void BM_EventCommitAgainstAtomicWrite(benchmark::State& state) {
    for (auto _ : state) {
        BenchFolder folder;
        journal::Journal journal(folder.Path());
        TJobBoard board;
        board.SetCaption(1, "机床1");
        const std::int64_t base = 1'780'000'000'000;
        if (!journal.Open({base, 28'800})) state.SkipWithError(journal.LastError().c_str());
        // A small file such as a settings rewrite: about the size of an event row.
        const std::string small(200, 'x');
        std::vector<double> commit, atomic;
        for (int i = 0; i < kEvents; ++i) {
            const journal::Stamp stamp{base + i * 60'000, 28'800};
            const auto kind = i % 2 == 0 ? ecJumpStart : ecJumpEnd;
            board.SetPendingEvent({.EventTime = journal::LocalDateTime(stamp)});
            commit.push_back(
                Microseconds([&] { journal.Append(journal::ColumnEvent(board, 1, kind, stamp)); }));
            atomic.push_back(Microseconds([&] { WriteFileAtomically(folder.Path() / "small.txt", small); }));
        }
        const double medianRatio = Percentile(commit, 0.5) / Percentile(atomic, 0.5);
        const double p99Ratio = Percentile(commit, 0.99) / Percentile(atomic, 0.99);
        journal.Close();  // the last connection checkpoints the WAL into the database
        const auto bytes = std::filesystem::file_size(folder.Path() / journal::kFileName);
        state.counters["commit_median_us"] = Percentile(commit, 0.5);
        state.counters["atomic_median_us"] = Percentile(atomic, 0.5);
        state.counters["commit_p99_us"] = Percentile(commit, 0.99);
        state.counters["atomic_p99_us"] = Percentile(atomic, 0.99);
        state.counters["median_ratio"] = medianRatio;
        state.counters["p99_ratio"] = p99Ratio;
        state.counters["bytes_per_event"] = static_cast<double>(bytes) / kEvents;
        std::printf(
            "journal: commit/atomic write median %.2fx, p99 %.2fx (goal <= 1.2x); %.0f bytes per event\n",
            medianRatio, p99Ratio, static_cast<double>(bytes) / kEvents);
    }
}
BENCHMARK(BM_EventCommitAgainstAtomicWrite)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kerfolio

BENCHMARK_MAIN();
