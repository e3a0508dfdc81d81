// kerfolio-report: per-machine reports from Kerfolio's daily archive files.
#include <iostream>
#include <string>
#include <vector>

#include "reports/command_line.h"
#include "reports/run_report.h"

#ifdef KERFOLIO_REPORT_LOCALE
#include <QLocale>

namespace {

// The short-date format Kerfolio names its archive files by: the same locale, asked the same way.
kerfolio::ShortDateFormat SystemShortDate() {
    const QLocale locale = QLocale::system();
    kerfolio::ShortDateFormat format{locale.dateFormat(QLocale::ShortFormat).toStdString(), {}};
    for (const auto type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        for (int month = 1; month <= 12; ++month)
            format.monthNames.push_back(locale.monthName(month, type).toStdString());
    }
    return format;
}

}  // namespace
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = kerfolio::ParseCommandLine(args);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        std::cerr << "kerfolio-report: " << *problem << "\n\n" << kerfolio::kUsage;
        return 2;
    }
    const auto& line = std::get<kerfolio::CommandLine>(parsed);
    if (line.help) {
        std::cout << kerfolio::kUsage;
        return 0;
    }
    kerfolio::Environment environment = kerfolio::ProcessEnvironment();
#ifdef KERFOLIO_REPORT_LOCALE
    environment.shortDate = SystemShortDate();
#endif
    return kerfolio::RunReport(line, environment, std::cout, std::cerr);
}
