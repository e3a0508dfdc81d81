// The report's database when a run does not finish.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../storage/temp_folder.h"
#include "reports/sqlite_writer.h"
#include "sqlite_rows.h"

namespace kerfolio {
namespace {

// Adds count jobs named from first on, each about a hundred bytes in the database.
void AddJobs(JobDatabase& database, int first, int count) {
    const std::string folder = "pc1", file = "pc1/2024-5-6.txt";
    for (int i = first; i < first + count; ++i) {
        ArchiveJob job;
        job.machine = "机床1";
        job.workpiece = "凹模 " + std::to_string(i) + std::string(40, 'x');
        job.mount = 8 * 3600;
        job.start = 8 * 3600 + 600;
        job.finish = 9 * 3600;
        job.amount = 300;
        job.line = std::size_t(i);
        const DatedJob dated = PlaceJob(job.Figures(), Day(std::chrono::days(19'849)), 0);
        database.Add(ReadJob{folder, file, "1    ", job, dated});
    }
}

std::string JobCount(const std::filesystem::path& db) {
    const testing::Rows rows = testing::QueryRows(db, "SELECT COUNT(*) FROM jobs");
    return rows.empty() || rows[0].empty() ? "none" : rows[0][0];
}

// Enough jobs that they no longer fit the page cache and reach the file before the commit.
constexpr int kManyJobs = 60'000;

TEST(JobDatabaseTest, ARunThatDoesNotFinishLeavesThePreviousDatabase) {
    struct Case {
        const char* what;
        bool killed;  // else the run is dropped without its commit, as after a write error
    } cases[] = {
        {"killed in the middle of its writes", true},
        {"dropped before its commit", false},
    };
    for (const Case& c : cases) {
        testing::TempFolder folder;
        const std::filesystem::path db = folder / "jobs.db";
        {
            JobDatabase database;
            std::string why;
            ASSERT_TRUE(database.Open(db, why)) << why;
            AddJobs(database, 0, 3);
            ASSERT_TRUE(database.Commit({{"pc1/x.txt", 2, "坏行"}}, why)) << why;
            EXPECT_EQ(database.JobsAdded(), 3u);
        }
        const std::string before = testing::Slurp(db);

        if (c.killed) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                JobDatabase database;
                std::string why;
                if (database.Open(db, why)) AddJobs(database, 3, kManyJobs);
                ::kill(::getpid(), SIGKILL);
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << c.what;
            // Killed while the file held half a run: only the journal can put it back.
            EXPECT_NE(testing::Slurp(db), before) << c.what << ": the kill came before any write";
            EXPECT_TRUE(std::filesystem::exists(folder / "jobs.db-journal")) << c.what;
        } else {
            JobDatabase database;
            std::string why;
            ASSERT_TRUE(database.Open(db, why)) << why;
            AddJobs(database, 3, kManyJobs);
        }

        EXPECT_EQ(testing::QueryRows(db, "PRAGMA integrity_check"), testing::Rows{{"ok"}}) << c.what;
        EXPECT_EQ(JobCount(db), "3") << c.what;
        EXPECT_EQ(testing::QueryRows(db, "SELECT file, line, reason FROM problems"),
                  (testing::Rows{{"pc1/x.txt", "2", "坏行"}}))
            << c.what;
        // And the next run goes on from there.
        JobDatabase next;
        std::string why;
        ASSERT_TRUE(next.Open(db, why)) << why;
        AddJobs(next, 2, 2);
        ASSERT_TRUE(next.Commit({}, why)) << why;
        EXPECT_EQ(next.JobsAdded(), 1u) << c.what;
        EXPECT_EQ(JobCount(db), "4") << c.what;
    }
}

}  // namespace
}  // namespace kerfolio
