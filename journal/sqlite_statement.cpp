#include "journal/sqlite_statement.h"

#include <utility>

namespace kerfolio::journal {

Statement::Statement(sqlite3* db, std::string_view sql) {
    prepareCode_ = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt_, nullptr);
    if (prepareCode_ != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), prepareCode_(other.prepareCode_) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
        prepareCode_ = other.prepareCode_;
    }
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

Statement& Statement::Bind(int index, const std::optional<std::int64_t>& value) {
    if (value) return Bind(index, *value);
    sqlite3_bind_null(stmt_, index);
    return *this;
}

Statement& Statement::Bind(int index, const std::optional<std::string>& text) {
    if (text) return Bind(index, std::string_view(*text));
    sqlite3_bind_null(stmt_, index);
    return *this;
}

int Statement::Step() {
    return sqlite3_step(stmt_);
}

int Statement::Run() {
    int code = SQLITE_ROW;
    while (code == SQLITE_ROW)
        code = sqlite3_step(stmt_);
    Reset();
    return code;
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string Statement::Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                : std::string();
}

}  // namespace kerfolio::journal
