#include "share/server_schema.h"

#include <array>
#include <string_view>

#include "share/messages.h"
#include "share/pg_connection.h"

namespace kerfolio::share {

namespace {

// Step N makes version N+1. Steps are never edited once released: a change is a new step.
constexpr std::array<std::string_view, kSchemaVersion> kSteps = {
    R"sql(
CREATE TABLE kerfolio.events(
  pc_id        text    NOT NULL,
  seq          bigint  NOT NULL,
  utc_ms       bigint  NOT NULL,
  utc_offset_s integer NOT NULL,
  kind         text    NOT NULL,
  machine      integer,
  machine_name text,
  workpiece    text,
  amount       bigint,
  detail       text    NOT NULL,
  received_at  timestamptz NOT NULL DEFAULT clock_timestamp(),
  PRIMARY KEY (pc_id, seq));
CREATE INDEX events_machine ON kerfolio.events(pc_id, machine, seq);
CREATE TABLE kerfolio.jobs(
  pc_id text NOT NULL, seq bigint NOT NULL,
  machine integer NOT NULL, machine_name text NOT NULL,
  workpiece text NOT NULL, amount bigint NOT NULL,
  mount_utc_ms bigint, start_utc_ms bigint NOT NULL, finish_utc_ms bigint NOT NULL,
  utc_offset_s integer NOT NULL,
  jump_ms bigint NOT NULL, break_ms bigint NOT NULL,
  report_line text NOT NULL,
  stamped_differs integer NOT NULL,
  received_at timestamptz NOT NULL DEFAULT clock_timestamp(),
  PRIMARY KEY (pc_id, seq));
CREATE INDEX jobs_finish ON kerfolio.jobs(finish_utc_ms);
CREATE TABLE kerfolio.job_intervals(
  pc_id text NOT NULL, job_seq bigint NOT NULL, ord integer NOT NULL,
  kind text NOT NULL, begin_utc_ms bigint NOT NULL, end_utc_ms bigint NOT NULL,
  PRIMARY KEY (pc_id, job_seq, ord));
)sql",
    // Each PC id belongs to the role that first sent under it: a PC's role can add rows only under
    // its own ids. The owner of the tables is not bound (row security does not apply to it).
    // The office board finds each machine's latest clear, change of settings and archive by index,
    // and reads the events' detail as JSON, so a row whose detail is not JSON is refused at insert.
    R"sql(
CREATE TABLE kerfolio.pc_owners(
  pc_id      text PRIMARY KEY,
  owner      name NOT NULL DEFAULT current_user,
  claimed_at timestamptz NOT NULL DEFAULT clock_timestamp());
CREATE INDEX events_kind ON kerfolio.events(pc_id, machine, kind, seq);
ALTER TABLE kerfolio.events ADD CONSTRAINT events_detail_json CHECK (detail::jsonb IS NOT NULL);
ALTER TABLE kerfolio.pc_owners ENABLE ROW LEVEL SECURITY;
CREATE POLICY read_all ON kerfolio.pc_owners FOR SELECT USING (true);
CREATE POLICY claim_as_self ON kerfolio.pc_owners FOR INSERT WITH CHECK (owner = current_user);
ALTER TABLE kerfolio.events ENABLE ROW LEVEL SECURITY;
CREATE POLICY read_all ON kerfolio.events FOR SELECT USING (true);
CREATE POLICY insert_own ON kerfolio.events FOR INSERT WITH CHECK (EXISTS (
  SELECT 1 FROM kerfolio.pc_owners o WHERE o.pc_id = events.pc_id AND o.owner = current_user));
ALTER TABLE kerfolio.jobs ENABLE ROW LEVEL SECURITY;
CREATE POLICY read_all ON kerfolio.jobs FOR SELECT USING (true);
CREATE POLICY insert_own ON kerfolio.jobs FOR INSERT WITH CHECK (EXISTS (
  SELECT 1 FROM kerfolio.pc_owners o WHERE o.pc_id = jobs.pc_id AND o.owner = current_user));
ALTER TABLE kerfolio.job_intervals ENABLE ROW LEVEL SECURITY;
CREATE POLICY read_all ON kerfolio.job_intervals FOR SELECT USING (true);
CREATE POLICY insert_own ON kerfolio.job_intervals FOR INSERT WITH CHECK (EXISTS (
  SELECT 1 FROM kerfolio.pc_owners o WHERE o.pc_id = job_intervals.pc_id AND o.owner = current_user));
)sql",
};

// The version the tables are at, 0 before the first step; nullopt and the error when it cannot be read.
std::optional<long long> CurrentVersion(PgConnection& conn, std::string& error) {
    // Asked apart: a query naming a missing table fails as a whole, whatever its CASE says.
    PgResult exists = conn.Exec("SELECT to_regclass('kerfolio.migrations') IS NOT NULL");
    if (!exists.Ok()) {
        error = exists.Error();
        return std::nullopt;
    }
    if (exists.Text(0, 0) != "t") return 0;
    PgResult version = conn.Exec("SELECT coalesce(max(version), 0) FROM kerfolio.migrations");
    if (!version.Ok()) {
        error = version.Error();
        return std::nullopt;
    }
    return version.Integer(0, 0);
}

}  // namespace

std::optional<std::string> Migrate(PgConnection& conn) {
    std::string error;
    auto version = CurrentVersion(conn, error);
    if (!version) return error;
    if (*version >= kSchemaVersion) return std::nullopt;

    if (PgResult begin = conn.Exec("BEGIN"); !begin.Ok()) return begin.Error();
    const auto fail = [&conn](const std::string& reason) -> std::optional<std::string> {
        if (conn.IsOpen()) conn.Exec("ROLLBACK");
        if (reason.find("permission denied") != std::string::npos) return std::string(kSchemaMissing);
        return reason;
    };
    // One PC migrates while the others wait, then they find the work done.
    for (const std::string_view sql :
         {std::string_view("SELECT pg_advisory_xact_lock(7264001)"),
          std::string_view("CREATE SCHEMA IF NOT EXISTS kerfolio"),
          std::string_view("CREATE TABLE IF NOT EXISTS kerfolio.migrations(version integer PRIMARY KEY,"
                           " applied_at timestamptz NOT NULL DEFAULT now())")}) {
        if (PgResult step = conn.Exec(sql); !step.Ok()) return fail(step.Error());
    }
    version = CurrentVersion(conn, error);
    if (!version) return fail(error);
    for (auto v = *version; v < kSchemaVersion; ++v) {
        if (PgResult step = conn.Script(kSteps[static_cast<std::size_t>(v)]); !step.Ok())
            return fail(step.Error());
        if (PgResult mark =
                conn.Exec("INSERT INTO kerfolio.migrations(version) VALUES ($1)", {std::to_string(v + 1)});
            !mark.Ok())
            return fail(mark.Error());
    }
    if (PgResult commit = conn.Exec("COMMIT"); !commit.Ok()) return fail(commit.Error());
    return std::nullopt;
}

}  // namespace kerfolio::share
