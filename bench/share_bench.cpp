// Simulated PCs replaying their journals into one PostgreSQL started here, the shop-wide report
// against reading the same rows with psql, and the office board's /board.json over all of them against
// the same bytes served as a fixed file by the same server library. One run each; figures are read by
// people.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "live/live_server.h"
#include "live/view_html.h"
#include "live/view_json.h"
#include "office/office_board.h"
#include "reports/report.h"
#include "share/pg_connection.h"
#include "share/sender.h"
#include "share/server_journals.h"
#include "tests/live/raw_client.h"
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
        for (int j = 0; j < jobs; ++j) {
            for (int m = 1; m <= 6; ++m) {
                const std::int64_t start = kYearStart + static_cast<std::int64_t>(j) * 86400000LL + m * 60000;
                journal.Click("mounted", m, start - 600000);
                journal.Click("started", m, start);
                journal.Click("jump_start", m, start + 1000);
                journal.Complete(m, start, start + 4 * 3600000LL, 10 + j % 7);
            }
            // The day's lines go to the archive, as every evening.
            journal.Click("archived", 0, kYearStart + static_cast<std::int64_t>(j) * 86400000LL + 86000000LL,
                          {}, "{}");
        }
        // Today: every machine busy, so the office board has something to draw.
        const std::int64_t today = kYearStart + static_cast<std::int64_t>(jobs) * 86400000LL;
        for (int m = 1; m <= 6; ++m) {
            journal.Click("mounted", m, today + m * 60000);
            journal.Click("started", m, today + m * 60000 + 30000, "凸模",
                          R"({"cell":"8:00:30","amount_text":"500"})");
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
        const std::int64_t perPc = jobs * (6 * 4 + 1) + 12;
        for (auto& sender : senders)
            while (sender->Status().sentSeq < perPc)
                std::this_thread::sleep_for(5ms);
        shop.events = perPc * pcs;
    }
    // The office knows each PC by the name the owner registered.
    shop.server->Psql(
        "SELECT kerfolio.register_pc(pc_id, '车间' || row_number() OVER (ORDER BY pc_id), current_user)"
        " FROM (SELECT DISTINCT pc_id FROM kerfolio.events) t");
    state.counters["events"] = static_cast<double>(shop.events);
    state.counters["events_per_s"] =
        benchmark::Counter(static_cast<double>(shop.events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayPcsIntoOneServer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShopReport(benchmark::State& state) {
    Shop& shop = TheShop();
    std::size_t rows = 0;
    for (auto _ : state) {
        kerfolio::ReportRequest request;
        request.readServer = [&shop](std::int64_t from, std::int64_t to,
                                     kerfolio::share::ServerJournals& out) {
            return kerfolio::share::ReadServerJournals(shop.server->Conninfo(), from, to, out);
        };
        const kerfolio::Report report = kerfolio::BuildReport(request);
        if (!report.serverError.empty()) {
            state.SkipWithError(report.serverError.c_str());
            return;
        }
        rows = report.periods.size();
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

double Percentile(std::vector<double> values, int percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * static_cast<std::size_t>(percent) / 100)];
}

// One viewer's /board.json, a connection per request, in milliseconds; an unanswered one counts as 10 s.
double AskMillis(int port, int& failed) {
    const auto start = std::chrono::steady_clock::now();
    kerfolio::live::testing::RawClient client(port, 10'000);
    client.Send("GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    const auto answer = kerfolio::live::testing::Parse(client.ReceiveAll(), client.ClosedByServer());
    if (answer.status != 200) ++failed;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The office board over every PC of the shop, its poller reading the server five times a second while
// it is asked, against a server of the same library handing out its bytes as they are.
void BM_OfficeBoardAgainstStaticBytes(benchmark::State& state) {
    Shop& shop = TheShop();
    using namespace kerfolio;
    for (auto _ : state) {
        live::LiveServer office("");
        if (office.Start({"127.0.0.1", 0, "127.0.0.1:0"})) std::abort();
        std::mutex mutex;
        std::shared_ptr<const live::Pages> latest;
        share::OfficeBoardOptions options;
        options.period = 200ms;
        options.ioTimeout = 60000ms;
        share::OfficeBoard board(
            shop.server->Conninfo(),
            [&](std::shared_ptr<const live::OfficeView> view) {
                auto pages = std::make_shared<const live::Pages>(
                    live::Pages{live::RenderOfficeJson(*view), live::RenderOfficeHtml(*view)});
                office.PublishPages(pages);
                std::lock_guard lock(mutex);
                latest = pages;
            },
            options);
        board.Start();
        const auto first = [&] {
            std::lock_guard lock(mutex);
            return latest;
        };
        while (!first())
            std::this_thread::sleep_for(10ms);

        live::LiveServer fixed("");
        if (fixed.Start({"127.0.0.1", 0, "127.0.0.1:0"})) std::abort();
        fixed.PublishPages(first());

        // Taken in turns, so both see the same load from the rest of the machine, after a few to warm
        // both up, over several of the poller's reads.
        std::vector<double> officeMs, fixedMs;
        int failed = 0;
        for (int i = 0; i < 20; ++i) {
            AskMillis(office.Port(), failed);
            AskMillis(fixed.Port(), failed);
        }
        for (int i = 0; i < 2000; ++i) {
            officeMs.push_back(AskMillis(office.Port(), failed));
            fixedMs.push_back(AskMillis(fixed.Port(), failed));
        }
        board.Stop();
        const double officeP99 = Percentile(officeMs, 99), fixedP99 = Percentile(fixedMs, 99);
        state.counters["office_p99_ms"] = officeP99;
        state.counters["static_p99_ms"] = fixedP99;
        state.counters["p99_ratio"] = fixedP99 > 0 ? officeP99 / fixedP99 : 0;
        state.counters["json_kb"] = static_cast<double>(first()->json.size()) / 1024;
        state.counters["failed"] = failed;
    }
}
BENCHMARK(BM_OfficeBoardAgainstStaticBytes)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One read of every PC's machines, the poller's work every second.
void BM_OfficeRead(benchmark::State& state) {
    Shop& shop = TheShop();
    kerfolio::share::PgConnection conn;
    if (auto problem = conn.Open(shop.server->Conninfo(), 10s)) {
        state.SkipWithError(problem->c_str());
        return;
    }
    std::vector<kerfolio::live::OfficePc> pcs;
    std::int64_t unregistered = 0;
    for (auto _ : state) {
        if (auto problem = kerfolio::share::ReadOfficePcs(conn, kYearStart, 480, pcs, unregistered)) {
            state.SkipWithError(problem->c_str());
            return;
        }
    }
    state.counters["pcs"] = static_cast<double>(pcs.size());
}
BENCHMARK(BM_OfficeRead)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
