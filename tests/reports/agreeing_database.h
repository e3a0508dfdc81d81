#pragma once

#include <filesystem>
#include <string>

#include "reports/report.h"

namespace kerfolio::testing {

// Builds the report of request by day while a new database at db takes its jobs, and checks that every
// day of the database's view is the report's day: the one split and the one overlap rule for both.
Report ReportAgreeingWithItsDatabase(ReportRequest request, const std::filesystem::path& db,
                                     const std::string& what);

}  // namespace kerfolio::testing
