#include "storage/settings_file.h"

#include <gtest/gtest.h>

#include "storage/flags.h"
#include "storage/gbk.h"
#include "temp_folder.h"

namespace kerfolio {
namespace {

using testing::Put;
using testing::Slurp;
using testing::TempFolder;

std::string Repeat(std::string_view text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

TEST(SettingsFileTest, StoresGbkOnDiskAndReadsUtf8) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    ASSERT_TRUE(settings.Write("save", "aa1", "机床1"));
    EXPECT_EQ(Slurp(folder / "save.ini"),
              "[save]\r\naa1=\xBB\xFA\xB4\xB2"
              "1\r\n");
    EXPECT_EQ(settings.Read("SAVE", "AA1", "x"), "机床1");
    EXPECT_EQ(settings.LastError(), "");
}

TEST(SettingsFileTest, ReadsAtMost99BytesWithoutSplittingACharacter) {
    struct Case {
        std::string stored;
        std::string read;
    };
    const Case cases[] = {
        {Repeat("x", 120), Repeat("x", 99)},
        {Repeat("x", 99), Repeat("x", 99)},
        {Repeat("机", 60), Repeat("机", 49)},              // 99 would cut the 50th character in half
        {"a" + Repeat("机", 60), "a" + Repeat("机", 49)},  // here 99 falls on a boundary
    };
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    for (const auto& c : cases) {
        ASSERT_TRUE(settings.Write("file", "dir", c.stored));
        EXPECT_EQ(settings.Read("file", "dir", ""), c.read);
        EXPECT_NE(Slurp(settings.Path()).find(ToGbk(c.stored)), std::string::npos) << "written whole";
    }
}

TEST(SettingsFileTest, EmptyValueIsNotAMissingKey) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    EXPECT_EQ(settings.Read("save", "aa1", "机床1"), "机床1") << "no file yet";
    ASSERT_TRUE(settings.Write("save", "aa1", ""));
    EXPECT_EQ(Slurp(settings.Path()), "[save]\r\naa1=\r\n");
    EXPECT_EQ(settings.Read("save", "aa1", "机床1"), "");
    EXPECT_EQ(settings.Read("save", "aa2", "机床2"), "机床2");
    EXPECT_EQ(settings.Read("other", "aa1", "d"), "d");
}

TEST(SettingsFileTest, WriteKeepsEveryOtherByteOfAHandEditedFile) {
    TempFolder folder;
    const std::string before =
        "; written by hand\n[File]\r\n  Dir = 'D:\\\xBC\xC7\xC2\xBC\\'  \r\n\r\n# "
        "note=1\r[save]\nAA1=\xBB\xFA\xB4\xB2"
        "1\n"
        "; end\r\n\r\n[save]\r\naa2=ignored";
    Put(folder / "save.ini", before);
    SettingsFile settings(folder / "save.ini");
    ASSERT_TRUE(settings.Write("save", "aa1", "一号"));
    ASSERT_TRUE(settings.Write("save", "aa2", "型号"));
    ASSERT_TRUE(settings.Write("enter", "1", "4826"));
    EXPECT_EQ(
        Slurp(settings.Path()),
        "; written by hand\n[File]\r\n  Dir = 'D:\\\xBC\xC7\xC2\xBC\\'  \r\n\r\n# note=1\r[save]\nAA1=" +
            ToGbk("一号") + "\naa2=" + ToGbk("型号") +
            "\r\n; end\r\n\r\n[save]\r\naa2=ignored\r\n[enter]\r\n1=4826\r\n");
    EXPECT_EQ(settings.Read("file", "dir", ""), "D:\\记录\\");
}

TEST(SettingsFileTest, SeesHandEditsBetweenReads) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    ASSERT_TRUE(settings.Write("enter", "1", "4826"));
    Put(settings.Path(), "[enter]\n1=1234\n");
    EXPECT_EQ(settings.Read("enter", "1", ""), "1234");
}

TEST(SettingsFileTest, WriteManyAppliesEntriesInOrderInOneFile) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    ASSERT_TRUE(settings.Write("save", "aa1", "x"));
    ASSERT_TRUE(settings.WriteMany("save", {{"11", "8:00:00"}, {"aa1", "y"}, {"12", ""}, {"11", "9:00:00"}}));
    EXPECT_EQ(Slurp(settings.Path()), "[save]\r\naa1=y\r\n11=9:00:00\r\n12=\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
        << "no temporary files left";
}

TEST(SettingsFileTest, FailedWriteNamesTheFileAndChangesNothing) {
    TempFolder folder;
    const std::filesystem::path file = testing::UnwritableFolder(folder) / "save.ini";
    SettingsFile settings(file);
    EXPECT_FALSE(settings.Write("save", "E", "1"));
    EXPECT_EQ(settings.LastError(), "Cannot create file \"" + file.string() + "\". Not a directory");
    EXPECT_EQ(settings.Read("save", "E", "0"), "0");

    // A settings file that is a folder can be neither read nor replaced.
    SettingsFile folderAsFile(folder / "dir.ini");
    std::filesystem::create_directory(folder / "dir.ini");
    EXPECT_EQ(folderAsFile.Read("save", "E", "0"), "0");
    EXPECT_FALSE(folderAsFile.Write("save", "E", "1"));
    EXPECT_NE(folderAsFile.LastError().find((folder / "dir.ini").string()), std::string::npos);
}

TEST(SettingsFileTest, ValuesStayOnOneLineAndBadNamesAreRefused) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    ASSERT_TRUE(settings.Write("save", "m1", "a\r\nE=5"));
    EXPECT_EQ(settings.Read("save", "m1", ""), "a  E=5");
    EXPECT_EQ(settings.Read("save", "E", "none"), "none");

    const std::string before = Slurp(settings.Path());
    EXPECT_FALSE(settings.Write("save", "a=b", "1"));
    EXPECT_FALSE(settings.WriteMany("save", {{"ok", "1"}, {"", "2"}}));
    EXPECT_FALSE(settings.LastError().empty());
    EXPECT_EQ(Slurp(settings.Path()), before);
}

TEST(FlagsTest, OnlyExactTextsCount) {
    struct Case {
        std::optional<std::string> stored;  // nullopt: key never written
        std::optional<bool> flag;
    };
    const Case cases[] = {
        {"true", true},          {"false", false},    {std::nullopt, false}, {"True", std::nullopt},
        {"FALSE", std::nullopt}, {"1", std::nullopt}, {"", std::nullopt},    {"\"true\"", true},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        SettingsFile settings(folder / "save.ini");
        if (c.stored) Put(settings.Path(), "[checkbox1]\r\nchecked=" + *c.stored + "\r\n");
        EXPECT_EQ(ReadFlag(settings, "checkbox1"), c.flag) << c.stored.value_or("(missing)");
    }
}

TEST(FlagsTest, WritesTrueAndFalse) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    ASSERT_TRUE(WriteFlag(settings, "checkbox2", true));
    EXPECT_EQ(settings.Read("checkbox2", "checked", ""), "true");
    ASSERT_TRUE(WriteFlag(settings, "checkbox2", false));
    EXPECT_EQ(Slurp(settings.Path()), "[checkbox2]\r\nchecked=false\r\n");
}

}  // namespace
}  // namespace kerfolio
