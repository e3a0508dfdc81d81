#include "storage/daily_archive.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kerfolio
