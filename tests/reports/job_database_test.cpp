// The report's database when a run does not finish.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../storage/temp_folder.h"
#include "archive_maker.h"
#include "reports/report.h"
#include "reports/sqlite_writer.h"
#include "sqlite_rows.h"

namespace kerfolio {
namespace {

// Adds count jobs named from first on, each about half a kilobyte in the database.
void AddJobs(JobDatabase& database, int first, int count) {
    const std::string folder = "pc1", file = "pc1/2024-5-6.txt";
    for (int i = first; i < first + count; ++i) {
        ArchiveJob job;
        job.machine = "机床1";
        job.workpiece = "凹模 " + std::to_string(i) + std::string(400, 'x');
        job.mount = 8 * 3600;
        job.start = 8 * 3600 + 600;
        job.finish = 9 * 3600;
        job.amount = 300;
        job.line = std::size_t(i);
        const DatedJob dated = PlaceJob(job.Figures(), Day(std::chrono::days(19'849)), 0);
        const DayParts split = SplitAtMidnight(dated);
        database.Add(ReadJob{folder, file, "1    ", job, dated, {split.begin(), split.end()}});
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

// The database's rows for a run over folder, made with the report as the program makes them.
Report RunInto(const std::filesystem::path& db, const std::filesystem::path& folder) {
    JobDatabase database;
    std::string why;
    EXPECT_TRUE(database.Open(db, why)) << why;
    ReportRequest request;
    request.folders = {folder};
    request.eachJob = [&database](const ReadJob& job) { database.Add(job); };
    Report report = BuildReport(request);
    EXPECT_TRUE(database.Commit(report.problems, why)) << why;
    return report;
}

// A line met again after the report forgets it (a month on) is a job of its own for the report, so it
// is a row of its own; and the days sum as the report's.
TEST(JobDatabaseTest, TheSameLineAMonthLaterIsAnotherJob) {
    testing::TempFolder folder;
    const std::filesystem::path archive = folder / "PC1", db = folder / "jobs.db";
    std::filesystem::create_directory(archive);
    const std::string line = testing::Line("机床1", "凹模");
    testing::Put(archive / "2024-5-6.txt", line);
    testing::Put(archive / "2024-5-8.txt", testing::Replace(line, "7", "9"));  // a repeat: the same job
    testing::Put(archive / "2024-6-20.txt", line);
    const Report report = RunInto(db, archive);
    ASSERT_EQ(report.jobs, 2u);
    EXPECT_EQ(testing::QueryRows(db,
                                 "SELECT day, jobs, CAST(round(machining_hours * 60) AS INTEGER)"
                                 " FROM machine_days ORDER BY day"),
              (testing::Rows{{"2024-05-05", "1", "50"}, {"2024-06-19", "1", "50"}}));
    // Run again over the same files, then over one changed: nothing new, and nothing twice.
    RunInto(db, archive);
    testing::Put(archive / "2024-6-20.txt", line + "\r\n" + testing::Line("机床2", "凸模"));
    RunInto(db, archive);
    EXPECT_EQ(JobCount(db), "3");
    EXPECT_EQ(testing::QueryRows(db, "SELECT SUM(jobs) FROM machine_days"), testing::Rows{{"3"}});
}

// The same job twice in one run, into an empty database (its key made at the end) and into one with
// jobs (its key there all along), is two rows and counts twice, as the report counts it; a later run
// passes over both.
TEST(JobDatabaseTest, AJobTwiceInOneRunIsTwoRowsAndNotAddedAgain) {
    for (const bool empty : {true, false}) {
        testing::TempFolder folder;
        const std::filesystem::path db = folder / "jobs.db";
        std::string why;
        if (!empty) {
            JobDatabase earlier;
            ASSERT_TRUE(earlier.Open(db, why)) << why;
            AddJobs(earlier, 100, 1);
            ASSERT_TRUE(earlier.Commit({}, why)) << why;
        }
        for (const std::size_t added : {4u, 0u}) {
            JobDatabase database;
            ASSERT_TRUE(database.Open(db, why)) << why;
            AddJobs(database, 0, 2);
            AddJobs(database, 1, 2);
            ASSERT_TRUE(database.Commit({}, why)) << why;
            EXPECT_EQ(database.JobsAdded(), added) << empty;
            EXPECT_EQ(JobCount(db), empty ? "4" : "5") << empty;
            EXPECT_EQ(testing::QueryRows(db, "SELECT SUM(jobs), SUM(amount) FROM machine_days"),
                      (testing::Rows{{empty ? "4" : "5", empty ? "1200" : "1500"}}))
                << empty;
        }
    }
}

// A database of an earlier version, with the jobs' times as texts, each job's days in job_days (or, older
// still, none) and the key in the table (made before the finish day was part of it), keeps every row, id
// and text, has its days, and takes the jobs that key passed over at the next run.
TEST(JobDatabaseTest, AnOlderDatabaseIsConvertedAndTakesTheJobsItsKeyPassedOver) {
    for (const bool withDays : {true, false}) {
        testing::TempFolder folder;
        const std::filesystem::path archive = folder / "PC1", db = folder / "jobs.db";
        std::filesystem::create_directory(archive);
        const std::string line = testing::Line("机床1", "凹模", "0:20:00");  // 8:10 to 0:20 the next day
        testing::Put(archive / "2024-5-6.txt", line);
        testing::Put(archive / "2024-6-20.txt", line);
        RunInto(db, archive);
        const std::string texts =
            "SELECT id, mount_text, start_text, jump_text, break_text, finish_text, finish_date, mount_at,"
            " start_at, finish_at, machining_seconds FROM jobs ORDER BY id";
        const testing::Rows written = {
            {"1", "8:00:00", "8:10:00", "0:10:00", "0:00:00", "0:20:00", "2024-05-05", "2024-05-04T08:00:00",
             "2024-05-04T08:10:00", "2024-05-05T00:20:00", "58200"},
            {"2", "8:00:00", "8:10:00", "0:10:00", "0:00:00", "0:20:00", "2024-06-19", "2024-06-18T08:00:00",
             "2024-06-18T08:10:00", "2024-06-19T00:20:00", "58200"}};
        ASSERT_EQ(testing::QueryRows(db, texts), written);
        // As the earlier version left it: the key in the table, the second job passed over, both files in.
        testing::QueryRows(db, R"sql(
        CREATE TABLE old AS SELECT * FROM jobs WHERE finish_date = '2024-05-05';
        DROP VIEW jobs;
        DROP TABLE job_rows;
        DROP TABLE day_sums;
        CREATE TABLE jobs (id INTEGER PRIMARY KEY, folder TEXT NOT NULL, file TEXT NOT NULL,
            line INTEGER NOT NULL, number INTEGER, machine TEXT NOT NULL, workpiece TEXT NOT NULL,
            mount_text TEXT NOT NULL, start_text TEXT NOT NULL, jump_text TEXT NOT NULL,
            break_text TEXT NOT NULL, finish_text TEXT NOT NULL, amount INTEGER NOT NULL,
            finish_date TEXT NOT NULL, mount_at TEXT NOT NULL, start_at TEXT NOT NULL,
            finish_at TEXT NOT NULL, jump_seconds INTEGER NOT NULL, break_seconds INTEGER NOT NULL,
            machining_seconds INTEGER NOT NULL,
            UNIQUE (folder, machine, workpiece, mount_text, start_text, jump_text, break_text,
                    finish_text, amount));
        CREATE INDEX jobs_by_day ON jobs (finish_date, machine);
        INSERT INTO jobs SELECT id, folder, file, line, number, machine, workpiece, mount_text, start_text,
            jump_text, break_text, finish_text, amount, finish_date, mount_at, start_at, finish_at,
            jump_seconds, break_seconds, machining_seconds FROM old;
        UPDATE jobs SET id = 7;
        DROP TABLE old;)sql");
        if (withDays) {
            testing::QueryRows(db, R"sql(
        CREATE TABLE job_days (day TEXT NOT NULL, folder TEXT NOT NULL, machine TEXT NOT NULL,
            job INTEGER NOT NULL, jobs INTEGER NOT NULL, amount INTEGER NOT NULL,
            machining_seconds INTEGER NOT NULL, jump_seconds INTEGER NOT NULL,
            break_seconds INTEGER NOT NULL, cutting_seconds INTEGER NOT NULL,
            PRIMARY KEY (day, folder, machine, job)) WITHOUT ROWID;
        INSERT INTO job_days VALUES ('2024-05-04', 'PC1', '机床1', 7, 0, 0, 57000, 588, 0, 56412),
                                    ('2024-05-05', 'PC1', '机床1', 7, 1, 300, 1200, 12, 0, 1188);)sql");
        }
        ASSERT_EQ(testing::QueryRows(db, "SELECT id, finish_date FROM jobs"),
                  (testing::Rows{{"7", "2024-05-05"}}));
        RunInto(db, archive);
        testing::Rows converted = written;
        converted[0][0] = "7";
        converted[1][0] = "8";
        EXPECT_EQ(testing::QueryRows(db, texts), converted);
        EXPECT_EQ(
            testing::QueryRows(db,
                               "SELECT day, jobs, CAST(round(machining_hours * 60) AS INTEGER),"
                               " CAST(round(jump_hours * 3600) AS INTEGER) FROM machine_days ORDER BY day"),
            (testing::Rows{{"2024-05-04", "0", "950", "588"},
                           {"2024-05-05", "1", "20", "12"},
                           {"2024-06-18", "0", "950", "588"},
                           {"2024-06-19", "1", "20", "12"}}))
            << withDays;
        EXPECT_EQ(testing::QueryRows(db, "PRAGMA integrity_check"), testing::Rows{{"ok"}});
    }
}

}  // namespace
}  // namespace kerfolio
