#pragma once

#include <iosfwd>

#include "reports/report.h"

namespace kerfolio {

enum class CsvEncoding { Utf8WithBom, Gbk };

// The period table and, after an empty line, the learned efficiency, as CSV with CR LF line ends.
// UTF-8 starts with a byte-order mark, which spreadsheet programs need to take the text as UTF-8.
// Written to out row by row as it goes.
void WriteCsv(const Report& report, CsvEncoding encoding, std::ostream& out);

}  // namespace kerfolio
