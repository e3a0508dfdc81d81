// Kills a process in the middle of saving snapshots, again and again, and checks that each file on
// disk is always one complete version and that the snapshot always loads.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>

#include "measured_kill.h"
#include "snapshot_samples.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"
#include "temp_folder.h"

namespace kerfolio {
namespace {

using testing::SampleSnapshot;
using testing::Slurp;
using testing::TempFolder;

constexpr char kOtherSettings[] = "; kept across saves\r\n[file]\r\ndir=/srv/records/\r\n";

struct Version {
    std::string settings;
    std::string notePad;
};

// The bytes each sample leaves on disk after a save over the other one.
std::pair<Version, Version> ExpectedVersions() {
    TempFolder folder;
    testing::Put(SettingsPath(folder.Path()), kOtherSettings);
    Version versions[2];
    for (int round = 0; round < 3; ++round) {
        const bool second = round % 2 == 1;
        EXPECT_EQ(SaveWorkSnapshot(folder.Path(), SampleSnapshot(second)), std::nullopt);
        Version current{Slurp(SettingsPath(folder.Path())), Slurp(NotePadPath(folder.Path()))};
        if (round < 2) {
            versions[round] = current;
        } else {
            EXPECT_EQ(current.settings, versions[0].settings) << "saving is repeatable";
        }
    }
    return {versions[0], versions[1]};
}

int KillCount() {
    const char* text = std::getenv("KERFOLIO_CRASH_KILLS");
    return text ? std::max(1, std::atoi(text)) : 120;
}

TEST(SnapshotCrashTest, KilledSavesLeaveOneCompleteVersionOfEachFile) {
    const auto [first, second] = ExpectedVersions();
    ASSERT_NE(first.settings, second.settings);
    ASSERT_NE(first.notePad, second.notePad);

    TempFolder folder;
    testing::Put(SettingsPath(folder.Path()), kOtherSettings);
    ASSERT_EQ(SaveWorkSnapshot(folder.Path(), SampleSnapshot(false)), std::nullopt);

    std::mt19937 random(std::random_device{}());
    int changes = 0;
    Version previous{Slurp(SettingsPath(folder.Path())), Slurp(NotePadPath(folder.Path()))};
    const int kills = KillCount();
    for (int kill = 0; kill < kills; ++kill) {
        const int status = testing::KillInsideASave(KERFOLIO_CRASH_CHILD, {folder.Path().string()}, random);
        ASSERT_TRUE(status != -1 && WIFSIGNALED(status))
            << "the saving process ended by itself, status " << status;

        Version now{Slurp(SettingsPath(folder.Path())), Slurp(NotePadPath(folder.Path()))};
        ASSERT_TRUE(now.settings == first.settings || now.settings == second.settings) << "kill " << kill;
        ASSERT_TRUE(now.notePad == first.notePad || now.notePad == second.notePad) << "kill " << kill;
        SnapshotLoad load = LoadWorkSnapshot(folder.Path());
        ASSERT_TRUE(load.snapshot) << load.error;
        changes += (now.settings != previous.settings) + (now.notePad != previous.notePad);
        previous = now;
    }
    EXPECT_GT(changes, 0) << "no kill ever came after a save";
}

}  // namespace
}  // namespace kerfolio
