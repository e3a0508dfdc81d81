// What reading and reporting a year of archives costs over just reading the same files' bytes, and
// whether the memory of a decade of six PCs' archives stays that of a year.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/bench_folder.h"
#include "board/time_text.h"
#include "reports/calendar.h"
#include "reports/csv_writer.h"
#include "reports/html_writer.h"
#include "reports/report.h"
#include "reports/sqlite_writer.h"
#include "reports/table_writer.h"
#include "storage/atomic_file.h"
#include "storage/gbk.h"
#include "storage/report_line.h"

// Heap bytes in use and their peak, counted by the global operator new of this program.
namespace {
std::atomic<std::size_t> heapInUse{0};
std::atomic<std::size_t> heapPeak{0};

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    const std::size_t now = heapInUse += malloc_usable_size(p);
    std::size_t peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Free(void* p) noexcept {
    if (!p) return;
    heapInUse -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}

namespace kerfolio {
namespace {

std::string Time(int seconds) {
    return FormatTimeText(seconds / 86'400.0);
}

// 365 daily files of 50 report lines from six machines, as the program writes them.
void WriteYear(const std::filesystem::path& folder) {
    Day day = *ParseIsoDate("2024-01-01");
    for (int file = 0; file < 365; ++file, day += std::chrono::days(1)) {
        std::string text;
        for (int line = 1; line <= 50; ++line) {
            const int machine = line % 6 + 1;
            // A machine's jobs of the day one after another, as a machine cuts them (overlapping jobs are
            // listed as faults), and each day's a little different (a line repeating an earlier one is
            // the same job read twice).
            const int start = (line - 1) / 6 * 9'000 + machine * 97 + file % 50;
            text += BuildReportLine(
                        line, {"机床" + std::to_string(machine), "模具镶块-" + std::to_string(line),
                               Time(start), Time(start + 300), Time(600 + line * 7), Time(line % 5 * 60),
                               Time(start + 300 + 5'400 + line * 31), std::to_string(1'000 + line * 13)}) +
                    "\r\n";
        }
        WriteFileAtomically(folder / (FormatIsoDate(day) + ".txt"), ToGbk(text));
    }
}

// Counts the bytes written and keeps none, as a terminal or a pipe takes the table.
class CountingBuffer : public std::streambuf {
  public:
    std::size_t Count() const { return count_; }

  protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) ++count_;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize count) override {
        count_ += static_cast<std::size_t>(count);
        return count;
    }

  private:
    std::size_t count_ = 0;
};

// The bytes each writer writes, written nowhere.
std::size_t TableBytes(const Report& report) {
    CountingBuffer counted;
    std::ostream out(&counted);
    WriteTable(report, out);
    return counted.Count();
}
std::size_t CsvBytes(const Report& report) {
    CountingBuffer counted;
    std::ostream out(&counted);
    WriteCsv(report, CsvEncoding::Utf8WithBom, out);
    return counted.Count();
}
std::size_t PageBytes(const Report& report) {
    CountingBuffer counted;
    std::ostream out(&counted);
    WriteHtml(report, out);
    return counted.Count();
}

using Clock = std::chrono::steady_clock;
double lastRatio = 0;
double lastRatioWithFiles = 0;

double Milliseconds(Clock::duration total, double iterations) {
    return std::chrono::duration<double, std::milli>(total).count() / iterations;
}

// The report is what the program does by default: read the archives, sum them and print the table.
// The CSV and HTML files, written only when asked for, are timed on their own beside it.
void BM_ReportVersusReadingBytes(benchmark::State& state) {
    BenchFolder folder;
    WriteYear(folder.Path());
    ReportRequest request;
    request.grouping = Grouping::Week;
    request.folders = {folder.Path()};
    request.records = ReadMachineRecords({});
    Clock::duration sumTime{}, tableTime{}, filesTime{}, baselineTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        const Report report = BuildReport(request);
        const auto summed = Clock::now();
        benchmark::DoNotOptimize(TableBytes(report));
        const auto tabled = Clock::now();
        benchmark::DoNotOptimize(CsvBytes(report));
        benchmark::DoNotOptimize(PageBytes(report));
        const auto filed = Clock::now();
        if (report.jobs != 365 * 50) state.SkipWithError("jobs lost");
        std::size_t bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            std::string content;
            ReadWholeFile(entry.path(), content);
            bytes += content.size();
        }
        benchmark::DoNotOptimize(bytes);
        const auto end = Clock::now();
        sumTime += summed - start;
        tableTime += tabled - summed;
        filesTime += filed - tabled;
        baselineTime += end - filed;
    }
    const double iterations = static_cast<double>(state.iterations());
    const double baseline = Milliseconds(baselineTime, iterations);
    const double report = Milliseconds(sumTime + tableTime, iterations);
    lastRatio = report / baseline;
    lastRatioWithFiles = (report + Milliseconds(filesTime, iterations)) / baseline;
    state.counters["report_ms"] = report;
    state.counters["read_sum_ms"] = Milliseconds(sumTime, iterations);
    state.counters["csv_html_ms"] = Milliseconds(filesTime, iterations);
    state.counters["baseline_ms"] = baseline;
    state.counters["ratio"] = lastRatio;
    state.counters["ratio_csv_html"] = lastRatioWithFiles;
}
BENCHMARK(BM_ReportVersusReadingBytes)->Unit(benchmark::kMillisecond);

// A decade of daily files from six PCs, each with six machines: 21,900 files of 46 lines, about a million
// jobs. The day files of a PC are hard links to a pool of different days, so the folders cost no disk
// and are made in a moment; every file is still opened and read. The pool is longer than the report
// remembers lines for (a line met again within that is a repeated job, counted once), and a machine's
// jobs of a day follow one another, as they do on a machine.
constexpr int kPcs = 6, kDecadeDays = 3'650, kLinesPerFile = 46, kPoolDays = 37;

// The decade's folders, and beside each one the same PC's first year, made of the same files.
void WriteDecade(const std::filesystem::path& root, std::vector<std::filesystem::path>& folders,
                 std::vector<std::filesystem::path>& years) {
    for (int pc = 0; pc < kPcs; ++pc) {
        const std::filesystem::path folder = root / ("PC" + std::to_string(pc + 1));
        const std::filesystem::path year = root / "year" / ("PC" + std::to_string(pc + 1));
        std::filesystem::create_directory(folder);
        std::filesystem::create_directories(year);
        folders.push_back(folder);
        years.push_back(year);
        std::vector<std::filesystem::path> week;
        for (int weekday = 0; weekday < kPoolDays; ++weekday) {
            std::string text;
            for (int line = 1; line <= kLinesPerFile; ++line) {
                const int start = (line - 1) / 6 * 9'000 + (line % 6 + 1) * 97 + weekday * 13 + pc * 7;
                text += BuildReportLine(line, {"机床" + std::to_string(line % 6 + 1),
                                               "模具镶块-" + std::to_string(line + weekday * 100),
                                               Time(start), Time(start + 300), Time(600 + line * 7),
                                               Time(line % 5 * 60), Time(start + 300 + 1'800 + line * 31),
                                               std::to_string(1'000 + line * 13)}) +
                        "\r\n";
            }
            week.push_back(root / ("week-" + std::to_string(pc) + "-" + std::to_string(weekday)));
            WriteFileAtomically(week.back(), ToGbk(text));
        }
        Day day = *ParseIsoDate("2016-01-01");
        for (int file = 0; file < kDecadeDays; ++file, day += std::chrono::days(1)) {
            const std::string name = FormatIsoDate(day) + ".txt";
            std::filesystem::create_hard_link(week[file % kPoolDays], folder / name);
            if (file < 365) std::filesystem::create_hard_link(week[file % kPoolDays], year / name);
        }
    }
}

long PeakRssMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double lastDecadeRatio = 0;
double lastHeapYearMb = 0, lastHeapDecadeMb = 0;

// The heap's peak above what was in use before while the report is made, less what the report holds
// when made: the memory reading costs. The report itself grows with its periods and machines, not with
// the files read.
double WorkingHeapMegabytes(const ReportRequest& request) {
    const std::size_t before = heapInUse.load();
    heapPeak = before;
    const Report report = BuildReport(request);
    benchmark::DoNotOptimize(report.jobs);
    return double(heapPeak.load() - heapInUse.load()) / (1024.0 * 1024.0);
}

void BM_DecadeOfSixPcs(benchmark::State& state) {
    BenchFolder folder;
    std::vector<std::filesystem::path> folders, years;
    WriteDecade(folder.Path(), folders, years);
    ReportRequest decade;
    decade.grouping = Grouping::Month;
    decade.folders = folders;
    decade.records = ReadMachineRecords({});
    // The same PCs' first year, read the same way: what the decade's memory is measured against.
    ReportRequest year = decade;
    year.folders = years;
    double reportMs = 0, baselineMs = 0;
    for (auto _ : state) {
        lastHeapYearMb = WorkingHeapMegabytes(year);
        lastHeapDecadeMb = WorkingHeapMegabytes(decade);
        const auto start = Clock::now();
        const Report report = BuildReport(decade);
        benchmark::DoNotOptimize(TableBytes(report));
        const auto reported = Clock::now();
        std::size_t bytes = 0;
        for (const auto& pc : folders) {
            for (const auto& entry : std::filesystem::directory_iterator(pc)) {
                std::string content;
                ReadWholeFile(entry.path(), content);
                bytes += content.size();
            }
        }
        benchmark::DoNotOptimize(bytes);
        const auto end = Clock::now();
        if (report.jobs != std::size_t{kPcs} * kDecadeDays * kLinesPerFile) state.SkipWithError("jobs lost");
        reportMs += Milliseconds(reported - start, 1);
        baselineMs += Milliseconds(end - reported, 1);
    }
    lastDecadeRatio = reportMs / baselineMs;
    state.counters["jobs"] = double(kPcs) * kDecadeDays * kLinesPerFile;
    state.counters["report_ms"] = reportMs / double(state.iterations());
    state.counters["baseline_ms"] = baselineMs / double(state.iterations());
    state.counters["ratio"] = lastDecadeRatio;
    state.counters["heap_year_MB"] = lastHeapYearMb;
    state.counters["heap_decade_MB"] = lastHeapDecadeMb;
    state.counters["heap_ratio"] = lastHeapDecadeMb / lastHeapYearMb;
    state.counters["peak_rss_MB"] = double(PeakRssMegabytes());
}
BENCHMARK(BM_DecadeOfSixPcs)->Unit(benchmark::kMillisecond)->Iterations(1);

double lastWrittenYearMb = 0, lastWrittenDecadeMb = 0;
double lastWritingYearMb = 0, lastWritingDecadeMb = 0, lastHeldYearMb = 0, lastHeldDecadeMb = 0;

double Megabytes(std::size_t bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

// The heap's peak above what was in use before while the report is made and written as the table, the
// CSV and the page, one after another as the program writes them: the table to a terminal, the CSV and
// the page into files in folder. Into *held what the report holds, into *writing the peak of the
// writing above that.
double WrittenHeapMegabytes(const ReportRequest& request, const std::filesystem::path& folder, double* held,
                            double* writing) {
    const std::size_t before = heapInUse.load();
    heapPeak = before;
    {
        const Report report = BuildReport(request);
        const std::size_t built = heapInUse.load(), buildPeak = heapPeak.load();
        *held = Megabytes(built - before);
        heapPeak = built;
        benchmark::DoNotOptimize(TableBytes(report));
        WriteFileAtomically(folder / "report.csv", [&report](std::ostream& out) {
            WriteCsv(report, CsvEncoding::Utf8WithBom, out);
        });
        WriteFileAtomically(folder / "report.html", [&report](std::ostream& out) { WriteHtml(report, out); });
        *writing = Megabytes(heapPeak.load() - built);
        heapPeak = std::max(heapPeak.load(), buildPeak);
    }
    return Megabytes(heapPeak.load() - before);
}

// A decade by the day (3,650 periods of each of 36 machines; the page shows it by month) against the
// same PCs' first year by the day: what writing ten times the periods costs in memory.
void BM_DecadeByDayWritten(benchmark::State& state) {
    BenchFolder folder;
    std::vector<std::filesystem::path> folders, years;
    WriteDecade(folder.Path(), folders, years);
    ReportRequest decade;
    decade.grouping = Grouping::Day;
    decade.folders = folders;
    decade.records = ReadMachineRecords({});
    ReportRequest year = decade;
    year.folders = years;
    // Once unmeasured: what a first run sets up for good (the time zone, the converters) is neither's.
    WrittenHeapMegabytes(year, folder.Path(), &lastHeldYearMb, &lastWritingYearMb);
    for (auto _ : state) {
        lastWrittenYearMb = WrittenHeapMegabytes(year, folder.Path(), &lastHeldYearMb, &lastWritingYearMb);
        lastWrittenDecadeMb =
            WrittenHeapMegabytes(decade, folder.Path(), &lastHeldDecadeMb, &lastWritingDecadeMb);
    }
    state.counters["heap_year_MB"] = lastWrittenYearMb;
    state.counters["heap_decade_MB"] = lastWrittenDecadeMb;
    state.counters["heap_ratio"] = lastWrittenDecadeMb / lastWrittenYearMb;
    state.counters["writing_year_MB"] = lastWritingYearMb;
    state.counters["writing_decade_MB"] = lastWritingDecadeMb;
}
BENCHMARK(BM_DecadeByDayWritten)->Unit(benchmark::kMillisecond)->Iterations(1);

double lastImportRatio = 0, lastRerunRatio = 0, lastDayQueryRatio = 0, lastWeekQueryRatio = 0;

// Mean milliseconds of sql run count times with ?1 bound to each of values in turn, every row stepped.
double QueryMs(sqlite3* db, const char* sql, const std::vector<std::string>& values, int count) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::size_t rows = 0;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const std::string& value = values[std::size_t(i) % values.size()];
        sqlite3_bind_text(statement, 1, value.data(), int(value.size()), SQLITE_STATIC);
        while (sqlite3_step(statement) == SQLITE_ROW)
            ++rows;
        sqlite3_reset(statement);
    }
    const auto end = Clock::now();
    sqlite3_finalize(statement);
    benchmark::DoNotOptimize(rows);
    return Milliseconds(end - start, count);
}

// The decade into a database against the report's own run over the same folders; a second run over
// unchanged files against the report too; and a dashboard's query of one day, or one week, of
// machine_days against reading one job by its key.
void BM_DecadeIntoTheDatabase(benchmark::State& state) {
    BenchFolder folder;
    std::vector<std::filesystem::path> folders, years;
    WriteDecade(folder.Path(), folders, years);
    ReportRequest request;
    request.grouping = Grouping::Month;
    request.folders = folders;
    request.records = ReadMachineRecords({});
    const std::filesystem::path file = folder.Path() / "jobs.db";
    const auto import = [&] {
        JobDatabase database;
        std::string why;
        if (!database.Open(file, why)) state.SkipWithError(why.c_str());
        database.SetWholeRun(true);
        ReportRequest withDatabase = request;
        withDatabase.eachJob = [&database](const ReadJob& job) { database.Add(job); };
        const Report report = BuildReport(withDatabase);
        if (!database.Commit(report.problems, why)) state.SkipWithError(why.c_str());
    };
    double reportMs = 0, importMs = 0, rerunMs = 0, dayMs = 0, weekMs = 0, keyMs = 0;
    for (auto _ : state) {
        std::filesystem::remove(file);
        auto start = Clock::now();
        benchmark::DoNotOptimize(BuildReport(request).jobs);
        reportMs = Milliseconds(Clock::now() - start, 1);
        start = Clock::now();
        import();
        importMs = Milliseconds(Clock::now() - start, 1);
        start = Clock::now();
        import();
        rerunMs = Milliseconds(Clock::now() - start, 1);

        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        std::vector<std::string> days, weeks, ids;
        Day day = *ParseIsoDate("2016-03-01");
        for (int i = 0; i < 200; ++i, day += std::chrono::days(17)) {
            days.push_back(FormatIsoDate(day));
            ids.push_back(std::to_string(1 + i * 4'999));
        }
        keyMs = QueryMs(db, "SELECT * FROM jobs WHERE id = ?1", ids, 2'000);
        dayMs = QueryMs(db, "SELECT * FROM machine_days WHERE day = ?1", days, 2'000);
        weekMs = QueryMs(db,
                         "SELECT folder, machine, SUM(cutting_hours) FROM machine_days"
                         " WHERE day BETWEEN ?1 AND date(?1, '+6 days') GROUP BY folder, machine",
                         days, 500);
        sqlite3_close(db);
    }
    lastImportRatio = importMs / reportMs;
    lastRerunRatio = rerunMs / reportMs;
    lastDayQueryRatio = dayMs / keyMs;
    lastWeekQueryRatio = weekMs / keyMs;
    state.counters["report_ms"] = reportMs;
    state.counters["import_ms"] = importMs;
    state.counters["rerun_ms"] = rerunMs;
    state.counters["key_ms"] = keyMs;
    state.counters["day_ms"] = dayMs;
    state.counters["week_ms"] = weekMs;
}
BENCHMARK(BM_DecadeIntoTheDatabase)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kerfolio

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf(
        "year of six machines, report/read ratio: %.3f (goal: at most 5); with CSV and HTML written "
        "too: %.3f\n",
        kerfolio::lastRatio, kerfolio::lastRatioWithFiles);
    std::printf(
        "decade of six PCs (%d files), report/read ratio: %.3f; heap for reading (peak less the report) "
        "%.2f MB against %.2f MB for their first year (%d files): %.2fx\n",
        kerfolio::kPcs * kerfolio::kDecadeDays, kerfolio::lastDecadeRatio, kerfolio::lastHeapDecadeMb,
        kerfolio::lastHeapYearMb, kerfolio::kPcs * 365,
        kerfolio::lastHeapDecadeMb / kerfolio::lastHeapYearMb);
    std::printf(
        "decade by the day written as table, CSV and page: heap peak %.2f MB against %.2f MB for their first "
        "year by the day: %.2fx\n",
        kerfolio::lastWrittenDecadeMb, kerfolio::lastWrittenYearMb,
        kerfolio::lastWrittenDecadeMb / kerfolio::lastWrittenYearMb);
    std::printf(
        "of which the report holds %.2f MB against %.2f MB, and writing it adds %.2f MB against %.2f MB: "
        "%.2fx\n",
        kerfolio::lastHeldDecadeMb, kerfolio::lastHeldYearMb, kerfolio::lastWritingDecadeMb,
        kerfolio::lastWritingYearMb, kerfolio::lastWritingDecadeMb / kerfolio::lastWritingYearMb);
    std::printf(
        "decade into the database: import/report %.2f (goal: at most 3), re-run/report %.2f; one day of "
        "machine_days/one job by key %.1f (goal: at most 50), one week %.1f\n",
        kerfolio::lastImportRatio, kerfolio::lastRerunRatio, kerfolio::lastDayQueryRatio,
        kerfolio::lastWeekQueryRatio);
    return 0;
}
