#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/report_rows.h"

namespace kerfolio::share {

// A registered PC's journal rows as the shared database holds them.
struct ServerPc {
    std::string pcId;
    std::string name;  // as the owner registered it
    journal::ReportRows rows;
};

struct ServerJournals {
    std::vector<ServerPc> pcs;         // the registered PCs, by name
    std::int64_t unregisteredPcs = 0;  // ids with events but no name: counted, their jobs left out
};

// Every registered PC's report rows of the jobs finished from fromMs to toMs (to excluded), read with
// the journal's own queries. The error in words when the server cannot be read.
std::optional<std::string> ReadServerJournals(const std::string& conninfo, std::int64_t fromMs,
                                              std::int64_t toMs, ServerJournals& out);

}  // namespace kerfolio::share
