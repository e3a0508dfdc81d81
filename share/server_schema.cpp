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
    // The owner registers each PC: its id, the name the office knows it by and the one login that may
    // send under that id, so no login can make up PCs. Ids claimed by sending under an older version
    // stay bound to their login, nameless until registered. The version and the register are the
    // owner's alone to write, whatever the schema's default privileges hand out.
    R"sql(
CREATE TABLE kerfolio.pcs(
  pc_id         text PRIMARY KEY,
  name          text CHECK (name <> ''),
  role          name NOT NULL,
  registered_at timestamptz NOT NULL DEFAULT clock_timestamp());
INSERT INTO kerfolio.pcs(pc_id, role, registered_at) SELECT pc_id, owner, claimed_at FROM kerfolio.pc_owners;
ALTER TABLE kerfolio.pcs ENABLE ROW LEVEL SECURITY;
CREATE POLICY read_all ON kerfolio.pcs FOR SELECT USING (true);
ALTER TABLE kerfolio.migrations ENABLE ROW LEVEL SECURITY;
CREATE POLICY read_all ON kerfolio.migrations FOR SELECT USING (true);
DROP POLICY insert_own ON kerfolio.events;
CREATE POLICY insert_registered ON kerfolio.events FOR INSERT WITH CHECK (EXISTS (
  SELECT 1 FROM kerfolio.pcs p WHERE p.pc_id = events.pc_id AND p.role = current_user));
DROP POLICY insert_own ON kerfolio.jobs;
CREATE POLICY insert_registered ON kerfolio.jobs FOR INSERT WITH CHECK (EXISTS (
  SELECT 1 FROM kerfolio.pcs p WHERE p.pc_id = jobs.pc_id AND p.role = current_user));
DROP POLICY insert_own ON kerfolio.job_intervals;
CREATE POLICY insert_registered ON kerfolio.job_intervals FOR INSERT WITH CHECK (EXISTS (
  SELECT 1 FROM kerfolio.pcs p WHERE p.pc_id = job_intervals.pc_id AND p.role = current_user));
DROP TABLE kerfolio.pc_owners;
DO $$
DECLARE
  who oid;
BEGIN
  FOR who IN SELECT DISTINCT a.grantee FROM pg_class c, aclexplode(c.relacl) a
    WHERE c.oid IN ('kerfolio.migrations'::regclass, 'kerfolio.pcs'::regclass) AND a.grantee <> c.relowner
  LOOP
    EXECUTE format('REVOKE INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER'
                   ' ON kerfolio.migrations, kerfolio.pcs FROM %s',
                   CASE WHEN who = 0 THEN 'PUBLIC' ELSE quote_ident(pg_get_userbyid(who)) END);
  END LOOP;
END $$;
CREATE FUNCTION kerfolio.register_pc(pc text, pc_name text, login_role name) RETURNS void
LANGUAGE plpgsql AS $$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles r WHERE r.rolname = login_role) THEN
    RAISE EXCEPTION '没有这个数据库用户：%', login_role;
  END IF;
  INSERT INTO kerfolio.pcs AS p(pc_id, name, role) VALUES (pc, pc_name, login_role)
  ON CONFLICT (pc_id) DO UPDATE SET name = excluded.name, role = excluded.role,
    registered_at = clock_timestamp();
END $$;
REVOKE EXECUTE ON FUNCTION kerfolio.register_pc(text, text, name) FROM PUBLIC;
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

std::optional<std::string> Migrate(PgConnection& conn, int upTo) {
    std::string error;
    auto version = CurrentVersion(conn, error);
    if (!version) return error;
    if (*version > kSchemaVersion) return std::string(kSchemaTooNew);
    if (*version >= upTo) return std::nullopt;

    if (PgResult begin = conn.Exec("BEGIN"); !begin.Ok()) return begin.Error();
    const auto fail = [&conn, made = *version > 0](const std::string& reason) -> std::optional<std::string> {
        if (conn.IsOpen()) conn.Exec("ROLLBACK");
        if (reason.find("permission denied") != std::string::npos)
            return std::string(made ? kSchemaOld : kSchemaMissing);
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
    if (*version > kSchemaVersion) {
        conn.Exec("ROLLBACK");
        return std::string(kSchemaTooNew);
    }
    for (auto v = *version; v < upTo; ++v) {
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
