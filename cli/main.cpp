// kerfolio-report: per-machine reports from Kerfolio's daily archive files.
#include <iostream>
#include <string>
#include <vector>

#include "office/office_board.h"
#include "reports/command_line.h"
#include "reports/run_report.h"

#ifdef KERFOLIO_REPORT_LOCALE
#include "reports/system_short_date.h"
#endif

int main(int argc, char** argv) {
    const auto parsed = kerfolio::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        std::cerr << "kerfolio-report: " << *problem << "\n\n" << kerfolio::UsageForLocale();
        return 2;
    }
    const auto& line = std::get<kerfolio::CommandLine>(parsed);
    if (line.help) {
        std::cout << kerfolio::UsageForLocale();
        return 0;
    }
    if (line.version) {
        std::cout << "kerfolio-report " KERFOLIO_VERSION "\n";
        return 0;
    }
    // The office board: every PC's machines from the shared database, until ended.
    if (line.serve)
        return kerfolio::share::RunOfficeBoard(*line.serve, *line.postgres, line.keyFile, std::cout,
                                               std::cerr);
    kerfolio::Environment environment = kerfolio::ProcessEnvironment();
#ifdef KERFOLIO_REPORT_LOCALE
    environment.shortDate = kerfolio::SystemShortDate();
#endif
    return kerfolio::RunReport(line, environment, std::cout, std::cerr);
}
