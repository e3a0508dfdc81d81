// What the real main window costs a whole process, from the spawn to the first exposed and painted
// window, over a bare window with the same widget kinds and counts: wall time and peak resident
// memory. Both run as window_probe children, interleaved, so both see the same machine load. The real
// window starts on one temporary data folder, so after the first run every start is an ordinary one
// that finds its save.ini, as on any working day.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildRun {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

long long MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

class DataFolder {
  public:
    explicit DataFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "kerfolio-window-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~DataFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// Runs "window_probe plain" or "window_probe form FOLDER"; the probe writes the moment its window was
// shown, and the child's rusage gives its peak resident size.
ChildRun RunProbe(const char* which, const std::string& folder = {}) {
    std::string program = KERFOLIO_WINDOW_PROBE;
    std::string argument = which;
    std::string folderArgument = folder;
    char* argv[] = {program.data(), argument.data(), folder.empty() ? nullptr : folderArgument.data(),
                    nullptr};
    ChildRun run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const long long start = MonotonicNanoseconds();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string output;
    char buffer[64];
    for (ssize_t n; spawned == 0 && (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    const long long shown = std::atoll(output.c_str());
    run.seconds = static_cast<double>(shown - start) / 1e9;
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && shown > start;
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double startUpRatio = 0;
double memoryRatio = 0;
bool probeFailed = false;  // a probe that cannot show its window fails the run, whatever the timings

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

// Starts the bare and the real window in turn, once per iteration, and compares what pick reads of
// each run.
template <typename Pick>
void CompareProbes(benchmark::State& state, Pick pick, const char* unit, double& ratio) {
    const DataFolder folder;
    std::vector<double> form;
    std::vector<double> plain;
    for (auto _ : state) {
        const ChildRun bare = RunProbe("plain");
        const ChildRun real = RunProbe("form", folder.Path());
        if (!bare.ok || !real.ok) {
            probeFailed = true;
            state.SkipWithError("window_probe failed");
            return;
        }
        plain.push_back(pick(bare));
        form.push_back(pick(real));
    }
    Report(state, form, plain, unit, ratio);
}

void BM_StartUpVersusPlainWindow(benchmark::State& state) {
    CompareProbes(
        state, [](const ChildRun& run) { return run.seconds * 1000; }, "ms", startUpRatio);
}
BENCHMARK(BM_StartUpVersusPlainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakMemoryVersusPlainWindow(benchmark::State& state) {
    CompareProbes(
        state, [](const ChildRun& run) { return run.peakMiB; }, "MiB", memoryRatio);
}
BENCHMARK(BM_PeakMemoryVersusPlainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Headless unless the caller chose a platform on purpose.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A desktop session gives every program a runtime folder in memory, where the single-instance lock
    // lives; without one (a build machine), the probes get one of their own in memory too.
    std::unique_ptr<DataFolder> runtimeFolder;
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr && std::filesystem::is_directory("/dev/shm")) {
        runtimeFolder = std::make_unique<DataFolder>("/dev/shm");
        if (!runtimeFolder->Path().empty()) setenv("XDG_RUNTIME_DIR", runtimeFolder->Path().c_str(), 1);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("start-up form/plain ratio: %.3f\npeak memory form/plain ratio: %.3f\n", startUpRatio,
                memoryRatio);
    return probeFailed ? 1 : 0;
}
