#pragma once

// The journal's tables. Other programs read them (the report, the live board, the sender to a shared
// PostgreSQL), so names and meanings stay; a change raises kSchemaVersion.
//
// events: one row per confirmed event.
//   seq           per PC, strictly increasing, never reused (AUTOINCREMENT)
//   pc_id         32 lowercase hex characters, random, made once when the journal is created. A damaged
//                 journal set aside takes its id with it: the new one gets a new id, so (pc_id, seq)
//                 stays unique wherever the rows are sent.
//   utc_ms        the instant the event stands for (the click's stamp), ms since 1970 UTC
//   utc_offset_s  the PC's offset from UTC at that instant, seconds, east positive
//   kind          one of the kinds below
//   machine       1..6, NULL for events not of one machine
//   machine_name  the machine's name (row caption) at that moment
//   workpiece     started, completed (final value)
//   amount        started, completed (final value; NULL when the text is not an integer)
//   detail        JSON object, per kind:
//     mounted, jump_start, jump_end, break_start, break_end: {"cell": board cell text written}
//     started:   {"cell", "amount_text": the amount exactly as typed ("0x20" stays "0x20")}
//     completed: {"report_no", "line": the report line, "stamped": {...}, "final": {...}} where both
//                objects have the keys machine, workpiece, mount, start, jump, break, finish, amount
//                (stamped: as shown when the dialog opened; final: as confirmed). utc_ms is the
//                unmount click's stamp.
//     cancelled: {}
//     params_changed: {"caption", "model", "travel", "taper", "tolerance", "efficiency", "remarks"}
//     archived:  {"file", "first_line": 1-based line of the day file where the NotePad's first line
//                went, "lines", "jobs": [[completed_seq, file_line], ...]}
//     program_started, program_closed (clean close only): {}
//
// jobs: one row per completed event, written in the same transaction. Instants come from the stamps;
// a time the operator corrected at completion is placed on the date that puts it nearest its stamp
// (a mount or start the journal never saw: the latest such time before the next step of the job).
// jump_ms / break_ms are the exact sums of the job's intervals, except where the operator corrected
// the total or the journal did not see the job from its start: then the confirmed total's duration.
//
// meta keys: schema, pc_id, snapshot_seq and snapshot_fingerprint (the last seq the latest snapshot
// holds and a fingerprint of its content, written just before it is saved), previous_snapshot_seq and
// previous_snapshot_fingerprint (the one before: a crash mid-save leaves either on disk),
// snapshot_notepad_seq and previous_snapshot_notepad_seq (where the NotePad half of that snapshot holds
// the lines up to another seq than its board: a start-up that found one file new and one old; absent:
// the same seq), archive_intent (JSON {"file", "text"}: the NotePad text an archive is about to add to
// the day file, written before the append and removed with its archived event), replaces_pc_id (the id
// of the journal this one was begun in place of, when that one was set aside), open_run (the
// seq of a program_started with no program_closed yet; absent after a clean close), archived_seq (the
// seq of the last archived event), postgres_sent_seq (the highest seq a shared PostgreSQL has committed;
// present only where the PC sends its journal there, and written only by the sender).

namespace kerfolio::journal {

inline constexpr int kSchemaVersion = 1;
inline constexpr char kFileName[] = "journal.sqlite";

inline constexpr char kSchemaSql[] = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS events(
  seq          INTEGER PRIMARY KEY AUTOINCREMENT,
  pc_id        TEXT    NOT NULL,
  utc_ms       INTEGER NOT NULL,
  utc_offset_s INTEGER NOT NULL,
  kind         TEXT    NOT NULL,
  machine      INTEGER,
  machine_name TEXT,
  workpiece    TEXT,
  amount       INTEGER,
  detail       TEXT NOT NULL DEFAULT '{}'
);
CREATE INDEX IF NOT EXISTS events_machine ON events(machine, seq);
CREATE TABLE IF NOT EXISTS jobs(
  seq INTEGER PRIMARY KEY,
  pc_id TEXT NOT NULL, machine INTEGER NOT NULL, machine_name TEXT NOT NULL,
  workpiece TEXT NOT NULL, amount INTEGER NOT NULL,
  mount_utc_ms INTEGER, start_utc_ms INTEGER NOT NULL, finish_utc_ms INTEGER NOT NULL,
  utc_offset_s INTEGER NOT NULL,
  jump_ms INTEGER NOT NULL, break_ms INTEGER NOT NULL,
  report_line TEXT NOT NULL,
  stamped_differs INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS job_intervals(
  job_seq INTEGER NOT NULL,
  kind TEXT NOT NULL,
  begin_utc_ms INTEGER NOT NULL,
  end_utc_ms INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS job_intervals_job ON job_intervals(job_seq);
)sql";

namespace kind {
inline constexpr char kMounted[] = "mounted";
inline constexpr char kStarted[] = "started";
inline constexpr char kJumpStart[] = "jump_start";
inline constexpr char kJumpEnd[] = "jump_end";
inline constexpr char kBreakStart[] = "break_start";
inline constexpr char kBreakEnd[] = "break_end";
inline constexpr char kCompleted[] = "completed";
inline constexpr char kCancelled[] = "cancelled";
inline constexpr char kParamsChanged[] = "params_changed";
inline constexpr char kArchived[] = "archived";
inline constexpr char kProgramStarted[] = "program_started";
inline constexpr char kProgramClosed[] = "program_closed";
}  // namespace kind

namespace meta {
inline constexpr char kSchema[] = "schema";
inline constexpr char kPcId[] = "pc_id";
inline constexpr char kSnapshotSeq[] = "snapshot_seq";
inline constexpr char kSnapshotFingerprint[] = "snapshot_fingerprint";
inline constexpr char kPreviousSnapshotSeq[] = "previous_snapshot_seq";
inline constexpr char kPreviousSnapshotFingerprint[] = "previous_snapshot_fingerprint";
inline constexpr char kSnapshotNotePadSeq[] = "snapshot_notepad_seq";
inline constexpr char kPreviousSnapshotNotePadSeq[] = "previous_snapshot_notepad_seq";
inline constexpr char kArchiveIntent[] = "archive_intent";
inline constexpr char kReplacesPcId[] = "replaces_pc_id";
inline constexpr char kOpenRun[] = "open_run";
inline constexpr char kArchivedSeq[] = "archived_seq";
inline constexpr char kPostgresSentSeq[] = "postgres_sent_seq";
}  // namespace meta

}  // namespace kerfolio::journal
