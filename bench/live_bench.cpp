// The live board's /board.json against the very same bytes served as a static file by the same HTTP
// library in the same run: requests per second and 99th-percentile latency over a kept-alive loopback
// connection. The goal is /board.json within twice the static file's cost. Also what building a view and
// rendering it costs, which is the window's share.
//
// "live_bench --serve-sample PORT SECONDS" serves the sample board on 127.0.0.1:PORT instead, for a
// browser or a screenshot.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_folder.h"
#include "bench/live_sample.h"
#include "live/live_server.h"
#include "live/view_html.h"
#include "live/view_json.h"

namespace {

using namespace kerfolio;
using Clock = std::chrono::steady_clock;

constexpr TDateTime kDay = 46364;  // 2026-12-08

std::shared_ptr<const live::View> SampleView() {
    const TJobBoard board = SampleBoard(kDay);
    const std::array<std::string, kMachineCount> efficiencies = {"30", "25", "40", "0", "30", "30"};
    return live::BuildView(board, efficiencies, SampleNotePad(40), kDay + ParseTimeText("9:20:05"), 480);
}

// Both servers, started once for the whole run.
struct Servers {
    Servers() {
        view = SampleView();
        live.Publish(view);
        if (live.Start({"127.0.0.1", 0, "127.0.0.1:0"})) std::abort();
        std::ofstream(folder.Path() / "board.json", std::ios::binary) << live::RenderJson(*view);
        plain.set_mount_point("/", folder.Path().string());
        plain.set_tcp_nodelay(true);  // as the live server's connections
        plainPort = plain.bind_to_any_port("127.0.0.1");
        plainThread = std::thread([this] { plain.listen_after_bind(); });
        while (!plain.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Servers() {
        plain.stop();
        plainThread.join();
    }
    std::shared_ptr<const live::View> view;
    BenchFolder folder;
    live::LiveServer live{""};
    httplib::Server plain;
    int plainPort = 0;
    std::thread plainThread;
};

Servers& Both() {
    static Servers servers;
    return servers;
}

void Fetch(benchmark::State& state, int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    std::vector<double> micros;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto result = client.Get("/board.json");
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (!result || result->status != 200) {
            state.SkipWithError("request failed");
            return;
        }
        bytes += result->body.size();
    }
    std::sort(micros.begin(), micros.end());
    state.counters["p99_us"] = micros.empty() ? 0 : micros[micros.size() * 99 / 100];
    state.counters["p50_us"] = micros.empty() ? 0 : micros[micros.size() / 2];
    state.counters["requests_per_s"] =
        benchmark::Counter(static_cast<double>(micros.size()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_BoardJson(benchmark::State& state) {
    Fetch(state, Both().live.Port());
}
BENCHMARK(BM_BoardJson)->UseRealTime();

void BM_StaticFileSameBytes(benchmark::State& state) {
    Fetch(state, Both().plainPort);
}
BENCHMARK(BM_StaticFileSameBytes)->UseRealTime();

// What the window pays at every tick and change: building the view.
void BM_BuildView(benchmark::State& state) {
    const TJobBoard board = SampleBoard(kDay);
    const std::array<std::string, kMachineCount> efficiencies = {"30", "25", "40", "0", "30", "30"};
    const auto today = SampleNotePad(40);
    for (auto _ : state)
        benchmark::DoNotOptimize(live::BuildView(board, efficiencies, today, kDay + 0.4, 480));
}
BENCHMARK(BM_BuildView);

// What the server pays once per published view.
void BM_RenderJsonAndPage(benchmark::State& state) {
    const auto view = SampleView();
    for (auto _ : state) {
        benchmark::DoNotOptimize(live::RenderJson(*view));
        benchmark::DoNotOptimize(live::RenderHtml(*view));
    }
}
BENCHMARK(BM_RenderJsonAndPage);

int ServeSample(int port, int seconds) {
    live::LiveServer server("");
    server.Publish(SampleView());
    if (const auto error = server.Start({"127.0.0.1", port, "127.0.0.1"})) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    std::printf("serving the sample board on http://127.0.0.1:%d/ for %d s\n", server.Port(), seconds);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--serve-sample") == 0)
        return ServeSample(std::atoi(argv[2]), std::atoi(argv[3]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
