#include "agreeing_database.h"

#include <gtest/gtest.h>

#include "reports/sqlite_writer.h"
#include "sqlite_rows.h"

namespace kerfolio::testing {

Report ReportAgreeingWithItsDatabase(ReportRequest request, const std::filesystem::path& db,
                                     const std::string& what) {
    std::filesystem::remove(db);
    JobDatabase database;
    std::string why;
    EXPECT_TRUE(database.Open(db, why)) << why;
    request.grouping = Grouping::Day;
    request.eachJob = [&database](const ReadJob& job) { database.Add(job); };
    Report report = BuildReport(request);
    EXPECT_TRUE(database.Commit(report.problems, why)) << why;
    Rows days;
    for (const PeriodSums& sums : report.periods)
        days.push_back({sums.machine, sums.period.label, std::to_string(sums.jobs),
                        std::to_string(sums.amount), std::to_string(sums.machining),
                        std::to_string(sums.jump), std::to_string(sums.wireBreak), std::to_string(sums.net)});
    EXPECT_EQ(QueryRows(db,
                        "SELECT machine, day, jobs, amount, CAST(round(machining_hours * 3600) AS INTEGER),"
                        " CAST(round(jump_hours * 3600) AS INTEGER), CAST(round(break_hours * 3600)"
                        " AS INTEGER), CAST(round(cutting_hours * 3600) AS INTEGER) FROM machine_days"
                        " ORDER BY machine, day"),
              days)
        << what;
    return report;
}

}  // namespace kerfolio::testing
