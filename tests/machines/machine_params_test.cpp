#include <gtest/gtest.h>

#include "machines/machine_params.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"
#include "tests/storage/temp_folder.h"

namespace kerfolio {
namespace {

using testing::Put;
using testing::Slurp;
using testing::TempFolder;

TEST(MachineParams, MissingKeysGiveTheDefaultsAndEmptyKeysStayEmpty) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    // Machine 2 has a name and an emptied efficiency; its model is stored with blanks around it.
    Put(folder / "save.ini", ToGbk("[save]\r\nab1=CNC-7\r\nab2=  DK7740  \r\nab6=\r\nac6=45\r\n"));

    struct Case {
        int machine;
        const char* caption;
        TMachineParams want;
        std::string efficiency;
    } cases[] = {
        {3, "机床3", {"机床3", "", "", "", "", "45", ""}, "45"},
        {2, "机床2", {"CNC-7", "DK7740", "", "", "", "", ""}, ""},
        {6, "Z", {"Z", "", "", "", "", "30", ""}, "30"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadMachineParams(settings, c.machine, c.caption), c.want) << c.machine;
        EXPECT_EQ(ReadEfficiency(settings, c.machine), c.efficiency) << c.machine;
    }
}

TEST(MachineParams, WriteStoresAllSevenKeysAndLeavesTheRestOfTheFile) {
    TempFolder folder;
    SettingsFile settings(folder / "save.ini");
    Put(folder / "save.ini", "[file]\r\ndir=d:\\\r\n[save]\r\naa1=old\r\naa2=x\r\nab1=keep\r\n");

    const TMachineParams params{"机床一号", "DK7732", "320x400", "", "0.01", "", "换过导轮"};
    ASSERT_TRUE(WriteMachineParams(settings, 1, params));
    EXPECT_EQ(ReadMachineParams(settings, 1, "unused"), params);
    EXPECT_EQ(settings.Read("save", "ab1", ""), "keep");
    EXPECT_EQ(settings.Read("file", "dir", ""), "d:\\");
    // Empty texts are stored as keys, so they read back empty instead of as defaults.
    EXPECT_NE(Slurp(folder / "save.ini").find("aa6=\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kerfolio
