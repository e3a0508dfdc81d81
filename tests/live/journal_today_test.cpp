// Today's jobs from the journal, step by step as the program writes it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "../storage/temp_folder.h"
#include "journal/journal_schema.h"
#include "live/journal_today.h"
#include "storage/report_line.h"

namespace kerfolio::live {
namespace {

class JournalTodayTest : public ::testing::Test {
  protected:
    void Exec(const std::string& sql) {
        if (!db_) {
            sqlite3_open((folder_ / "journal.sqlite").c_str(), &db_);
            Exec("PRAGMA journal_mode=WAL");
            Exec(journal::kSchemaSql);
        }
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    void Complete(int seq, const char* workpiece, int amount) {
        const std::string line = BuildReportLine(seq, {"机床1", workpiece, "8:00:00", "8:10:00", "0:00:00",
                                                       "0:00:00", "9:10:00", std::to_string(amount)});
        Exec("INSERT INTO jobs VALUES (" + std::to_string(seq) + ", 'p', 1, '机床1', '" + workpiece + "', " +
             std::to_string(amount) + ", 0, 0, 0, 0, 0, 0, '" + line + "', 0)");
    }
    void TearDown() override { sqlite3_close(db_); }

    testing::TempFolder folder_;
    sqlite3* db_ = nullptr;
};

TEST_F(JournalTodayTest, JobsSinceTheLastArchiveWhileTheJournalHoldsWhatTheNotePadLists) {
    JournalTodayJobs today(folder_ / "journal.sqlite");
    EXPECT_FALSE(today.Jobs(0)) << "no journal: the NotePad tells";

    Complete(1, "A", 100);
    Complete(2, "B", 200);
    auto jobs = today.Jobs(2);
    ASSERT_TRUE(jobs);
    ASSERT_EQ(jobs->jobs.size(), 2u);
    EXPECT_EQ(jobs->jobs[1].workpiece, "B");
    EXPECT_EQ(jobs->amount, 300);
    EXPECT_FALSE(today.Jobs(3)) << "the journal missed a job the NotePad holds";

    Exec("INSERT INTO meta VALUES ('archived_seq', '2')");
    Complete(3, "C", 50);
    const auto before = jobs;
    jobs = today.Jobs(1);
    ASSERT_TRUE(jobs);
    ASSERT_EQ(jobs->jobs.size(), 1u);
    EXPECT_EQ(jobs->jobs[0].workpiece, "C");
    EXPECT_EQ(jobs->amount, 50);
    EXPECT_EQ(before->jobs.size(), 2u) << "a view handed out earlier is not changed";
    EXPECT_EQ(today.Jobs(1), jobs) << "nothing new: the same jobs, no copy";
}

}  // namespace
}  // namespace kerfolio::live
