#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kerfolio::share {

// One statement's outcome: the rows, or what went wrong in words.
class PgResult {
  public:
    PgResult() = default;
    explicit PgResult(std::string error) : error_(std::move(error)) {}
    explicit PgResult(pg_result* result);

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    int Rows() const;
    int Columns() const;
    bool IsNull(int row, int column) const;
    std::string Text(int row, int column) const;
    long long Integer(int row, int column) const;  // 0 for NULL
    // Rows that INSERT, UPDATE or DELETE changed.
    long long Affected() const;

  private:
    std::shared_ptr<pg_result> result_;
    std::string error_;
};

using PgParams = std::vector<std::optional<std::string>>;  // nullopt is SQL NULL

// A libpq connection whose every wait has a deadline of our own, so a server that accepts and then
// stops answering (a frozen host, a cable pulled with no reset) is cut instead of hanging the caller.
// TCP keepalives and tcp_user_timeout are asked for too; the connection string may override them.
class PgConnection {
  public:
    PgConnection() = default;
    ~PgConnection();
    PgConnection(PgConnection&& other) noexcept;
    PgConnection& operator=(PgConnection&& other) noexcept;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects; on failure the reason in words (a bad string, a refused password, no answer) and the
    // connection stays closed.
    std::optional<std::string> Open(const std::string& conninfo, std::chrono::milliseconds timeout);
    bool IsOpen() const { return conn_ != nullptr; }
    // Whether the last Open failed on its settings (a string that does not read, a login the server
    // turned away) rather than for want of a server.
    bool Refused() const { return refused_; }
    void Close();

    // One statement with text parameters. A timeout or a broken link closes the connection: what the
    // server did with an unfinished transaction is then its own to roll back.
    PgResult Exec(std::string_view sql, const PgParams& params = {});
    // Several statements in one string, no parameters.
    PgResult Script(std::string_view sql);

    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

  private:
    PgResult Finish(bool sent);

    pg_conn* conn_ = nullptr;
    bool refused_ = false;
    std::chrono::milliseconds timeout_{30000};
};

// Whether the connection string reads; the reason in words when not.
std::optional<std::string> CheckConninfo(const std::string& conninfo);

}  // namespace kerfolio::share
