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

// An administrator's save.ini beside the program is honoured even where nobody may write; a folder
// without one serves only when writable. Finding out must leave the program's folder untouched, so
// its modification time stays put. A folder whose owner has no write bit counts as read-only for root
// as well, so every row runs the same under any user.
TEST(DataFolderTest, SaveIniBesideTheProgramDecidesBeforeWritability) {
    struct Case {
        bool hasSaveIni;
        bool ownerWritable;
        bool exeFolderChosen;
    };
    const Case cases[] = {
        {true, true, true},
        {true, false, true},
        {false, true, true},
        {false, false, false},
    };
    using std::filesystem::perms;
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "save.ini " << c.hasSaveIni << " writable " << c.ownerWritable);
        testing::TempFolder exe;
        testing::TempFolder user;
        if (c.hasSaveIni) testing::Put(SettingsPath(exe.Path()), "[checkbox4]\r\nchecked=true\r\n");
        if (!c.ownerWritable) {
            std::filesystem::permissions(exe.Path(),
                                         perms::owner_write | perms::group_write | perms::others_write,
                                         std::filesystem::perm_options::remove);
        }
        std::filesystem::last_write_time(exe.Path(), past);

        const auto chosen = ChooseDataFolder(exe.Path(), user / "kerfolio");
        EXPECT_EQ(chosen, c.exeFolderChosen ? exe.Path() : user / "kerfolio");
        EXPECT_EQ(std::filesystem::last_write_time(exe.Path()).time_since_epoch().count(),
                  past.time_since_epoch().count())
            << "something was created there";
        std::filesystem::permissions(exe.Path(), perms::owner_all);
    }
}

TEST(DataFolderTest, FileNames) {
    EXPECT_EQ(SettingsPath("/opt/kerfolio"), std::filesystem::path("/opt/kerfolio/save.ini"));
    EXPECT_EQ(NotePadPath("/opt/kerfolio"), std::filesystem::path("/opt/kerfolio/temp.sav"));
}

}  // namespace
}  // namespace kerfolio
