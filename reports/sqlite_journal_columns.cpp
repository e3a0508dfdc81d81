// The columns a job read from a PC's journal adds to the jobs table: its absolute instants, the
// machine's number and the PC's id. Added to a database an earlier version made; other jobs leave them
// empty.
#include <sqlite3.h>

#include <string>

#include "reports/sqlite_writer.h"

namespace kerfolio {
namespace {

constexpr const char* kColumns[][2] = {
    {"pc_id", "TEXT"},              // the journal's PC
    {"journal_seq", "INTEGER"},     // the completed event's number in that journal
    {"machine_number", "INTEGER"},  // 1..6, whatever the machine was named
    {"mount_utc_ms", "INTEGER"},    // ms since 1970 UTC
    {"start_utc_ms", "INTEGER"},
    {"finish_utc_ms", "INTEGER"},
    {"utc_offset_s", "INTEGER"},  // the PC's offset from UTC at the finish
};

}  // namespace

bool JobDatabase::AddJournalColumns(const char* table) {
    for (const auto& [name, type] : kColumns) {
        const std::string probe = std::string("SELECT ") + name + " FROM " + table + " LIMIT 0";
        sqlite3_stmt* statement = nullptr;
        const bool present = sqlite3_prepare_v2(db_, probe.c_str(), -1, &statement, nullptr) == SQLITE_OK;
        sqlite3_finalize(statement);
        if (!present &&
            !Exec((std::string("ALTER TABLE ") + table + " ADD COLUMN " + name + " " + type).c_str()))
            return false;
    }
    return true;
}

bool JobDatabase::PrepareJournalFields() {
    return Prepare(
        "UPDATE jobs SET pc_id = ?1, journal_seq = ?2, machine_number = ?3,"
        " mount_utc_ms = ?4, start_utc_ms = ?5, finish_utc_ms = ?6, utc_offset_s = ?7"
        " WHERE rowid = last_insert_rowid()",
        &journalFields_);
}

void JobDatabase::AddJournalFields(const ReadJob& read) {
    const JournalJob& job = *read.journal;
    sqlite3_stmt* const s = journalFields_;
    const std::string& pc = read.pcId ? *read.pcId : std::string();
    sqlite3_bind_text(s, 1, pc.data(), int(pc.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 2, job.seq);
    sqlite3_bind_int(s, 3, job.machine);
    if (job.mountMs)
        sqlite3_bind_int64(s, 4, *job.mountMs);
    else
        sqlite3_bind_null(s, 4);
    sqlite3_bind_int64(s, 5, job.startMs);
    sqlite3_bind_int64(s, 6, job.finishMs);
    sqlite3_bind_int(s, 7, job.offsetS);
    if (sqlite3_step(s) != SQLITE_DONE) Fail();
    sqlite3_reset(s);
}

}  // namespace kerfolio
