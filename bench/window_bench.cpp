// What the real main window costs a whole process, from exec to the first exposed window, over a
// bare window with the same widget kinds and counts: wall time and peak resident memory. Both run as
// window_probe children, interleaved, so both see the same machine load.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildRun {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

ChildRun RunProbe(const char* which) {
    std::string program = KERFOLIO_WINDOW_PROBE;
    std::string argument = which;
    char* argv[] = {program.data(), argument.data(), nullptr};
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double startUpRatio = 0;
double memoryRatio = 0;

// The median per process, because one child that the scheduler puts aside must not decide the ratio.
void Report(benchmark::State& state, const std::vector<double>& form, const std::vector<double>& plain,
            const char* unit, double& ratio) {
    const double formMedian = Median(form);
    const double plainMedian = Median(plain);
    ratio = plainMedian > 0 ? formMedian / plainMedian : 0;
    state.counters[std::string("form_") + unit] = formMedian;
    state.counters[std::string("plain_") + unit] = plainMedian;
    state.counters["ratio"] = ratio;
}

void BM_StartUpVersusPlainWindow(benchmark::State& state) {
    std::vector<double> form;
    std::vector<double> plain;
    for (auto _ : state) {
        const ChildRun bare = RunProbe("plain");
        const ChildRun real = RunProbe("form");
        if (!bare.ok || !real.ok) {
            state.SkipWithError("window_probe failed");
            return;
        }
        plain.push_back(bare.seconds * 1000);
        form.push_back(real.seconds * 1000);
    }
    Report(state, form, plain, "ms", startUpRatio);
}
BENCHMARK(BM_StartUpVersusPlainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakMemoryVersusPlainWindow(benchmark::State& state) {
    std::vector<double> form;
    std::vector<double> plain;
    for (auto _ : state) {
        const ChildRun bare = RunProbe("plain");
        const ChildRun real = RunProbe("form");
        if (!bare.ok || !real.ok) {
            state.SkipWithError("window_probe failed");
            return;
        }
        plain.push_back(bare.peakMiB);
        form.push_back(real.peakMiB);
    }
    Report(state, form, plain, "MiB", memoryRatio);
}
BENCHMARK(BM_PeakMemoryVersusPlainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Headless unless the caller chose a platform on purpose.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("start-up form/plain ratio: %.3f\npeak memory form/plain ratio: %.3f\n", startUpRatio,
                memoryRatio);
    return 0;
}
