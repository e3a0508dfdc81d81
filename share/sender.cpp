#include "share/sender.h"

#include <algorithm>
#include <cstdio>

#include "share/journal_outbox.h"
#include "share/messages.h"
#include "share/pg_connection.h"
#include "share/server_schema.h"

namespace kerfolio::share {

namespace {

// Rows per INSERT: well under the protocol's 65535 parameters.
constexpr std::size_t kRowsPerStatement = 400;

PgResult InsertRows(PgConnection& conn, std::string_view head, const std::vector<Row>& rows, std::size_t from,
                    std::size_t count, std::string_view tail) {
    std::string sql(head);
    PgParams params;
    for (std::size_t r = from; r < from + count; ++r) {
        sql += r == from ? "(" : ",(";
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            params.push_back(rows[r][c]);
            sql += (c ? ",$" : "$") + std::to_string(params.size());
        }
        sql += ')';
    }
    sql += tail;
    return conn.Exec(sql, params);
}

std::optional<std::string> InsertAll(PgConnection& conn, std::string_view head, const std::vector<Row>& rows,
                                     std::string_view tail) {
    for (std::size_t from = 0; from < rows.size(); from += kRowsPerStatement) {
        PgResult result =
            InsertRows(conn, head, rows, from, std::min(kRowsPerStatement, rows.size() - from), tail);
        if (!result.Ok()) return result.Error();
    }
    return std::nullopt;
}

// The server's row security takes rows only under an id the owner registered to this login (the
// tables' owner is not bound); asked first, so the window can say which id and login to register.
std::optional<std::string> CheckRegistered(PgConnection& conn, const std::string& pcId) {
    PgResult registered = conn.Exec(
        "SELECT pg_has_role((SELECT relowner FROM pg_class WHERE oid = 'kerfolio.events'::regclass), 'USAGE')"
        " OR EXISTS (SELECT 1 FROM kerfolio.pcs WHERE pc_id = $1 AND role = current_user), current_user",
        {pcId});
    if (!registered.Ok()) return registered.Error();
    if (registered.Text(0, 0) != "t")
        return std::string(kPcNotRegistered) + pcId + kPcNotRegisteredUser + registered.Text(0, 1);
    return std::nullopt;
}

std::optional<std::string> SendBatch(PgConnection& conn, const Batch& batch) {
    if (PgResult begin = conn.Exec("BEGIN"); !begin.Ok()) return begin.Error();
    std::optional<std::string> problem;
    if (!batch.events.empty() && !batch.events.front().empty() && batch.events.front()[0])
        problem = CheckRegistered(conn, *batch.events.front()[0]);
    if (!problem)
        problem = InsertAll(conn,
                            "INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, machine,"
                            " machine_name, workpiece, amount, detail) VALUES ",
                            batch.events, " ON CONFLICT (pc_id, seq) DO NOTHING");
    if (!problem)
        problem = InsertAll(conn,
                            "INSERT INTO kerfolio.jobs(pc_id, seq, machine, machine_name, workpiece, amount,"
                            " mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s, jump_ms, break_ms,"
                            " report_line, stamped_differs) VALUES ",
                            batch.jobs, " ON CONFLICT (pc_id, seq) DO NOTHING");
    if (!problem)
        problem = InsertAll(conn,
                            "INSERT INTO kerfolio.job_intervals(pc_id, job_seq, ord, kind, begin_utc_ms,"
                            " end_utc_ms) VALUES ",
                            batch.intervals, " ON CONFLICT (pc_id, job_seq, ord) DO NOTHING");
    if (!problem) {
        if (PgResult commit = conn.Exec("COMMIT"); !commit.Ok()) problem = commit.Error();
    }
    // Whatever failed, this connection is not trusted again: the server rolls back what it holds.
    if (problem) conn.Close();
    return problem;
}

}  // namespace

Sender::Sender(std::filesystem::path journal, std::string conninfo, SenderOptions options)
    : journal_(std::move(journal)), conninfo_(std::move(conninfo)), options_(options) {}

Sender::~Sender() {
    Stop();
}

void Sender::Start() {
    thread_.Start([this] { Run(); });
}

void Sender::Stop() {
    thread_.Stop();
}

void Sender::Wake() {
    thread_.Wake();
}

SenderStatus Sender::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void Sender::Fail(const std::string& reason, bool settings) {
    std::lock_guard lock(mutex_);
    status_.lastError = reason;
    if (settings) status_.settingsProblem = reason;
    status_.connected = false;
    ++status_.failures;
}

namespace {

struct Link {
    PgConnection server;
    JournalOutbox journal;
    std::int64_t sent = -1;  // unknown until read from the journal
    std::string pcId;        // empty until read from the journal
};

// What an operator must put right rather than wait out: the tables, or this PC's registration.
bool NeedsTheOwner(const std::string& problem) {
    return problem == kSchemaTooNew || problem == kSchemaMissing || problem == kSchemaOld ||
           problem.rfind(kPcNotRegistered, 0) == 0;
}

}  // namespace

std::optional<std::string> Sender::Connect(PgConnection& server, const std::string& pcId, bool& settings) {
    std::optional<std::string> problem = server.Open(conninfo_, options_.ioTimeout);
    if (problem) {
        settings = server.Refused();
        return problem;
    }
    problem = Migrate(server);
    if (!problem && !pcId.empty()) problem = CheckRegistered(server, pcId);
    if (problem) {
        settings = NeedsTheOwner(*problem);
        server.Close();
        return problem;
    }
    std::lock_guard lock(mutex_);
    status_.connected = true;
    status_.settingsProblem.clear();
    return std::nullopt;
}

void Sender::Run() {
    Link link;
    std::chrono::milliseconds retry = options_.firstRetry;
    // The first connection is made at start-up, events or not, so wrong settings are said at once.
    bool firstTry = true;
    for (;;) {
        if (thread_.Stopping()) return;
        bool idle = false;
        bool settings = false;
        std::optional<std::string> problem;
        const bool haveJournal = link.journal.IsOpen() || std::filesystem::exists(journal_);
        if (!haveJournal && !firstTry) {
            // No journal yet: nothing to send, not a failure.
            thread_.Sleep(options_.poll);
            continue;
        }
        if (haveJournal && !link.journal.IsOpen()) {
            problem = link.journal.Open(journal_);
            if (!problem) problem = link.journal.SentSeq(link.sent);
            if (!problem) problem = link.journal.PcId(link.pcId);
        }
        Batch batch;
        if (!problem && !haveJournal) idle = true;
        if (!problem && haveJournal) {
            Backlog backlog;
            problem = link.journal.Pending(link.sent, backlog);
            if (!problem) {
                std::lock_guard lock(mutex_);
                status_.pending = backlog.count;
                status_.pendingSinceMs = backlog.oldestMs;
                status_.sentSeq = link.sent;
            }
            if (!problem && backlog.count == 0) idle = true;
        }
        if (!problem && (!idle || firstTry) && !link.server.IsOpen()) {
            firstTry = false;
            problem = Connect(link.server, link.pcId, settings);
        }
        if (!problem && !idle) problem = link.journal.Read(link.sent, options_.batchEvents, batch);
        if (!problem && !idle && !batch.events.empty()) {
            problem = SendBatch(link.server, batch);
            if (problem) {
                settings = NeedsTheOwner(*problem);
            } else {
                // Committed: only now may the mark move. If writing it fails the batch goes again,
                // which the server ignores.
                if (auto mark = link.journal.MarkSent(batch.lastSeq)) {
                    problem = mark;
                    link.journal.Close();
                } else {
                    link.sent = batch.lastSeq;
                    std::lock_guard lock(mutex_);
                    status_.sentSeq = link.sent;
                    status_.sentTotal += static_cast<std::int64_t>(batch.events.size());
                    status_.pending = std::max<std::int64_t>(
                        0, status_.pending - static_cast<std::int64_t>(batch.events.size()));
                    status_.lastError.clear();
                    status_.failures = 0;
                    status_.connected = true;
                }
            }
        }
        if (problem) {
            if (problem->rfind(kJournalError, 0) == 0) link.journal.Close();
            Fail(*problem, settings);
            thread_.Sleep(retry);
            retry = std::min(retry * 2, options_.longestRetry);
            continue;
        }
        retry = options_.firstRetry;
        // Nothing to send is no news of the server: a failed first connection stands until one
        // succeeds.
        if (idle && link.server.IsOpen()) {
            std::lock_guard lock(mutex_);
            status_.lastError.clear();
            status_.failures = 0;
        }
        if (idle) thread_.Sleep(options_.poll);
    }
}

std::string LagText(const SenderStatus& status, int utcOffsetSeconds) {
    if (status.pending <= 0 || !status.pendingSinceMs) return {};
    const std::int64_t local = *status.pendingSinceMs / 1000 + utcOffsetSeconds;
    const std::int64_t secondOfDay = ((local % 86400) + 86400) % 86400;
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60));
    return kLagPrefix + std::to_string(status.pending) + kLagMiddle + clock + kLagSuffix;
}

bool LagPastHour(const SenderStatus& status, std::int64_t nowMs) {
    return status.pending > 0 && status.pendingSinceMs &&
           nowMs - *status.pendingSinceMs > std::int64_t{3600} * 1000;
}

}  // namespace kerfolio::share
