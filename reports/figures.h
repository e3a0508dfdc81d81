#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/learned_efficiency.h"
#include "reports/period_sums.h"

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

}  // namespace kerfolio
