#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kerfolio::testing {

using Rows = std::vector<std::vector<std::string>>;

// The rows sql gives on the database file, every value as text ("NULL" for none), opened as the sqlite3
// shell or Python open it (able to roll back what a killed writer left); a failure comes back as one row
// holding the error.
inline Rows QueryRows(const std::filesystem::path& file, const std::string& sql) {
    Rows rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        rows.push_back({"cannot open: " + std::string(sqlite3_errmsg(db))});
        sqlite3_close(db);
        return rows;
    }
    char* error = nullptr;
    const auto collect = [](void* into, int columns, char** values, char**) {
        std::vector<std::string> row;
        for (int i = 0; i < columns; ++i)
            row.emplace_back(values[i] ? values[i] : "NULL");
        static_cast<Rows*>(into)->push_back(std::move(row));
        return 0;
    };
    if (sqlite3_exec(db, sql.c_str(), collect, &rows, &error) != SQLITE_OK) {
        rows = {{"error: " + std::string(error ? error : "")}};
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return rows;
}

}  // namespace kerfolio::testing
