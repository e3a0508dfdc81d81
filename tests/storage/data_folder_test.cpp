#include "storage/data_folder.h"

#include <gtest/gtest.h>

#include <chrono>

#include "temp_folder.h"

namespace kerfolio {
namespace {

TEST(DataFolderTest, PrefersTheExecutablesFolderWhenWritable) {
    testing::TempFolder exe;
    testing::TempFolder user;
    EXPECT_EQ(ChooseDataFolder(exe.Path(), user / "kerfolio"), exe.Path());
    EXPECT_TRUE(std::filesystem::is_empty(exe.Path())) << "the probe file is removed";
    EXPECT_FALSE(std::filesystem::exists(user / "kerfolio"));
}

TEST(DataFolderTest, FallsBackToTheUserFolderAndCreatesIt) {
    testing::TempFolder exe;
    testing::TempFolder user;
    const auto userFolder = user / "share" / "kerfolio";
    EXPECT_EQ(ChooseDataFolder(testing::UnwritableFolder(exe), userFolder), userFolder);
    EXPECT_TRUE(std::filesystem::is_directory(userFolder));
}

// An administrator's save.ini beside the program wins even where nobody may write; finding out
// creates nothing there (its modification time stays). No owner write bit is read-only for root too.
TEST(DataFolderTest, SaveIniBesideTheProgramDecidesBeforeWritability) {
    const std::tuple<bool, bool, bool> cases[] = {// save.ini there, folder writable, folder chosen
                                                  {true, true, true},
                                                  {true, false, true},
                                                  {false, true, true},
                                                  {false, false, false}};
    using std::filesystem::perms;
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    for (const auto& [hasSaveIni, writable, exeChosen] : cases) {
        SCOPED_TRACE(::testing::Message() << hasSaveIni << writable);
        testing::TempFolder exe, user;
        if (hasSaveIni) testing::Put(SettingsPath(exe.Path()), "[checkbox4]\r\nchecked=true\r\n");
        if (!writable) std::filesystem::permissions(exe.Path(), perms::owner_read | perms::owner_exec);
        std::filesystem::last_write_time(exe.Path(), past);
        EXPECT_EQ(ChooseDataFolder(exe.Path(), user / "k"), exeChosen ? exe.Path() : user / "k");
        EXPECT_TRUE(std::filesystem::last_write_time(exe.Path()) == past) << "something was created there";
        std::filesystem::permissions(exe.Path(), perms::owner_all);
    }
}

TEST(DataFolderTest, FindingTheFolderCreatesNothing) {
    testing::TempFolder exe;
    testing::TempFolder user;
    const auto userFolder = user / "share" / "kerfolio";
    EXPECT_EQ(FindDataFolder(exe.Path(), userFolder), exe.Path());
    EXPECT_EQ(FindDataFolder(testing::UnwritableFolder(exe), userFolder), userFolder);
    EXPECT_FALSE(std::filesystem::exists(user / "share"));
}

// Installed, even root must not scatter settings among the system's programs.
TEST(DataFolderTest, AnInstalledProgramKeepsItsDataInTheUserFolder) {
    const std::pair<const char*, bool> folders[] = {
        {"/usr/bin", true},   {"/usr/local/bin/", true},      {"/opt/kerfolio/bin", true}, {"/bin", true},
        {"/usrx/bin", false}, {"/home/shop/kerfolio", false}, {"/tmp/usr/bin", false},     {"/", false},
    };
    for (const auto& [folder, system] : folders)
        EXPECT_EQ(IsSystemProgramFolder(folder), system) << folder;
    testing::TempFolder user;
    EXPECT_EQ(FindDataFolder("/usr/bin", user.Path()), user.Path());
}

TEST(DataFolderTest, FileNames) {
    EXPECT_EQ(SettingsPath("/opt/kerfolio"), std::filesystem::path("/opt/kerfolio/save.ini"));
    EXPECT_EQ(NotePadPath("/opt/kerfolio"), std::filesystem::path("/opt/kerfolio/temp.sav"));
}

}  // namespace
}  // namespace kerfolio
