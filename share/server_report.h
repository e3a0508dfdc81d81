#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kerfolio::share {

// One line of the shop-wide report: a PC's machine on one local day (or over the whole time).
struct ServerReportRow {
    std::string pcId;
    std::string pcName;  // as the owner registered it
    int machine = 0;
    std::string machineName;
    std::string day;  // YYYY-MM-DD in the PC's local time at the job's finish; empty for totals
    long long jobs = 0, amount = 0;
    long long cutMs = 0, jumpMs = 0, breakMs = 0;  // cutting time: finish - start - jumps - breaks
};

struct PcArrival {
    std::string pcId;
    std::string name;  // as the owner registered it
    long long events = 0;
    std::string
        lastReceived;  // the server's time the PC's latest event arrived, ISO 8601 UTC; empty: none yet
    long long lastUtcMs = 0;  // that event's own instant, by the PC's clock
};

struct ServerReport {
    std::vector<PcArrival> pcs;         // the registered PCs, by name
    long long unregisteredPcs = 0;      // ids with events but no name: counted, their jobs left out
    std::vector<ServerReportRow> rows;  // by PC name, machine, day
};

// Reads every registered PC's jobs from the shared database; byDay false sums all time per machine.
// The error in words when the server cannot be read.
std::optional<std::string> ReadServerReport(const std::string& conninfo, bool byDay, ServerReport& report);

// The report as tab-separated text: first each PC and when its last event arrived, then the jobs.
void WriteServerReport(const ServerReport& report, std::ostream& out);

// kerfolio-report --postgres CONNINFO [--by day|total]: the exit status.
int RunServerReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kerfolio::share
