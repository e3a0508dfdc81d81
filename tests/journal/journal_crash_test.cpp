#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "journal/replay.h"
#include "tests/journal/crash_snapshot.h"
#include "tests/journal/shop.h"
#include "tests/storage/temp_folder.h"

namespace kerfolio::journal {
namespace {

std::string One(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string out;
    sqlite3_exec(
        db, sql,
        [](void* sink, int, char** values, char**) {
            *static_cast<std::string*>(sink) = values[0] ? values[0] : "NULL";
            return 0;
        },
        &out, nullptr);
    sqlite3_close(db);
    return out;
}

// KERFOLIO_JOURNAL_KILLS sets how many runs are killed (the long checks run hundreds).
int Kills() {
    const char* text = std::getenv("KERFOLIO_JOURNAL_KILLS");
    return text ? std::atoi(text) : 4;
}

TEST(JournalCrash, AKilledRunLosesNoConfirmedClick) {
    std::mt19937 random(20261208);
    for (int run = 0; run < Kills(); ++run) {
        SCOPED_TRACE(run);
        kerfolio::testing::TempFolder folder;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::execl(KERFOLIO_JOURNAL_CRASH_CHILD, KERFOLIO_JOURNAL_CRASH_CHILD, folder.Path().c_str(),
                    nullptr);
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + random() % 600));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;

        const std::filesystem::path file = folder / kFileName;
        if (!std::filesystem::exists(file)) continue;  // killed before it began
        EXPECT_EQ(One(file, "PRAGMA integrity_check"), "ok");
        // Killed while the file was being made: no table yet, no click either.
        const std::string counted = One(file, "SELECT count(*) FROM events WHERE kind <> 'program_started'");
        const int clicks = counted.empty() ? 0 : std::stoi(counted);
        const SnapshotLoad load = LoadWorkSnapshot(folder.Path());
        if (!load.snapshot) continue;  // killed before the first snapshot: nothing to load at start-up

        // Start-up with 自动调入: the snapshot, then what the journal holds past it.
        Journal journal(folder.Path());
        ASSERT_TRUE(journal.Open({}));
        const RunState state = journal.ReadRunState();
        EXPECT_FALSE(state.endedCleanly);
        TJobBoard board;
        RestoreSnapshot(*load.snapshot, board);
        std::string notePad = load.snapshot->notePad;
        const RunState::ReplayFrom from = state.From(testing::FingerprintOf(*load.snapshot));
        Replay(journal.EventsAfter(std::min(from.boardAfter, from.notePadAfter)), from, board, notePad);

        testing::Shop uninterrupted(folder.Path());
        uninterrupted.record = false;
        for (int i = 0; i < clicks; ++i)
            uninterrupted.Step(i);
        EXPECT_EQ(TakeSnapshot(board, notePad), TakeSnapshot(uninterrupted.board, uninterrupted.notePad))
            << clicks << " clicks";
    }
}

}  // namespace
}  // namespace kerfolio::journal
