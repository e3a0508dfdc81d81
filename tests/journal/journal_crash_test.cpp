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

#include "storage/file_descriptor.h"
#include "tests/journal/archive_day.h"
#include "tests/journal/restore_day.h"
#include "tests/journal/window_start.h"
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
        if (!LoadWorkSnapshot(folder.Path()).snapshot) continue;  // killed before the first snapshot

        Journal journal(folder.Path());
        TJobBoard board;
        std::string notePad;
        testing::StartAsTheWindowDoes(journal, {1'790'000'000'000, 8 * 3600}, board, notePad, [] {});
        testing::Shop uninterrupted(folder.Path());
        uninterrupted.record = false;
        for (int i = 0; i < clicks; ++i)
            uninterrupted.Step(i);
        EXPECT_EQ(TakeSnapshot(board, notePad), TakeSnapshot(uninterrupted.board, uninterrupted.notePad))
            << clicks << " clicks";
    }
}

struct ChildRun {
    bool killed = false;
    int fileEvents = 0;  // counted by a child that was not killed
};

ChildRun RunChild(const std::vector<std::string>& args, int killAt) {
    int ends[2];
    if (::pipe(ends) != 0) return {};
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(writeEnd.Get(), STDOUT_FILENO);
        std::vector<std::string> all = args;
        all.push_back(std::to_string(killAt));
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    writeEnd.Close();
    std::string printed;
    char buffer[64];
    for (ssize_t n; (n = ::read(readEnd.Get(), buffer, sizeof buffer)) > 0;)
        printed.append(buffer, static_cast<std::size_t>(n));
    readEnd.Close();
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return {true, 0};
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args[1] << " " << killAt << ": " << status;
    return {false, std::atoi(printed.c_str())};
}

ChildRun RunRestoreChild(const char* phase, const std::filesystem::path& folder, int killAt) {
    return RunChild({KERFOLIO_RESTORE_CRASH_CHILD, phase, folder.string()}, killAt);
}

// A save killed mid-way, then the start after it killed inside its own save of what it restored: the
// start after that still has every confirmed click, each once, whatever file event either kill fell on.
TEST(JournalCrash, ASaveAndTheRestoresOwnSaveKilledAtEveryFileEventLoseNoClick) {
    kerfolio::testing::TempFolder unused;
    testing::Shop uninterrupted(unused.Path());
    uninterrupted.record = false;
    testing::FirstRun(uninterrupted);
    testing::SecondRun(uninterrupted);
    const WorkSnapshot expected = TakeSnapshot(uninterrupted.board, uninterrupted.notePad);

    const int saveEvents = RunRestoreChild("day", unused.Path(), 0).fileEvents;
    ASSERT_GE(saveEvents, 4) << "a journal commit and two atomic writes";
    int runs = 0;
    for (int inSave = 1; inSave <= saveEvents + 1; ++inSave) {
        for (int inRestore = 1;; ++inRestore) {
            SCOPED_TRACE(::testing::Message()
                         << "save killed at event " << inSave << ", restore at " << inRestore);
            kerfolio::testing::TempFolder folder;
            ASSERT_EQ(RunRestoreChild("day", folder.Path(), inSave).killed, inSave <= saveEvents);
            const ChildRun restore = RunRestoreChild("restart", folder.Path(), inRestore);
            ++runs;

            Journal journal(folder.Path());
            TJobBoard board;
            std::string notePad;
            const StartUpRestore last = testing::StartAsTheWindowDoes(
                journal, testing::Local(2026, 12, 9, 11, 0, 8), board, notePad, [] {});
            EXPECT_TRUE(last.known);
            ASSERT_EQ(TakeSnapshot(board, notePad), expected);
            if (!restore.killed) break;
        }
    }
    EXPECT_GT(runs, 2 * saveEvents);
}

// An archive killed at any of its file events and done again at the next start: every line is in the day
// file once, and the journal records it archived once.
TEST(JournalCrash, AnArchiveKilledAtEveryFileEventWritesEachLineOnce) {
    kerfolio::testing::TempFolder counting;
    const int archiveEvents =
        RunChild({KERFOLIO_ARCHIVE_CRASH_CHILD, counting.Path().string()}, 0).fileEvents;
    ASSERT_GE(archiveEvents, 3) << "the intent's commit, the day file's sync, the archived event's commit";
    for (int killAt = 1; killAt <= archiveEvents; ++killAt) {
        SCOPED_TRACE(killAt);
        kerfolio::testing::TempFolder folder;
        ASSERT_TRUE(RunChild({KERFOLIO_ARCHIVE_CRASH_CHILD, folder.Path().string()}, killAt).killed);
        testing::ArchiveDay next(folder.Path());
        // The start after it archives again only what no archived event covers.
        if (next.shop.journal.OpenArchiveIntent()) next.Archive();
        EXPECT_EQ(kerfolio::testing::Slurp(next.file), NotePadFileBytes(next.shop.notePad));
        EXPECT_EQ(One(next.shop.journal.Path(), "SELECT count(*) FROM events WHERE kind = 'archived'"), "1");
        EXPECT_FALSE(next.shop.journal.OpenArchiveIntent());
    }
}

}  // namespace
}  // namespace kerfolio::journal
