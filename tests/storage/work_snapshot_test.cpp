#include "storage/work_snapshot.h"

#include <gtest/gtest.h>

#include <vector>

#include "snapshot_samples.h"
#include "storage/data_folder.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"
#include "temp_folder.h"

namespace kerfolio {
namespace {

using testing::Put;
using testing::SampleSnapshot;
using testing::Slurp;
using testing::TempFolder;

TEST(WorkSnapshotTest, SavesThe49KeysInTheirOrder) {
    TempFolder folder;
    ASSERT_EQ(SaveWorkSnapshot(folder.Path(), WorkSnapshot{}), std::nullopt);
    std::string expected = "[save]\r\n";
    for (int m = 1; m <= 6; ++m) {
        for (int column : {1, 2, 3, 5})
            expected += std::to_string(m) + std::to_string(column) + "=\r\n";
    }
    for (int m = 1; m <= 6; ++m)
        expected += "t" + std::to_string(m) + "=\r\nd" + std::to_string(m) + "=\r\n";
    for (char prefix : {'m', 'j'}) {
        for (int m = 1; m <= 6; ++m)
            expected += prefix + std::to_string(m) + "=\r\n";
    }
    expected += "E=0\r\n";
    EXPECT_EQ(Slurp(SettingsPath(folder.Path())), expected);
    EXPECT_EQ(Slurp(NotePadPath(folder.Path())), "") << "an empty NotePad is a zero-length file";
}

TEST(WorkSnapshotTest, SaveThenLoadGivesTheSameSnapshot) {
    TempFolder folder;
    for (bool second : {false, true}) {
        const WorkSnapshot snapshot = SampleSnapshot(second);
        ASSERT_EQ(SaveWorkSnapshot(folder.Path(), snapshot), std::nullopt);
        SnapshotLoad load = LoadWorkSnapshot(folder.Path());
        ASSERT_TRUE(load.snapshot) << load.error;
        EXPECT_EQ(*load.snapshot, snapshot);
    }
}

TEST(WorkSnapshotTest, SaveKeepsOtherSettings) {
    TempFolder folder;
    SettingsFile settings(SettingsPath(folder.Path()));
    ASSERT_TRUE(settings.Write("save", "aa1", "一号机"));
    ASSERT_TRUE(settings.Write("enter", "1", "4826"));
    ASSERT_EQ(SaveWorkSnapshot(folder.Path(), SampleSnapshot(false)), std::nullopt);
    EXPECT_EQ(settings.Read("save", "aa1", ""), "一号机");
    EXPECT_EQ(settings.Read("enter", "1", ""), "4826");
    EXPECT_EQ(settings.Read("save", "m2", ""), "模具镶块2");
}

TEST(WorkSnapshotTest, NotePadIsGbkWithCrLf) {
    TempFolder folder;
    WorkSnapshot snapshot;
    snapshot.notePad = "行1\n行2\r\n\n";
    ASSERT_EQ(SaveWorkSnapshot(folder.Path(), snapshot), std::nullopt);
    EXPECT_EQ(Slurp(NotePadPath(folder.Path())),
              "\xD0\xD0"
              "1\r\n\xD0\xD0"
              "2\r\n\r\n");
}

TEST(WorkSnapshotTest, LoadTurnsEveryLineBreakIntoNewline) {
    struct Case {
        std::string file;
        std::string notePad;
    };
    const Case cases[] = {
        {"a\r\nb", "a\nb"},     {"a\nb\n", "a\nb\n"},   {"a\rb\r", "a\nb\n"},
        {"a\n\rb", "a\n\nb"},   {"a\r\r\nb", "a\n\nb"}, {"", ""},
        {"\xD0\xD0\r", "行\n"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        Put(NotePadPath(folder.Path()), c.file);
        SnapshotLoad load = LoadWorkSnapshot(folder.Path());
        ASSERT_TRUE(load.snapshot) << load.error;
        EXPECT_EQ(load.snapshot->notePad, c.notePad);
    }
}

TEST(WorkSnapshotTest, MissingKeysLoadTheirDefaults) {
    TempFolder folder;
    Put(NotePadPath(folder.Path()), "");
    Put(SettingsPath(folder.Path()), ToGbk("[save]\r\naa1=x\r\nm3=零件\r\nE=0x1F\r\n"));
    SnapshotLoad load = LoadWorkSnapshot(folder.Path());
    ASSERT_TRUE(load.snapshot) << load.error;
    WorkSnapshot expected;
    for (auto& row : expected.rows)
        row.jumpTotal = row.breakTotal = "0:00:00";
    expected.rows[2].workName = "零件";
    expected.jobCount = 31;
    EXPECT_EQ(*load.snapshot, expected);
}

TEST(WorkSnapshotTest, LoadFailsWholeWhenAnythingIsMissingOrBad) {
    struct Case {
        const char* name;
        std::optional<std::string> settings;  // nullopt: no save.ini
        std::optional<std::string> notePad;   // nullopt: no temp.sav
        std::string error;                    // "%": the folder
    };
    const Case cases[] = {
        {"no temp.sav", "[save]\r\nE=1\r\n", std::nullopt,
         "Cannot open file \"%/temp.sav\". No such file or directory"},
        {"fresh install", std::nullopt, std::nullopt,
         "Cannot open file \"%/temp.sav\". No such file or directory"},
        {"E is not a number", "[save]\r\n11=8:00:00\r\nE=x\r\n", "", "'x' is not a valid integer value"},
        {"E is empty", "[save]\r\nE=\r\n", "", "'' is not a valid integer value"},
        {"E too large", "[save]\r\nE=99999999999\r\n", "", "'99999999999' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        if (c.settings) Put(SettingsPath(folder.Path()), *c.settings);
        if (c.notePad) Put(NotePadPath(folder.Path()), *c.notePad);
        SnapshotLoad load = LoadWorkSnapshot(folder.Path());
        EXPECT_FALSE(load.snapshot) << c.name;
        std::string expected = c.error;
        if (auto at = expected.find('%'); at != std::string::npos)
            expected.replace(at, 1, folder.Path().string());
        EXPECT_EQ(load.error, expected) << c.name;
    }
}

TEST(WorkSnapshotTest, UnreadableSettingsFileIsAnErrorNotDefaults) {
    TempFolder folder;
    std::filesystem::create_directory(SettingsPath(folder.Path()));
    Put(NotePadPath(folder.Path()), "x");
    SnapshotLoad load = LoadWorkSnapshot(folder.Path());
    EXPECT_FALSE(load.snapshot);
    EXPECT_EQ(load.error,
              "Cannot open file \"" + SettingsPath(folder.Path()).string() + "\". Is a directory");
}

TEST(WorkSnapshotTest, InvalidGbkBytesLoadAsReplacementCharacters) {
    TempFolder folder;
    Put(SettingsPath(folder.Path()), "[save]\r\nm1=\xFF\x81\r\n11=\x81\r\nE=2\r\n");
    Put(NotePadPath(folder.Path()), "\x80\xFF\x81\r\n\x81");
    SnapshotLoad load = LoadWorkSnapshot(folder.Path());
    ASSERT_TRUE(load.snapshot) << load.error;
    EXPECT_EQ(load.snapshot->rows[0].workName, "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(load.snapshot->rows[0].cells[0], "\xEF\xBF\xBD");
    EXPECT_EQ(load.snapshot->notePad, "€\xEF\xBF\xBD\xEF\xBF\xBD\n\xEF\xBF\xBD");
}

TEST(WorkSnapshotTest, UnwritableNotePadFileLeavesTheSettingsAlone) {
    TempFolder folder;
    ASSERT_EQ(SaveWorkSnapshot(folder.Path(), SampleSnapshot(false)), std::nullopt);
    const std::string settingsBefore = Slurp(SettingsPath(folder.Path()));
    // A non-empty folder in the way of temp.sav cannot be replaced, not even by root.
    std::filesystem::remove(NotePadPath(folder.Path()));
    std::filesystem::create_directories(NotePadPath(folder.Path()) / "blocker");

    auto error = SaveWorkSnapshot(folder.Path(), SampleSnapshot(true));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->rfind("Cannot create file \"" + NotePadPath(folder.Path()).string() + "\". ", 0), 0u)
        << *error;
    EXPECT_EQ(Slurp(SettingsPath(folder.Path())), settingsBefore);
}

TEST(WorkSnapshotTest, UnwritableSettingsFileIsReported) {
    TempFolder folder;
    std::filesystem::create_directories(SettingsPath(folder.Path()) / "blocker");
    auto error = SaveWorkSnapshot(folder.Path(), SampleSnapshot(false));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(SettingsPath(folder.Path()).string()), std::string::npos) << *error;

    auto unwritable = SaveWorkSnapshot(testing::UnwritableFolder(folder), SampleSnapshot(false));
    ASSERT_TRUE(unwritable);
    EXPECT_EQ(*unwritable, "Cannot create file \"" + NotePadPath(testing::UnwritableFolder(folder)).string() +
                               "\". Not a directory");
}

TEST(WorkSnapshotTest, RestoreTouchesOnlyTheSnapshotColumns) {
    TJobBoard board;
    for (int m = 1; m <= 6; ++m) {
        for (int column = ecMount; column <= ecUnmount; ++column)
            board.SetCell(m, TEventColumn(column), "old");
    }
    board.SetPendingEvent({.EventCode = 17, .EntryMachine = 2});
    std::vector<std::pair<int, int>> shown;
    board.SetObserver([&](int machine, int column) { shown.emplace_back(machine, column); });

    const WorkSnapshot snapshot = SampleSnapshot(false);
    RestoreSnapshot(snapshot, board);

    EXPECT_EQ(TakeSnapshot(board, snapshot.notePad), snapshot);
    for (int m = 1; m <= 6; ++m) {
        for (TEventColumn column : {ecJumpEnd, ecBreakEnd, ecUnmount})
            EXPECT_EQ(board.Cell(m, column), "old");
    }
    EXPECT_EQ(board.EventCode(), 17);
    EXPECT_EQ(board.EntryMachine(), 2);
    std::vector<std::pair<int, int>> expected;
    for (int m = 1; m <= 6; ++m) {
        for (int column : {1, 2, 3, 5})
            expected.emplace_back(m, column);
    }
    EXPECT_EQ(shown, expected) << "every restored cell reaches the screen";
}

}  // namespace
}  // namespace kerfolio
