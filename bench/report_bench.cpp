// What reading and reporting a year of archives costs over just reading the same files' bytes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_folder.h"
#include "board/completion.h"
#include "board/time_text.h"
#include "reports/calendar.h"
#include "reports/csv_writer.h"
#include "reports/html_writer.h"
#include "reports/report.h"
#include "reports/table_writer.h"
#include "storage/atomic_file.h"
#include "storage/gbk.h"

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
        benchmark::DoNotOptimize(RenderTable(report));
        const auto tabled = Clock::now();
        benchmark::DoNotOptimize(RenderCsv(report, CsvEncoding::Utf8WithBom));
        benchmark::DoNotOptimize(RenderHtml(report));
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

}  // namespace
}  // namespace kerfolio

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("report/read ratio: %.3f (goal: at most 3); with CSV and HTML written too: %.3f\n",
                kerfolio::lastRatio, kerfolio::lastRatioWithFiles);
    return 0;
}
