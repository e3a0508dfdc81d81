#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
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
// fails or is killed leaves the database as the run before left it. Each job's days, split and decided
// as the report decides them, are rows of job_days, and the view machine_days sums them.
//
// A run over whole folders (no range of days) records each file's size and modification time; a later
// run passes over the jobs of a file that has not changed since, as all of them are in.
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
    // The job and its days, unless its folder already holds it. After a failure the rest is passed
    // over and Commit says why.
    void Add(const ReadJob& job);
    // The lines and files that did not read, then the whole run made permanent.
    bool Commit(const std::vector<InputProblem>& problems, std::string& why);

    std::size_t JobsAdded() const { return added_; }

  private:
    bool Exec(const char* sql);
    // The tables (in sqlite_schema.cpp), their indexes unless jobs is empty, and, then, at the commit.
    bool MakeTables();
    bool MakeIndexes();
    bool AddJournalColumns(const char* table);  // in sqlite_journal_columns.cpp
    bool PrepareJournalFields();
    void AddJournalFields(const ReadJob& job);
    bool Fail();
    bool Prepare(const char* sql, sqlite3_stmt** statement);
    void AddDays(long long id, const std::string& folder, const std::string& machine, const DatedJob& dated,
                 bool timeCounted);
    // Days for the jobs of a database made before job_days, with the overlaps decided in their order.
    bool FillMissingDays();
    // Whether the file is recorded as it is now; remembers how it is now for the commit.
    bool Unchanged(const std::string& file);

    struct FileStamp {
        long long size = -1, modifiedNs = -1;
        bool operator==(const FileStamp&) const = default;
    };

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insertJob_ = nullptr;
    sqlite3_stmt* insertProblem_ = nullptr;
    sqlite3_stmt* insertDay_ = nullptr;
    bool wholeRun_ = false;
    bool bulk_ = false;                          // jobs was empty: its indexes are made at the commit
    std::map<std::string, FileStamp> recorded_;  // the files table at the start
    std::vector<std::pair<std::string, FileStamp>> seen_;  // this run's files, as they were read
    std::string lastFile_;
    bool skipFile_ = false;
    sqlite3_stmt* journalFields_ = nullptr;
    bool inTransaction_ = false;
    std::string error_;
    std::size_t added_ = 0;
};

}  // namespace kerfolio
