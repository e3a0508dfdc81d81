// The columns a job read from a PC's journal adds to a job's row: its absolute instants, the machine's
// number and the PC's id; other jobs leave them empty. Added to the table of an earlier version before
// its rows are taken over.
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

void JobDatabase::BindJournalFields(sqlite3_stmt* s, int first, const JournalJob& job,
                                    const std::string& pcId) {
    sqlite3_bind_text(s, first, pcId.data(), int(pcId.size()), SQLITE_STATIC);
    sqlite3_bind_int64(s, first + 1, job.seq);
    sqlite3_bind_int(s, first + 2, job.machine);
    if (job.mountMs)
        sqlite3_bind_int64(s, first + 3, *job.mountMs);
    else
        sqlite3_bind_null(s, first + 3);
    sqlite3_bind_int64(s, first + 4, job.startMs);
    sqlite3_bind_int64(s, first + 5, job.finishMs);
    sqlite3_bind_int(s, first + 6, job.offsetS);
}

}  // namespace kerfolio
