#pragma once

#include <string>

#include "reports/report.h"

namespace kerfolio {

enum class CsvEncoding { Utf8WithBom, Gbk };

// The period table and, after an empty line, the learned efficiency, as CSV with CR LF line ends.
// UTF-8 starts with a byte-order mark, which spreadsheet programs need to take the text as UTF-8.
std::string RenderCsv(const Report& report, CsvEncoding encoding);

}  // namespace kerfolio
