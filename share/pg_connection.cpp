#include "share/pg_connection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <utility>

#include "share/messages.h"

namespace kerfolio::share {

namespace {

using Clock = std::chrono::steady_clock;

std::string Trimmed(const char* text) {
    std::string out = text ? text : "";
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// Waits until the socket can be read (or written); false when the deadline passed first.
bool WaitSocket(int socket, bool forWrite, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{socket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        const int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return true;  // let libpq see and report the error
    }
}

}  // namespace

PgResult::PgResult(pg_result* result) : result_(result, PQclear) {
    if (!result) {
        error_ = "no result";
        return;
    }
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        error_ = Trimmed(PQresultErrorMessage(result));
        if (error_.empty()) error_ = PQresStatus(status);
    }
}

int PgResult::Rows() const {
    return result_ ? PQntuples(result_.get()) : 0;
}
int PgResult::Columns() const {
    return result_ ? PQnfields(result_.get()) : 0;
}
bool PgResult::IsNull(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}
std::string PgResult::Text(int row, int column) const {
    return std::string(PQgetvalue(result_.get(), row, column),
                       static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}
long long PgResult::Integer(int row, int column) const {
    return IsNull(row, column) ? 0 : std::stoll(Text(row, column));
}
long long PgResult::Affected() const {
    const char* tuples = result_ ? PQcmdTuples(result_.get()) : "";
    return *tuples ? std::stoll(tuples) : 0;
}

PgConnection::~PgConnection() {
    Close();
}
PgConnection::PgConnection(PgConnection&& other) noexcept
    : conn_(std::exchange(other.conn_, nullptr)), refused_(other.refused_), timeout_(other.timeout_) {}
PgConnection& PgConnection::operator=(PgConnection&& other) noexcept {
    if (this != &other) {
        Close();
        conn_ = std::exchange(other.conn_, nullptr);
        refused_ = other.refused_;
        timeout_ = other.timeout_;
    }
    return *this;
}

void PgConnection::Close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

std::optional<std::string> CheckConninfo(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (!options) {
        std::string reason = Trimmed(error);
        PQfreemem(error);
        return std::string(kBadConninfo) + reason;
    }
    PQconninfoFree(options);
    return std::nullopt;
}

std::optional<std::string> PgConnection::Open(const std::string& conninfo,
                                              std::chrono::milliseconds timeout) {
    Close();
    timeout_ = timeout;
    refused_ = true;
    if (auto bad = CheckConninfo(conninfo)) return bad;
    refused_ = false;
    const std::string seconds = std::to_string(std::max<long long>(1, (timeout.count() + 999) / 1000));
    const std::string userTimeout = std::to_string(timeout.count());
    // Our defaults first, the operator's string last: libpq keeps the last value of a repeated key.
    const char* keys[] = {"connect_timeout",     "keepalives",       "keepalives_idle",
                          "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                          "application_name",    "dbname",           nullptr};
    const char* values[] = {seconds.c_str(),  "1",    "10", "5", "3", userTimeout.c_str(), "kerfolio",
                            conninfo.c_str(), nullptr};
    conn_ = PQconnectStartParams(keys, values, 1);
    if (!conn_) return std::string(kConnectFailed) + "out of memory";
    // The server's notices ("already exists, skipping") are not for the operator's terminal.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    const auto deadline = Clock::now() + timeout;
    ConnStatusType stage = CONNECTION_STARTED;  // where the last poll began
    for (PostgresPollingStatusType state = PGRES_POLLING_WRITING;;) {
        if (PQstatus(conn_) == CONNECTION_BAD) state = PGRES_POLLING_FAILED;
        if (state == PGRES_POLLING_OK) break;
        if (state == PGRES_POLLING_FAILED) {
            std::string reason = std::string(kConnectFailed) + Trimmed(PQerrorMessage(conn_));
            // The server answered and turned this login away: a password asked for, or no line of
            // its pg_hba.conf for us. Or what answered the port broke off the encryption's handshake:
            // another program on that port, or an encryption the settings ask for that the server
            // does not give. Anything else (refused, unreachable, unknown host) may pass.
            refused_ = PQconnectionUsedPassword(conn_) == 1 || PQconnectionNeedsPassword(conn_) == 1 ||
                       reason.find("pg_hba.conf") != std::string::npos || stage == CONNECTION_SSL_STARTUP;
            Close();
            return reason;
        }
        if (!WaitSocket(PQsocket(conn_), state == PGRES_POLLING_WRITING, deadline)) {
            Close();
            return std::string(kConnectFailed) + kServerTimedOut;
        }
        stage = PQstatus(conn_);
        state = PQconnectPoll(conn_);
    }
    PQsetnonblocking(conn_, 1);
    // The server's own limit, for a statement stuck behind a lock rather than a host that is gone.
    const std::string limit = "SET statement_timeout = " + std::to_string(timeout.count());
    if (PgResult set = Exec(limit); !set.Ok()) return std::string(kConnectFailed) + set.Error();
    return std::nullopt;
}

PgResult PgConnection::Exec(std::string_view sql, const PgParams& params) {
    if (!conn_) return PgResult(std::string(kServerError) + "not connected");
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    const std::string text(sql);
    const int sent = PQsendQueryParams(conn_, text.c_str(), static_cast<int>(values.size()), nullptr,
                                       values.data(), nullptr, nullptr, 0);
    return Finish(sent == 1);
}

PgResult PgConnection::Script(std::string_view sql) {
    if (!conn_) return PgResult(std::string(kServerError) + "not connected");
    const std::string text(sql);
    return Finish(PQsendQuery(conn_, text.c_str()) == 1);
}

PgResult PgConnection::Finish(bool sent) {
    const auto broken = [this](std::string reason) {
        Close();
        return PgResult(std::move(reason));
    };
    if (!sent) return broken(std::string(kServerError) + Trimmed(PQerrorMessage(conn_)));
    const auto deadline = Clock::now() + timeout_;
    for (int flushed; (flushed = PQflush(conn_)) != 0;) {
        if (flushed < 0) return broken(std::string(kServerError) + Trimmed(PQerrorMessage(conn_)));
        if (!WaitSocket(PQsocket(conn_), true, deadline)) return broken(kServerTimedOut);
        PQconsumeInput(conn_);
    }
    PgResult last(std::string(kServerError) + "no result");
    std::string firstError;
    for (;;) {
        while (PQisBusy(conn_)) {
            if (!WaitSocket(PQsocket(conn_), false, deadline)) return broken(kServerTimedOut);
            if (!PQconsumeInput(conn_))
                return broken(std::string(kServerError) + Trimmed(PQerrorMessage(conn_)));
        }
        PGresult* result = PQgetResult(conn_);
        if (!result) break;
        last = PgResult(result);
        if (!last.Ok() && firstError.empty()) firstError = last.Error();
    }
    if (PQstatus(conn_) == CONNECTION_BAD)
        return broken(std::string(kServerError) + Trimmed(PQerrorMessage(conn_)));
    if (!firstError.empty()) return PgResult(std::string(kServerError) + firstError);
    return last;
}

}  // namespace kerfolio::share
