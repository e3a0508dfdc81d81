// A year's report from a journal holding a decade of six machines (about 1.7 million events), against
// reading the same year's rows with SQLite alone, measured in one run; and the journal's size per event.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>

#include "bench/bench_folder.h"
#include "journal/journal_schema.h"
#include "reports/report.h"
#include "storage/report_line.h"

namespace kerfolio {
namespace {

constexpr int kYears = 10;
constexpr int kMachines = 6;
constexpr int kJobsPerDay = 11;  // seven events each, and a daily archive: about 1.7 million events
constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kFirstDayMs = 1'577'836'800'000;  // 2020-01-01 UTC

void Exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
}

struct Written {
    std::filesystem::path file;
    std::int64_t events = 0;
};

// The journal as the program leaves it after ten years: the same tables, rows and indexes.
Written WriteDecade(const std::filesystem::path& folder) {
    Written written{folder / journal::kFileName};
    sqlite3* db = nullptr;
    sqlite3_open(written.file.c_str(), &db);
    Exec(db, "PRAGMA journal_mode=WAL");
    Exec(db, journal::kSchemaSql);
    Exec(db, "INSERT INTO meta VALUES ('schema', '1'), ('pc_id', '0123456789abcdef0123456789abcdef')");
    Exec(db, "BEGIN");
    sqlite3_stmt *event = nullptr, *job = nullptr, *interval = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO events (pc_id, utc_ms, utc_offset_s, kind, machine, machine_name, workpiece,"
        " amount, detail) VALUES ('0123456789abcdef0123456789abcdef', ?1, 0, ?2, ?3, ?4, ?5, ?6, ?7)",
        -1, &event, nullptr);
    sqlite3_prepare_v2(
        db,
        "INSERT INTO jobs VALUES (?1, '0123456789abcdef0123456789abcdef', ?2, ?3, ?4, ?5, ?6, ?7,"
        " ?8, 0, ?9, ?10, ?11, 0)",
        -1, &job, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO job_intervals VALUES (?1, ?2, ?3, ?4)", -1, &interval, nullptr);
    const auto add = [&](std::int64_t at, const char* kind, int machine, const std::string& detail) {
        sqlite3_bind_int64(event, 1, at);
        sqlite3_bind_text(event, 2, kind, -1, SQLITE_STATIC);
        if (machine > 0) {
            const std::string name = "机床" + std::to_string(machine);
            sqlite3_bind_int(event, 3, machine);
            sqlite3_bind_text(event, 4, name.c_str(), -1, SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(event, 3);
            sqlite3_bind_null(event, 4);
        }
        sqlite3_bind_text(event, 7, detail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(event);
        sqlite3_reset(event);
        ++written.events;
        return sqlite3_last_insert_rowid(db);
    };
    for (int day = 0; day < kYears * 365; ++day) {
        const std::int64_t midnight = kFirstDayMs + std::int64_t(day) * 86'400'000;
        std::string archived = "[";
        int line = 0;
        for (int machine = 1; machine <= kMachines; ++machine) {
            for (int n = 0; n < kJobsPerDay; ++n) {
                const std::int64_t mount = midnight + (n * 130 + machine) * kMinute;
                const std::int64_t start = mount + 5 * kMinute, finish = start + 120 * kMinute;
                add(mount, "mounted", machine, "{\"cell\":\"8:00:00\"}");
                add(start, "started", machine, "{\"cell\":\"8:05:00\",\"amount_text\":\"3600\"}");
                add(start + 10 * kMinute, "jump_start", machine, "{\"cell\":\"\"}");
                add(start + 15 * kMinute, "jump_end", machine, "{\"cell\":\"0:05:00\"}");
                add(start + 50 * kMinute, "break_start", machine, "{\"cell\":\"\"}");
                add(start + 53 * kMinute, "break_end", machine, "{\"cell\":\"0:03:00\"}");
                const std::string reportLine =
                    BuildReportLine(++line, {"机床" + std::to_string(machine), "W", "8:00:00", "8:05:00",
                                             "0:05:00", "0:03:00", "10:05:00", "3600"});
                const std::int64_t seq = add(finish, "completed", machine,
                                             "{\"report_no\":" + std::to_string(line) + ",\"line\":\"" +
                                                 reportLine + "\",\"stamped\":{},\"final\":{}}");
                sqlite3_bind_int64(job, 1, seq);
                sqlite3_bind_int(job, 2, machine);
                sqlite3_bind_text(job, 3, ("机床" + std::to_string(machine)).c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(job, 4, "W", -1, SQLITE_STATIC);
                sqlite3_bind_int(job, 5, 3600);
                sqlite3_bind_int64(job, 6, mount);
                sqlite3_bind_int64(job, 7, start);
                sqlite3_bind_int64(job, 8, finish);
                sqlite3_bind_int64(job, 9, 5 * kMinute);
                sqlite3_bind_int64(job, 10, 3 * kMinute);
                sqlite3_bind_text(job, 11, reportLine.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_step(job);
                sqlite3_reset(job);
                for (const auto& [kind, from, minutes] :
                     {std::tuple{"jump", 10, 5}, std::tuple{"break", 50, 3}}) {
                    sqlite3_bind_int64(interval, 1, seq);
                    sqlite3_bind_text(interval, 2, kind, -1, SQLITE_STATIC);
                    sqlite3_bind_int64(interval, 3, start + from * kMinute);
                    sqlite3_bind_int64(interval, 4, start + (from + minutes) * kMinute);
                    sqlite3_step(interval);
                    sqlite3_reset(interval);
                }
                archived += (line > 1 ? ",[" : "[") + std::to_string(seq) + "," + std::to_string(line) + "]";
            }
        }
        add(midnight + 86'399'000, "archived", 0,
            "{\"file\":\"/data/archive/" + std::to_string(day) +
                ".txt\",\"first_line\":1,\"lines\":" + std::to_string(line) + ",\"jobs\":" + archived + "]}");
    }
    sqlite3_finalize(event);
    sqlite3_finalize(job);
    sqlite3_finalize(interval);
    Exec(db, "COMMIT");
    Exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
    return written;
}

// What any tool pays to read the year's jobs and their intervals out of the file.
std::int64_t ReadRows(const std::filesystem::path& file, std::int64_t fromMs, std::int64_t toMs) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT j.*, i.kind, i.begin_utc_ms, i.end_utc_ms FROM jobs j JOIN job_intervals i"
                       " ON i.job_seq = j.seq WHERE j.finish_utc_ms >= ?1 AND j.finish_utc_ms < ?2",
                       -1, &rows, nullptr);
    sqlite3_bind_int64(rows, 1, fromMs);
    sqlite3_bind_int64(rows, 2, toMs);
    std::int64_t sum = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(rows); ++c)
            sum += sqlite3_column_bytes(rows, c);
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return sum;
}

void BM_YearReportFromDecadeJournal(benchmark::State& state) {
    BenchFolder folder;
    const Written written = WriteDecade(folder.Path());
    const std::int64_t bytes = std::int64_t(std::filesystem::file_size(written.file));
    ReportRequest request;
    request.journals = {written.file};
    request.from = Day(std::chrono::days(18'262 + 4 * 365));  // 2024-01-01 .. a year on
    request.to = *request.from + std::chrono::days(365);
    const std::int64_t fromMs = std::int64_t(request.from->time_since_epoch().count()) * 86'400'000;
    const std::int64_t toMs = fromMs + 366 * std::int64_t(86'400'000);
    using Clock = std::chrono::steady_clock;
    double rowsSeconds = 0, reportSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(ReadRows(written.file, fromMs, toMs));
        const auto t1 = Clock::now();
        const Report report = BuildReport(request);
        benchmark::DoNotOptimize(report.jobs);
        const auto t2 = Clock::now();
        rowsSeconds += std::chrono::duration<double>(t1 - t0).count();
        reportSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["events"] = double(written.events);
    state.counters["bytes_per_event"] = double(bytes) / double(written.events);
    state.counters["rows_ms"] = rowsSeconds * 1000 / double(state.iterations());
    state.counters["report_ms"] = reportSeconds * 1000 / double(state.iterations());
    state.counters["report_over_rows"] = reportSeconds / rowsSeconds;  // goal: at most 5
}
BENCHMARK(BM_YearReportFromDecadeJournal)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kerfolio

BENCHMARK_MAIN();
