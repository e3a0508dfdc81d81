#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/learned_efficiency.h"
#include "reports/period_sums.h"
#include "reports/report.h"

namespace kerfolio {

// The texts of the report's figures. Table, CSV and HTML all take them from here, so they agree.

// "H:MM:SS" with as many hours as it takes; a spreadsheet reads it as a duration.
std::string FormatDuration(std::int64_t seconds);

// Decimal hours with four places, which a spreadsheet adds up as it cannot add "H:MM:SS" past 24 hours.
std::string FormatHours(std::int64_t seconds);

// value with one decimal, exactly as printf's "%.1f" writes it.
std::string OneDecimal(double value);
void AppendOneDecimal(std::string& out, double value);

// One decimal, "." as the point; empty for none.
std::string FormatDecimal(std::optional<double> value);

// The cells of one row under rmsg::kPeriodHeaders, rmsg::kHourHeaders, rmsg::kOverviewHeaders and
// rmsg::kAdviceHeaders.
std::vector<std::string> PeriodRow(const PeriodSums& sums);
std::vector<std::string> HourCells(const PeriodSums& sums);
std::vector<std::string> OverviewRow(const PeriodSums& sums);
std::vector<std::string> AdviceRow(const EfficiencyAdvice& advice);

// The cells of a job under rmsg::kJobHeaders, and of the list's totals: count, net time, amount and
// efficiency of all its jobs.
std::vector<std::string> JobRow(const ListedJob& job);
std::vector<std::string> JobTotalsRow(const std::vector<ListedJob>& jobs);

// The job list's heading, with the text its workpieces contain.
std::string JobsHeading(const Report& report);

// The rows of the shop overview, the whole shop's last.
std::vector<std::vector<std::string>> OverviewRows(const Report& report);

// The note on the days shares count from, empty when they count every day of the report.
std::string CoveredNote(const Report& report);

}  // namespace kerfolio
