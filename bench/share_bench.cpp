// Simulated PCs replaying their journals into one PostgreSQL started here, and the shop-wide report
// against reading the same rows with psql. One run each; figures are read by people.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "share/sender.h"
#include "share/server_report.h"
#include "tests/share/pg_server.h"
#include "tests/share/test_journal.h"

namespace {

using namespace std::chrono_literals;
using kerfolio::share::Sender;
using kerfolio::test::PgServer;
using kerfolio::test::TestJournal;

constexpr std::int64_t kYearStart = 1767225600000;  // 1 January 2026, 00:00 UTC

int Pcs() {
    return std::getenv("KERFOLIO_BENCH_PCS") ? std::atoi(std::getenv("KERFOLIO_BENCH_PCS")) : 10;
}
int JobsPerMachine() {
    return std::getenv("KERFOLIO_BENCH_JOBS") ? std::atoi(std::getenv("KERFOLIO_BENCH_JOBS")) : 300;
}

struct Shop {
    std::unique_ptr<PgServer> server = std::make_unique<PgServer>();
    std::int64_t events = 0;
};

Shop& TheShop() {
    static Shop shop;
    return shop;
}

// Each PC: six machines, each with a year of jobs (mounted, started, a jump, completed).
void BM_ReplayPcsIntoOneServer(benchmark::State& state) {
    Shop& shop = TheShop();
    if (!shop.server->Start()) {
        state.SkipWithError("PostgreSQL did not start");
        return;
    }
    const int pcs = Pcs(), jobs = JobsPerMachine();
    std::vector<std::filesystem::path> paths;
    for (int pc = 0; pc < pcs; ++pc) {
        paths.push_back(shop.server->Folder() / ("pc" + std::to_string(pc) + ".sqlite"));
        TestJournal journal(paths.back(), std::string(24, 'a') + std::to_string(10000000 + pc));
        for (int j = 0; j < jobs; ++j)
            for (int m = 1; m <= 6; ++m) {
                const std::int64_t start = kYearStart + static_cast<std::int64_t>(j) * 86400000LL + m * 60000;
                journal.Click("mounted", m, start - 600000);
                journal.Click("started", m, start);
                journal.Click("jump_start", m, start + 1000);
                journal.Complete(m, start, start + 4 * 3600000LL, 10 + j % 7);
            }
    }
    for (auto _ : state) {
        kerfolio::share::SenderOptions options;
        options.poll = 10ms;
        std::vector<std::unique_ptr<Sender>> senders;
        for (const auto& path : paths) {
            senders.push_back(std::make_unique<Sender>(path, shop.server->Conninfo(), options));
            senders.back()->Start();
        }
        const std::int64_t perPc = jobs * 6 * 4;
        for (auto& sender : senders)
            while (sender->Status().sentSeq < perPc)
                std::this_thread::sleep_for(5ms);
        shop.events = perPc * pcs;
    }
    state.counters["events"] = static_cast<double>(shop.events);
    state.counters["events_per_s"] =
        benchmark::Counter(static_cast<double>(shop.events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayPcsIntoOneServer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShopReport(benchmark::State& state) {
    Shop& shop = TheShop();
    std::size_t rows = 0;
    for (auto _ : state) {
        kerfolio::share::ServerReport report;
        if (auto problem = kerfolio::share::ReadServerReport(shop.server->Conninfo(), true, report)) {
            state.SkipWithError(problem->c_str());
            return;
        }
        rows = report.rows.size();
    }
    state.counters["report_rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ShopReport)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: psql reading every job row the report sums, output thrown away.
void BM_PsqlSameRows(benchmark::State& state) {
    Shop& shop = TheShop();
    for (auto _ : state) {
        const std::string said = shop.server->Psql("\\copy kerfolio.jobs TO '/dev/null'");
        if (!said.empty()) state.SkipWithError(said.c_str());
    }
}
BENCHMARK(BM_PsqlSameRows)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
