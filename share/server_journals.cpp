#include "share/server_journals.h"

#include <chrono>
#include <cstdlib>

#include "share/pg_connection.h"
#include "share/server_schema.h"

namespace kerfolio::share {

namespace {

std::optional<std::string> Rows(PgConnection& conn, const char* sql, const PgParams& params,
                                std::vector<journal::TextRow>& out) {
    PgResult result = conn.Exec(sql, params);
    if (!result.Ok()) return result.Error();
    for (int r = 0; r < result.Rows(); ++r) {
        journal::TextRow row;
        for (int c = 0; c < result.Columns(); ++c) {
            if (result.IsNull(r, c))
                row.emplace_back(std::nullopt);
            else
                row.emplace_back(result.Text(r, c));
        }
        out.push_back(std::move(row));
    }
    return std::nullopt;
}

std::optional<std::string> ReadPc(PgConnection& conn, std::int64_t fromMs, std::int64_t toMs, ServerPc& pc) {
    const journal::ReportQueries& q = journal::kServerQueries;
    journal::ReportRows& rows = pc.rows;
    rows.pcId = pc.pcId;
    const PgParams range = {pc.pcId, std::to_string(fromMs), std::to_string(toMs)};
    if (auto problem = Rows(conn, q.names, {pc.pcId}, rows.names)) return problem;
    if (auto problem = Rows(conn, q.jobs, range, rows.jobs)) return problem;
    if (rows.jobs.empty()) return std::nullopt;
    if (auto problem = Rows(conn, q.intervals, range, rows.intervals)) return problem;
    if (auto problem = Rows(conn, q.corrections, range, rows.corrections)) return problem;
    const std::string firstSeq = rows.jobs.front()[journal::job_column::kSeq].value_or("0");
    return Rows(conn, q.archived, {pc.pcId, firstSeq}, rows.archived);
}

}  // namespace

std::optional<std::string> ReadServerJournals(const std::string& conninfo, std::int64_t fromMs,
                                              std::int64_t toMs, ServerJournals& out) {
    out = {};
    PgConnection conn;
    if (auto problem = conn.Open(conninfo, std::chrono::seconds(30))) return problem;
    conn.SetTimeout(std::chrono::minutes(10));  // a year of a large shop is a long query, not a hung one
    // An owner's run makes or updates the tables; a reading role only checks them.
    if (auto problem = Migrate(conn)) return problem;
    // One snapshot of the whole server, so a PC's jobs and where they were archived agree.
    if (PgResult begin = conn.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"); !begin.Ok())
        return begin.Error();
    std::vector<journal::TextRow> pcs, unregistered;
    auto problem = Rows(
        conn, "SELECT pc_id, name FROM kerfolio.pcs WHERE name IS NOT NULL ORDER BY name, pc_id", {}, pcs);
    if (!problem)
        problem = Rows(conn,
                       "SELECT count(DISTINCT pc_id) FROM kerfolio.events e WHERE NOT EXISTS"
                       " (SELECT 1 FROM kerfolio.pcs p WHERE p.pc_id = e.pc_id AND p.name IS NOT NULL)",
                       {}, unregistered);
    if (!problem && !unregistered.empty() && unregistered[0][0])
        out.unregisteredPcs = std::strtoll(unregistered[0][0]->c_str(), nullptr, 10);
    for (const journal::TextRow& row : pcs) {
        if (problem) break;
        out.pcs.push_back({row[0].value_or(""), row[1].value_or(""), {}});
        problem = ReadPc(conn, fromMs, toMs, out.pcs.back());
    }
    if (conn.IsOpen()) conn.Exec(problem ? "ROLLBACK" : "COMMIT");
    if (problem) out = {};
    return problem;
}

}  // namespace kerfolio::share
