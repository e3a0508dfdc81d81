#include "storage/data_folder.h"

#include <gtest/gtest.h>

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

TEST(DataFolderTest, FindingTheFolderCreatesNothing) {
    testing::TempFolder exe;
    testing::TempFolder user;
    const auto userFolder = user / "share" / "kerfolio";
    EXPECT_EQ(FindDataFolder(exe.Path(), userFolder), exe.Path());
    EXPECT_EQ(FindDataFolder(testing::UnwritableFolder(exe), userFolder), userFolder);
    EXPECT_FALSE(std::filesystem::exists(user / "share"));
}

TEST(DataFolderTest, FileNames) {
    EXPECT_EQ(SettingsPath("/opt/kerfolio"), std::filesystem::path("/opt/kerfolio/save.ini"));
    EXPECT_EQ(NotePadPath("/opt/kerfolio"), std::filesystem::path("/opt/kerfolio/temp.sav"));
}

}  // namespace
}  // namespace kerfolio
