#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "reports/archive_text.h"
#include "reports/report.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kerfolio {

// The jobs of the archive folders in an SQLite database, where a workshop's other tools can query them.
// A run is one transaction: a second run over the same folders adds only jobs it has not seen (a job is
// its folder's label and the fields of its line, so a line archived twice is one row), and a run that
// fails or is killed leaves the database as the run before left it.
class JobDatabase {
  public:
    JobDatabase() = default;
    JobDatabase(const JobDatabase&) = delete;
    JobDatabase& operator=(const JobDatabase&) = delete;
    // Rolls back whatever Commit has not made permanent.
    ~JobDatabase();

    // Opens or makes the database and starts this run's transaction; false, and why, when it cannot.
    bool Open(const std::filesystem::path& file, std::string& why);
    // The job, unless its folder already holds it. After a failure the rest is passed over and Commit
    // says why.
    void Add(const ReadJob& job);
    // The lines and files that did not read, then the whole run made permanent.
    bool Commit(const std::vector<InputProblem>& problems, std::string& why);

    std::size_t JobsAdded() const { return added_; }

  private:
    bool Exec(const char* sql);
    bool AddJournalColumns();               // in sqlite_journal_columns.cpp
    void AddJournalFields(const ReadJob& job);
    bool Fail();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insertJob_ = nullptr;
    sqlite3_stmt* insertProblem_ = nullptr;
    sqlite3_stmt* journalFields_ = nullptr;
    bool inTransaction_ = false;
    std::string error_;
    std::size_t added_ = 0;
};

}  // namespace kerfolio
