#pragma once

#include <string>
#include <vector>

#include "reports/calendar.h"
#include "reports/period_sums.h"
#include "storage/xml_escape.h"

namespace kerfolio {

// Every period from first to last, whether or not anything finished in it.
std::vector<Period> PeriodsBetween(Day first, Day last, Grouping grouping);

// Inline SVG of one machine: stacked bars of cutting, jump and wire-break hours per period. sums holds
// that machine's periods (any subset of periods, in order).
std::string StackedTimeChart(const std::vector<Period>& periods, const std::vector<const PeriodSums*>& sums);

// Inline SVG of every machine side by side: stacked bars of its cutting, jump and wire-break hours over
// the whole report, one bar per row of machines.
std::string MachinesChart(const std::vector<PeriodSums>& machines);

// Inline SVG of one machine's share of time cutting per period, as a line.
std::string ShareChart(const std::vector<Period>& periods, const std::vector<const PeriodSums*>& sums);

}  // namespace kerfolio
