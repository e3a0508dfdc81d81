#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "reports/archive_text.h"
#include "reports/report.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kerfolio {

// The jobs of the archive folders in an SQLite database, where a workshop's other tools can query them.
// A run is one transaction: a second run over the same folders adds only jobs it has not seen (a job is
// its folder's label and the fields of its line, so a line archived twice is one row), and a run that
// fails or is killed leaves the database as the run before left it. Each new job's days, split and
// decided by the report itself, are added to day_sums, and the view machine_days reads them.
//
// A run over whole folders (no range of days) records each file's size and modification time; a later
// run passes over the jobs of a file that has not changed since, as all of them are in.
//
// The rows are written by a thread of their own while the report reads on, once a run has more jobs
// than one batch: the database's work would otherwise double a large run's time.
class JobDatabase {
  public:
    JobDatabase() = default;
    JobDatabase(const JobDatabase&) = delete;
    JobDatabase& operator=(const JobDatabase&) = delete;
    // Rolls back whatever Commit has not made permanent.
    ~JobDatabase();

    // Opens or makes the database and starts this run's transaction; false, and why, when it cannot.
    bool Open(const std::filesystem::path& file, std::string& why);
    // Whether the run reads whole folders, so that its files can be recorded as wholly in.
    void SetWholeRun(bool whole) { wholeRun_ = whole; }
    // The job and its days, unless a run before added it. After a failure the rest is passed over and
    // Commit says why.
    void Add(const ReadJob& job);
    // The lines and files that did not read, then the whole run made permanent.
    bool Commit(const std::vector<InputProblem>& problems, std::string& why);

    // After Commit.
    std::size_t JobsAdded() const { return added_; }

  private:
    // A job as its row needs it, held from Add until it is written.
    struct Pending {
        std::string machine, workpiece;
        std::size_t folder = 0, file = 0;  // in the batch's names
        std::size_t line = 0;
        std::optional<long long> number;
        int mount = 0, start = 0, finish = 0, machining = 0;
        long long amount = 0, jump = 0, wireBreak = 0;
        Day finishDay;
        std::size_t firstPart = 0, partCount = 0;  // in the batch's parts
        std::optional<JournalJob> journal;         // its instants, without its texts
        std::string pcId;
    };
    struct Batch {
        std::vector<Pending> jobs;
        std::vector<DayPart> parts;
        std::vector<std::string> names;
    };
    static constexpr std::size_t kBatchJobs = 4096;
    // Rows to a statement: one statement for many rows saves most of a row's cost in the database.
    static constexpr std::size_t kRowsPerInsert = 32;
    static constexpr int kRowColumns = 14;  // of a row, without a journal's

    bool Exec(const char* sql);
    // The tables and views (in sqlite_schema.cpp); the key is made at once unless job_rows is empty,
    // then at the commit.
    bool MakeTables();
    bool MakeKey();
    bool HasTable(const char* name, const char* type);
    bool AddJournalColumns(const char* table);  // in sqlite_journal_columns.cpp
    static void BindJournalFields(sqlite3_stmt* statement, int first, const JournalJob& job,
                                  const std::string& pcId);
    bool Fail();
    bool Prepare(const char* sql, sqlite3_stmt** statement);

    // The writer thread (in sqlite_writer_thread.cpp): a full batch handed over, the batches written in
    // turn, and the rest written and the thread ended before the commit.
    void Hand();
    void WriteHanded();
    void FinishWriting();
    void Write(const Batch& batch);
    static void BindRow(sqlite3_stmt* statement, int first, const Batch& batch, const Pending& job,
                        const std::string& finishDate);
    bool Insert(const Batch& batch, std::span<const Pending* const> jobs,
                std::span<const std::string> finishDates);

    // Whether a run before this one added the job.
    bool Known(const Batch& batch, const Pending& job, const std::string& finishDate);
    void AddDays(const std::string& folder, const std::string& machine, Day finishDay, long long amount,
                 std::span<const DayPart> parts);
    bool WriteDays();
    // Days for the jobs of a database made before it held them, with the overlaps decided in their order.
    bool FillMissingDays();
    // Whether the file is recorded as it is now; remembers how it is now for the commit.
    bool Unchanged(const std::string& file);

    struct FileStamp {
        long long size = -1, modifiedNs = -1;
        bool operator==(const FileStamp&) const = default;
    };
    // A machine's sums of one day, added to the table's at the commit.
    struct DaySums {
        long long jobs = 0, amount = 0, machining = 0, jump = 0, wireBreak = 0, net = 0;
    };

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insertJob_ = nullptr;
    sqlite3_stmt* insertJobs_ = nullptr;  // kRowsPerInsert of them
    sqlite3_stmt* insertJournalJob_ = nullptr;
    sqlite3_stmt* insertProblem_ = nullptr;
    sqlite3_stmt* findJob_ = nullptr;  // unless bulk_
    bool wholeRun_ = false;
    bool bulk_ = false;         // job_rows was empty: its key is made at the commit
    long long lastBefore_ = 0;  // the last id of the runs before
    bool inTransaction_ = false;

    // Add's, on the reading thread.
    Batch filling_;
    std::map<std::string, FileStamp> recorded_;            // the files table at the start
    std::vector<std::pair<std::string, FileStamp>> seen_;  // this run's files, as they were read
    std::string lastFile_;
    bool skipFile_ = false;

    // Handed between the threads.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> handed_;
    std::vector<Batch> spare_;  // written, for the reading thread to fill again
    bool finishing_ = false;
    std::thread writer_;
    std::atomic<bool> failed_ = false;

    // The writer's while it runs, the reading thread's before and after.
    std::map<std::pair<std::string, std::string>, std::uint32_t> machines_;  // folder and machine
    std::vector<const std::pair<std::string, std::string>*> machineNames_;   // by number
    std::unordered_map<std::uint64_t, DaySums> days_;                        // by day and machine number
    std::string error_;
    std::size_t added_ = 0;
};

}  // namespace kerfolio
