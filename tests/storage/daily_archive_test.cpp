#include "storage/daily_archive.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "storage/file_lock.h"
#include "storage/gbk.h"
#include "tests/storage/temp_folder.h"

namespace kerfolio {
namespace {

using testing::Put;
using testing::Slurp;
using testing::TempFolder;

TEST(DailyArchive, FileNameKeepsTheFolderTextAndMakesTheDateSafe) {
    const struct {
        const char* folder;
        const char* date;
        const char* file;
    } cases[] = {
        {"/data/arch", "2026/12/8", "/data/arch/2026-12-8.txt"},
        {"/data/arch/", "08.12.26", "/data/arch//08.12.26.txt"},  // doubled separator, as typed
        {"", "2026-12-08", "/2026-12-08.txt"},
        {"nil", "12/8/26", "nil/12-8-26.txt"},
        {"/d", "a\\b:c*d?e\"f<g>h|i", "/d/a-b-c-d-e-f-g-h-i.txt"},
        {"/存档", "2026年12月8日", "/存档/2026年12月8日.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchiveFilePath(c.folder, c.date).string(), c.file) << c.folder << " " << c.date;
}

TEST(DailyArchive, ContentIsGbkWithCrLfAndASecondArchiveGoesOnANewLine) {
    const struct {
        const char* name;
        const char* before;  // nullptr: no file yet
        const char* notePad;
        std::string after;
    } cases[] = {
        {"first of the day", nullptr, "1    机床:机床1\n2    机床:机床2",
         ToGbk("1    机床:机床1\r\n2    机床:机床2")},
        {"empty NotePad, no file", nullptr, "", ""},
        {"second of the day", "1    a", "1    b", "1    a\r\n1    b"},
        {"earlier file ends with a break", "1    a\r\n", "1    b", "1    a\r\n1    b"},
        {"empty NotePad keeps the day's lines", "1    a", "", "1    a"},
        {"earlier archive was empty", "", "1    b", "1    b"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const auto file = folder / "day.txt";
        if (c.before != nullptr) Put(file, c.before);
        EXPECT_EQ(AppendToArchive(file, c.notePad), std::nullopt) << c.name;
        EXPECT_EQ(Slurp(file), c.after) << c.name;
    }
}

TEST(DailyArchive, AFailureNamesTheFileAndLeavesNothingBehind) {
    TempFolder folder;
    const auto missing = folder / "no-such-folder" / "day.txt";
    const auto error = AppendToArchive(missing, "1    a");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->rfind("Cannot create file \"" + missing.string() + "\". ", 0), 0u) << *error;

    // A day file the program cannot read is reported, never replaced by the new lines alone.
    const auto unreadable = folder / "dir.txt";
    std::filesystem::create_directory(unreadable);
    EXPECT_TRUE(AppendToArchive(unreadable, "1    a").has_value());
    EXPECT_TRUE(std::filesystem::is_directory(unreadable));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

// Two PCs archiving into one shared folder at the same moment: every line of both must arrive.
TEST(DailyArchive, ProgramsRacingIntoOneFolderLoseNoLine) {
    TempFolder folder;
    const auto file = folder / "2026-12-8.txt";
    // A day file of some size widens the window between the read and the rename.
    std::string earlier;
    for (int i = 0; i < 20000; ++i)
        earlier += "0    earlier line of the day\r\n";
    Put(file, earlier);
    constexpr int kWriters = 3, kRounds = 25;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failures = 0;
            for (int round = 0; round < kRounds; ++round) {
                const std::string line = std::to_string(w) + "-" + std::to_string(round);
                if (AppendToArchive(file, line)) ++failures;
            }
            ::_exit(failures);
        }
        writers.push_back(child);
    }
    for (const pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an archive failed";
    }
    std::set<std::string> arrived;
    std::istringstream lines(Slurp(file).substr(earlier.size()));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        EXPECT_TRUE(arrived.insert(line).second) << "twice: " << line;
    }
    EXPECT_EQ(arrived.size(), std::size_t{kWriters * kRounds});
    EXPECT_TRUE(Slurp(file).starts_with(earlier));
    EXPECT_FALSE(std::filesystem::exists(ArchiveLockPath(file)));
}

TEST(DailyArchive, ALockHeldTooLongFailsTheArchiveAndKeepsTheFile) {
    TempFolder folder;
    const auto file = folder / "2026-12-8.txt";
    Put(file, "1    a");
    FileLock other;
    ASSERT_EQ(other.Take(ArchiveLockPath(file), std::chrono::milliseconds(0)), 0);
    const auto error = AppendToArchive(file, "1    b", std::chrono::milliseconds(200));
    EXPECT_EQ(error,
              "Cannot create file \"" + file.string() +
                  "\". Resource temporarily unavailable (another program is archiving into this folder)");
    EXPECT_EQ(Slurp(file), "1    a");
    other.Release();
    EXPECT_EQ(AppendToArchive(file, "1    b", std::chrono::milliseconds(200)), std::nullopt);
    EXPECT_EQ(Slurp(file), "1    a\r\n1    b");
}

}  // namespace
}  // namespace kerfolio
