#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "board/completion.h"
#include "board/workpiece_entry.h"
#include "journal/board_events.h"
#include "journal/journal.h"
#include "journal/journal_schema.h"
#include "journal/replay.h"
#include "journal/start_up.h"
#include "tests/journal/journal_test_support.h"
#include "tests/journal/shop.h"
#include "tests/storage/temp_folder.h"
#include "tests/storage/unprivileged.h"

namespace kerfolio::journal {
namespace {

using kerfolio::testing::TempFolder;
using testing::kHour;
using testing::kMinute;
using testing::Local;
using testing::Shop;

// The rows as another program reads them: each row's columns joined by '|', rows by '\n'.
std::string Query(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string out;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* sink, int columns, char** values, char**) {
            auto& text = *static_cast<std::string*>(sink);
            if (!text.empty()) text += '\n';
            for (int i = 0; i < columns; ++i)
                text += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
            return 0;
        },
        &out, nullptr);
    sqlite3_close(db);
    return out;
}

class JournalFile : public ::testing::Test {
  protected:
    TempFolder folder_;
    std::filesystem::path file_ = folder_ / kFileName;
};

TEST_F(JournalFile, AFinishedJobGetsItsRowsInTheSameTransaction) {
    Shop shop(folder_.Path());
    const Stamp mount = Local(2026, 3, 2, 8, 0, 8);
    const auto later = [&](std::int64_t minutes) { return Stamp{mount.utcMs + minutes * kMinute, 8 * 3600}; };
    shop.Click(1, ecMount, mount);
    shop.Click(1, ecStart, later(10), "厚凹模", "45000");
    shop.Click(1, ecJumpStart, later(70));
    shop.Click(1, ecJumpEnd, later(100));
    shop.Click(1, ecBreakStart, later(20 * 60));
    shop.Click(1, ecBreakEnd, later(20 * 60 + 7));
    shop.Finish(1, later(25 * 60 + 10));

    EXPECT_EQ(
        Query(file_,
              "SELECT machine, machine_name, workpiece, amount, finish_utc_ms - start_utc_ms, "
              "finish_utc_ms - mount_utc_ms, jump_ms, break_ms, utc_offset_s, stamped_differs FROM jobs"),
        "1|机床1|厚凹模|45000|" + std::to_string(25 * kHour) + "|" +
            std::to_string(25 * kHour + 10 * kMinute) + "|" + std::to_string(30 * kMinute) + "|" +
            std::to_string(7 * kMinute) + "|28800|0");
    EXPECT_EQ(Query(file_, "SELECT kind, end_utc_ms - begin_utc_ms FROM job_intervals ORDER BY begin_utc_ms"),
              "jump|" + std::to_string(30 * kMinute) + "\nbreak|" + std::to_string(7 * kMinute));
    EXPECT_EQ(Query(file_, "SELECT group_concat(kind) FROM (SELECT kind FROM events ORDER BY seq)"),
              "mounted,started,jump_start,jump_end,break_start,break_end,completed");
    EXPECT_EQ(
        Query(file_,
              "SELECT json_extract(detail, '$.line') = report_line, json_extract(detail, '$.report_no') "
              "FROM events JOIN jobs USING(seq)"),
        "1|1");
}

TEST_F(JournalFile, ARenameKeepsTheMachineAndACorrectionKeepsTheStamp) {
    Shop shop(folder_.Path());
    const Stamp day = Local(2026, 5, 12, 8, 0, 8);
    shop.Job(2, day, 60, "凸模");
    shop.board.SetCaption(2, "快走丝2号");
    shop.journal.Append(
        MachineEvent(kind::kParamsChanged, shop.board, 2, {day.utcMs + 2 * kHour, day.offsetS}));
    shop.Click(2, ecMount, {day.utcMs + 3 * kHour, day.offsetS});
    shop.Click(2, ecStart, {day.utcMs + 3 * kHour + kMinute, day.offsetS}, "凹模", "0x20");
    CompletionFields corrected = {"快走丝2号", "凹模B",   "11:00:00", "11:01:00",
                                  "0:00:00",   "0:00:00", "11:50:00", "40"};
    shop.Finish(2, {day.utcMs + 4 * kHour, day.offsetS}, corrected);

    EXPECT_EQ(
        Query(file_,
              "SELECT machine, machine_name, workpiece, amount, stamped_differs FROM jobs ORDER BY seq"),
        "2|机床2|凸模|900|0\n2|快走丝2号|凹模B|40|1");
    EXPECT_EQ(
        Query(file_,
              "SELECT json_extract(detail, '$.stamped.workpiece'), json_extract(detail, '$.stamped.finish'), "
              "json_extract(detail, '$.stamped.amount'), json_extract(detail, '$.final.finish') "
              "FROM events WHERE kind = 'completed' ORDER BY seq DESC LIMIT 1"),
        "凹模|12:00:00|0x20|11:50:00");
    EXPECT_EQ(Query(file_, "SELECT finish_utc_ms - start_utc_ms FROM jobs ORDER BY seq DESC LIMIT 1"),
              std::to_string(49 * kMinute));
    EXPECT_EQ(Query(file_,
                    "SELECT json_extract(detail, '$.amount_text'), amount FROM events "
                    "WHERE kind = 'started' ORDER BY seq DESC LIMIT 1"),
              "0x20|32");
}

TEST_F(JournalFile, TheIdIsMadeOnceAndSequenceNumbersAreNeverReused) {
    const Stamp now = Local(2026, 5, 12, 8, 0, 8);
    std::string id;
    {
        Journal journal(folder_.Path());
        ASSERT_EQ(journal.Append(ProgramEvent(kind::kProgramStarted, now)), 1);
        ASSERT_EQ(journal.Append(ProgramEvent(kind::kProgramClosed, now)), 2);
        id = journal.PcId();
    }
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
    Query(file_, "SELECT 1");
    sqlite3* db = nullptr;
    sqlite3_open(file_.c_str(), &db);
    sqlite3_exec(db, "DELETE FROM events WHERE seq = 2", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Journal journal(folder_.Path());
    EXPECT_EQ(journal.Append(ProgramEvent(kind::kProgramStarted, now)), 3);
    EXPECT_EQ(journal.PcId(), id);
    EXPECT_EQ(Query(file_, "SELECT DISTINCT pc_id FROM events"), id);
}

TEST_F(JournalFile, TheRunStateTellsACrashFromACleanClose) {
    const Stamp now = Local(2026, 5, 12, 8, 0, 8);
    Shop shop(folder_.Path());
    shop.journal.Append(ProgramEvent(kind::kProgramStarted, now));
    shop.Job(1, now, 30, "凹模");
    shop.journal.SnapshotCoversAll();
    shop.Click(2, ecMount, now);
    {
        Journal reader(folder_.Path());
        ASSERT_TRUE(reader.Open(now));
        const RunState crashed = reader.ReadRunState();
        EXPECT_FALSE(crashed.endedCleanly);
        EXPECT_EQ(crashed.snapshotSeq, 4);
        ASSERT_EQ(reader.EventsAfter(crashed.snapshotSeq).size(), 1u);
    }
    shop.journal.Append(ProgramEvent(kind::kProgramClosed, now));
    Journal reader(folder_.Path());
    ASSERT_TRUE(reader.Open(now));
    EXPECT_TRUE(reader.ReadRunState().endedCleanly);
}

TEST_F(JournalFile, ReplayBringsBackTheBoardAndNotePadPastTheSnapshot) {
    const Stamp day = Local(2026, 5, 12, 7, 0, 8);
    const auto at = [&](std::int64_t minutes) { return Stamp{day.utcMs + minutes * kMinute, day.offsetS}; };
    Shop shop(folder_.Path());
    shop.Job(1, at(0), 30, "凹模");
    shop.Click(2, ecMount, at(40));
    shop.journal.SnapshotCoversAll();
    const TJobBoard atSnapshot = shop.board;
    const std::string notePadAtSnapshot = shop.notePad;
    shop.Click(2, ecStart, at(41), "凸模 B", "0x20");
    shop.Click(2, ecJumpStart, at(50));
    shop.Click(2, ecJumpEnd, at(55));
    shop.Click(3, ecMount, at(56));
    shop.journal.Append(MachineEvent(kind::kCancelled, shop.board, 3, at(57)));
    TargetMachine(shop.board, 3);
    ConfirmPendingEvent(shop.board);
    shop.Click(4, ecMount, at(58));
    shop.Click(4, ecStart, at(59), "镶块", "12");
    shop.Click(4, ecBreakStart, at(60));
    shop.Finish(2, at(90));

    TJobBoard board = atSnapshot;
    std::string notePad = notePadAtSnapshot;
    const RunState state = shop.journal.ReadRunState();
    const RunState::ReplayFrom from{state.snapshotSeq, state.snapshotSeq};
    EXPECT_EQ(Replay(shop.journal.EventsAfter(state.snapshotSeq), from, board, notePad), 9);
    EXPECT_EQ(notePad, shop.notePad);
    EXPECT_EQ(board.JobCount(), shop.board.JobCount());
    EXPECT_EQ(board.EventCode(), 0) << "no replayed click is left for a dialog";
    for (int m = 1; m <= kMachineCount; ++m) {
        SCOPED_TRACE(m);
        for (int c = ecMount; c <= ecUnmount; ++c)
            EXPECT_EQ(board.Cell(m, TEventColumn(c)), shop.board.Cell(m, TEventColumn(c)));
        EXPECT_EQ(board.Row(m).JumpTotal(), shop.board.Row(m).JumpTotal());
        EXPECT_EQ(board.Row(m).BreakTotal(), shop.board.Row(m).BreakTotal());
        EXPECT_EQ(board.Row(m).WorkName(), shop.board.Row(m).WorkName());
        EXPECT_EQ(board.Row(m).WorkAmount(), shop.board.Row(m).WorkAmount());
    }
}

TEST_F(JournalFile, ArchivedLinesAreMatchedToTheirJobsOnce) {
    const Stamp day = Local(2026, 5, 12, 7, 0, 8);
    Shop shop(folder_.Path());
    shop.Job(1, day, 30, "凹模");
    shop.Job(2, day, 40, "凸模");
    const std::vector<std::string> lines = {"手写的一行", shop.notePad.substr(0, shop.notePad.find('\n')),
                                            shop.notePad.substr(shop.notePad.find('\n') + 1)};
    ASSERT_TRUE(
        shop.journal.AppendArchived(ProgramEvent(kind::kArchived, day), "/d/2026-5-12.txt", 7, lines));
    EXPECT_EQ(Query(file_,
                    "SELECT json_extract(detail, '$.jobs'), json_extract(detail, '$.lines') FROM events "
                    "WHERE kind = 'archived'"),
              "[[3,8],[6,9]]|3");
    // A second archive the same day holds only the jobs finished since.
    shop.Job(1, day, 50, "凹模");
    ASSERT_TRUE(
        shop.journal.AppendArchived(ProgramEvent(kind::kArchived, day), "/d/2026-5-12.txt", 10, lines));
    EXPECT_EQ(Query(file_,
                    "SELECT json_extract(detail, '$.jobs') FROM events WHERE kind = 'archived' "
                    "ORDER BY seq DESC LIMIT 1"),
              "[]");
}

TEST_F(JournalFile, ADamagedFileIsSetAsideAndANewOneBegun) {
    const std::string garbage(5000, 'x');
    kerfolio::testing::Put(file_, garbage);
    const Stamp now = Local(2026, 10, 25, 2, 30, 1);
    Journal journal(folder_.Path());
    ASSERT_TRUE(journal.Append(ProgramEvent(kind::kProgramStarted, now)));
    const std::filesystem::path aside = folder_ / "journal-damaged-20261025-023000.sqlite";
    EXPECT_EQ(journal.TakeSetAsideNote(), aside.string());
    EXPECT_EQ(journal.TakeSetAsideNote(), "");
    EXPECT_EQ(kerfolio::testing::Slurp(aside), garbage);
    EXPECT_EQ(Query(file_, "SELECT kind FROM events"), "program_started");
}

// A journal set aside while the program ran (damaged) is replaced by one of a new id, which save.ini
// does not know yet: the next start keeps it as this folder's, and only a journal of another id is
// set aside as foreign.
TEST_F(JournalFile, TheNextStartKeepsAJournalBegunInPlaceOfItsOwn) {
    const Stamp now = Local(2026, 5, 12, 8, 0, 8);
    std::string recorded;
    {
        Journal journal(folder_.Path());
        ASSERT_TRUE(journal.Open(now));
        recorded = journal.PcId();
        ASSERT_TRUE(journal.SetAsideAsForeign(now));  // as a damaged file is set aside mid-run
        ASSERT_TRUE(journal.Append(ProgramEvent(kind::kProgramStarted, now)));
    }
    for (const bool ours : {true, false}) {
        SCOPED_TRACE(ours);
        Journal journal(folder_.Path());
        ASSERT_TRUE(journal.Open(now));
        const std::string id = journal.PcId();
        TJobBoard board;
        std::string notePad;
        const StartUpRestore restore = RestoreAtStart(
            journal, journal.ReadRunState(), ours ? recorded : std::string(32, 'f'), {}, now, board, notePad);
        EXPECT_EQ(restore.foreignAside.empty(), ours);
        EXPECT_FALSE(restore.missing);
        EXPECT_EQ(journal.PcId() == id, ours);
    }
}

TEST_F(JournalFile, AFolderThatRefusesWritesFailsTheAppendAndItResumesLater) {
    const Stamp now = Local(2026, 5, 12, 8, 0, 8);
    const std::filesystem::path data = folder_ / "data";
    std::filesystem::create_directory(data);
    ::chmod(data.c_str(), 0555);
    Journal journal(data);
    {
        kerfolio::testing::AsUnprivilegedUser nobody;
        if (!nobody.Unprivileged()) GTEST_SKIP() << "cannot drop root";
        EXPECT_FALSE(journal.Append(ProgramEvent(kind::kProgramStarted, now)));
        EXPECT_FALSE(journal.LastError().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(data / kFileName));
    ::chmod(data.c_str(), 0777);
    EXPECT_TRUE(journal.Append(ProgramEvent(kind::kProgramStarted, now)));
}

TEST(RunState, TheFingerprintTellsWhichSnapshotIsOnDisk) {
    RunState state;
    state.snapshotSeq = state.snapshotNotePadSeq = 20;
    state.snapshotFingerprint = "b2-n2";
    state.previousSeq = state.previousNotePadSeq = 10;
    state.previousFingerprint = "b1-n1";
    struct Row {
        const char* loaded;
        std::int64_t boardAfter, notePadAfter;
        bool known = true;
    };
    for (const Row& row : {Row{"b2-n2", 20, 20}, Row{"b1-n1", 10, 10},
                           Row{"b1-n2", 10, 20},  // killed between temp.sav and save.ini
                           Row{"bx-ny", 20, 20, false}, Row{"", 20, 20}}) {
        SCOPED_TRACE(row.loaded);
        const RunState::ReplayFrom from = state.From(row.loaded);
        EXPECT_EQ(from.boardAfter, row.boardAfter);
        EXPECT_EQ(from.notePadAfter, row.notePadAfter);
        EXPECT_EQ(from.known, row.known);
    }
    // A start found "b1-n2" on disk and named it; its own save of "b3-n3" was then killed halfway.
    state.previousFingerprint = "b1-n2";
    state.previousNotePadSeq = 20;
    state.snapshotSeq = state.snapshotNotePadSeq = 30;
    state.snapshotFingerprint = "b3-n3";
    EXPECT_EQ(state.From("b1-n3").boardAfter, 10);
    EXPECT_EQ(state.From("b1-n3").notePadAfter, 30);
    EXPECT_EQ(state.From("b1-n2").notePadAfter, 20);
    // Killed while the first snapshot was being saved: a half still missing reads as empty.
    state.previousSeq = state.previousNotePadSeq = 0;
    state.previousFingerprint.clear();
    EXPECT_EQ(state.From("b0-n3").boardAfter, 0);
    EXPECT_EQ(state.From("b0-n3").notePadAfter, 30);
}

}  // namespace
}  // namespace kerfolio::journal
