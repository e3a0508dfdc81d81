#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio::journal {

// A prepared statement that resets itself for the next use; binds are 1-based as in SQLite.
class Statement {
  public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;

    bool Ok() const { return stmt_ != nullptr; }
    int PrepareCode() const { return prepareCode_; }

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& Bind(int index, const std::optional<std::int64_t>& value);
    Statement& Bind(int index, const std::optional<std::string>& text);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Runs to the end; SQLITE_DONE or the error code. Resets for the next use.
    int Run();
    void Reset();

    std::int64_t Int(int column) const;
    bool IsNull(int column) const;
    std::string Text(int column) const;

  private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepareCode_ = SQLITE_MISUSE;
};

}  // namespace kerfolio::journal
