// The live board's server under the clients an office network brings, each figure against a baseline
// measured in the same run:
//  - a third viewer's p99 for /board.json beside idle browser sockets (kept-alive and preconnected) and
//    twenty clients that send a byte a second, as a ratio to the quiet p99 (goal: within 2x);
//  - 1,000 connection attempts at once: how many are neither answered nor refused after 2 s (goal: 0);
//  - the process's RSS after eight clients that ask for thousands of ranges and never read (goal: less
//    than 10 MB above before).
// Also what building a view and rendering it costs, which is the window's share.
//
// "live_bench --serve-sample PORT SECONDS" serves the sample board on 127.0.0.1:PORT instead, for a
// browser or a screenshot.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/live_sample.h"
#include "live/live_server.h"
#include "live/view_html.h"
#include "live/view_json.h"
#include "tests/live/raw_client.h"

namespace {

using namespace kerfolio;
using live::testing::RawClient;
using Clock = std::chrono::steady_clock;

constexpr TDateTime kDay = 46364;  // 2026-12-08

std::shared_ptr<const live::View> SampleView() {
    const TJobBoard board = SampleBoard(kDay);
    const std::array<std::string, kMachineCount> efficiencies = {"30", "25", "40", "0", "30", "30"};
    return live::BuildView(board, efficiencies, SampleNotePad(40), kDay + ParseTimeText("9:20:05"), 28800);
}

struct Served {
    Served() {
        server.Publish(SampleView());
        if (server.Start({"127.0.0.1", 0, "127.0.0.1:0"})) std::abort();
    }
    live::LiveServer server{""};
    int Port() const { return server.Port(); }
};

double Percentile(std::vector<double> values, int percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * static_cast<std::size_t>(percent) / 100)];
}

// Times /board.json for a viewer that opens a connection per request; an unanswered request counts as
// its whole wait (10 s). Stops early once the budget is spent.
std::vector<double> ViewerMillis(int port, int requests, std::chrono::seconds budget, int& failed) {
    std::vector<double> millis;
    const auto end = Clock::now() + budget;
    for (int i = 0; i < requests && Clock::now() < end; ++i) {
        const auto start = Clock::now();
        RawClient client(port, 10'000);
        client.Send("GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        const auto answer = live::testing::Parse(client.ReceiveAll(), client.ClosedByServer());
        if (answer.status != 200) ++failed;
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return millis;
}

// Two browser windows (each a kept-alive connection after its page and three preconnected sockets),
// twenty clients that send one byte a second, and a third viewer beside them.
void BM_ThirdViewerBesideIdleAndSlowClients(benchmark::State& state) {
    Served served;
    for (auto _ : state) {
        int quietFailed = 0;
        const std::vector<double> quiet =
            ViewerMillis(served.Port(), 200, std::chrono::seconds(20), quietFailed);

        std::vector<std::unique_ptr<RawClient>> idle;
        for (int window = 0; window < 2; ++window) {
            idle.push_back(std::make_unique<RawClient>(served.Port(), 2000));
            idle.back()->Send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            char buffer[65536];
            [[maybe_unused]] const ssize_t got = ::recv(idle.back()->Fd(), buffer, sizeof buffer, 0);
            for (int preconnect = 0; preconnect < 3; ++preconnect)
                idle.push_back(std::make_unique<RawClient>(served.Port()));
        }
        std::atomic<bool> stop{false};
        std::thread slow([&] {
            std::vector<std::unique_ptr<RawClient>> clients;
            for (int i = 0; i < 20; ++i)
                clients.push_back(std::make_unique<RawClient>(served.Port()));
            const std::string request = "GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            for (std::size_t at = 0; !stop && at < request.size(); ++at) {
                for (auto& client : clients)
                    client->Send(request.substr(at, 1));
                for (int tenth = 0; tenth < 10 && !stop; ++tenth)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int loadFailed = 0;
        const std::vector<double> loaded =
            ViewerMillis(served.Port(), 60, std::chrono::seconds(40), loadFailed);
        stop = true;
        slow.join();

        const double quietP99 = Percentile(quiet, 99);
        const double loadedP99 = Percentile(loaded, 99);
        state.counters["quiet_p99_ms"] = quietP99;
        state.counters["loaded_p99_ms"] = loadedP99;
        state.counters["loaded_p50_ms"] = Percentile(loaded, 50);
        state.counters["p99_ratio"] = quietP99 > 0 ? loadedP99 / quietP99 : 0;
        state.counters["loaded_requests"] = static_cast<double>(loaded.size());
        state.counters["loaded_failed"] = loadFailed;
        state.counters["quiet_failed"] = quietFailed;
    }
}
BENCHMARK(BM_ThirdViewerBesideIdleAndSlowClients)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// 1,000 connection attempts at once, each sending a request: how many neither got an answer nor were
// refused (reset or closed) within 2 s.
void BM_ThousandConnectionsAtOnce(benchmark::State& state) {
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
    Served served;
    constexpr int kAttempts = 1000;
    const std::string request = "GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    for (auto _ : state) {
        std::vector<pollfd> fds(kAttempts);
        std::vector<int> phase(kAttempts, 0);  // 0 connecting, 1 sent, 2 settled
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<unsigned short>(served.Port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const auto start = Clock::now();
        int answered = 0, refused = 0;
        for (auto& fd : fds) {
            fd.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            fd.events = POLLOUT;
            if (::connect(fd.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
                errno != EINPROGRESS) {
                ++refused;
                phase[static_cast<std::size_t>(&fd - fds.data())] = 2;
                fd.events = 0;
            }
        }
        std::vector<double> settledMs;
        while (Clock::now() - start < std::chrono::seconds(2) && answered + refused < kAttempts) {
            if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (phase[i] == 2 || fds[i].revents == 0) continue;
                const bool failed = (fds[i].revents & (POLLERR | POLLHUP)) != 0 && phase[i] == 0;
                if (!failed && phase[i] == 0) {
                    [[maybe_unused]] const ssize_t sent =
                        ::send(fds[i].fd, request.data(), request.size(), MSG_NOSIGNAL);
                    phase[i] = 1;
                    fds[i].events = POLLIN;
                    continue;
                }
                char buffer[512];
                const ssize_t got = failed ? -1 : ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (got < 0 && (errno == EAGAIN || errno == EINTR) && !failed) continue;
                (got > 0 ? answered : refused) += 1;
                phase[i] = 2;
                fds[i].events = 0;
                settledMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        }
        for (auto& fd : fds)
            ::close(fd.fd);
        state.counters["answered"] = answered;
        state.counters["refused"] = refused;
        state.counters["unsettled_after_2s"] = kAttempts - answered - refused;
        state.counters["slowest_settled_ms"] = settledMs.empty() ? 0 : Percentile(settledMs, 100);
    }
}
BENCHMARK(BM_ThousandConnectionsAtOnce)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

double ResidentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Eight clients that ask for the page in thousands of ranges and never read the answer.
void BM_ManyRangesNeverRead(benchmark::State& state) {
    Served served;
    std::string ranges = "bytes=0-";
    for (int i = 1; i < 2600; ++i)
        ranges += ",0-";
    const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: " + ranges + "\r\n\r\n";
    for (auto _ : state) {
        // Warmed up: the page rendered once and a worker or two have run.
        for (int i = 0; i < 4; ++i)
            live::testing::Ask(served.Port(), "GET", "/");
        const double before = ResidentMb();
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(std::make_unique<RawClient>(served.Port()));
            const int small = 4096;
            ::setsockopt(clients.back()->Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
            clients.back()->Send(request);
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double after = ResidentMb();
        state.counters["rss_before_mb"] = before;
        state.counters["rss_after_mb"] = after;
        state.counters["rss_growth_mb"] = after - before;
        int failed = 0;
        state.counters["viewer_ms_meanwhile"] =
            Percentile(ViewerMillis(served.Port(), 5, std::chrono::seconds(30), failed), 100);
    }
}
BENCHMARK(BM_ManyRangesNeverRead)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// What the window pays at every tick and change: building the view.
void BM_BuildView(benchmark::State& state) {
    const TJobBoard board = SampleBoard(kDay);
    const std::array<std::string, kMachineCount> efficiencies = {"30", "25", "40", "0", "30", "30"};
    const auto today = SampleNotePad(40);
    for (auto _ : state)
        benchmark::DoNotOptimize(live::BuildView(board, efficiencies, today, kDay + 0.4, 28800));
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
