#include "storage/daily_archive.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "storage/archive_mount.h"
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
        const char* writtenBefore = "";  // what a killed archive set out to add
    } cases[] = {
        {"first of the day", nullptr, "1    机床:机床1\n2    机床:机床2",
         ToGbk("1    机床:机床1\r\n2    机床:机床2")},
        {"empty NotePad, no file", nullptr, "", ""},
        {"second of the day", "1    a", "1    b", "1    a\r\n1    b"},
        {"earlier file ends with a break", "1    a\r\n", "1    b", "1    a\r\n1    b"},
        {"empty NotePad keeps the day's lines", "1    a", "", "1    a"},
        {"earlier archive was empty", "", "1    b", "1    b"},
        {"a crash cut the last line short", "1    a\r\n1    tor", "1    b", "1    a\r\n1    tor\r\n1    b"},
        // A start after an archive killed before its archived event: what is there is not added again.
        {"killed after the append", "0    z\r\n1    a\r\n2    b", "1    a\n2    b",
         "0    z\r\n1    a\r\n2    b", "1    a\n2    b"},
        {"killed after the append, a line since", "1    a", "1    a\n2    b", "1    a\r\n2    b", "1    a"},
        {"killed mid-line", "0    z\r\n1    a\r\n2   ", "1    a\n2    b", "0    z\r\n1    a\r\n2    b",
         "1    a\n2    b"},
        {"killed before the append", "0    z", "1    a", "0    z\r\n1    a", "1    a"},
        {"the same text inside a line is not a line", "0    z1    a", "1    a", "0    z1    a\r\n1    a",
         "1    a"},
        {"another NotePad since", "1    a", "1    b", "1    a\r\n1    b", "1    a"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const auto file = folder / "day.txt";
        if (c.before != nullptr) Put(file, c.before);
        EXPECT_EQ(AppendToArchive(file, c.notePad, kArchiveLockWait, c.writtenBefore), std::nullopt)
            << c.name;
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

// Either lock held elsewhere: the folder's lock file, or the day file's own (a PC whose client still
// sees a removed lock file under its name).
TEST(DailyArchive, ALockHeldTooLongFailsTheArchiveAndKeepsTheFile) {
    for (const bool dayFileLocked : {false, true}) {
        SCOPED_TRACE(dayFileLocked ? "day file" : "lock file");
        TempFolder folder;
        const auto file = folder / "2026-12-8.txt";
        Put(file, "1    a");
        FileLock other;
        const int day = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(day, 0);
        if (dayFileLocked) {
            ASSERT_EQ(LockOpenFile(day, std::chrono::milliseconds(0)), 0);
        } else {
            ASSERT_EQ(other.Take(ArchiveLockPath(file), std::chrono::milliseconds(0)), 0);
        }
        const auto error = AppendToArchive(file, "1    b", std::chrono::milliseconds(200));
        EXPECT_EQ(error,
                  "Cannot create file \"" + file.string() +
                      "\". Resource temporarily unavailable (another program is archiving into this folder)");
        EXPECT_EQ(Slurp(file), "1    a");
        other.Release();
        ::close(day);
        EXPECT_EQ(AppendToArchive(file, "1    b", std::chrono::milliseconds(200)), std::nullopt);
        EXPECT_EQ(Slurp(file), "1    a\r\n1    b");
    }
}

// A FUSE folder's lock is the lock file itself, as the server sees it: taken when it is absent or was
// left ten minutes ago, waited for while another holder's is there, refused where something else has
// the name; letting go removes it.
TEST(DailyArchive, ALockMadeByNameIsWaitedForTakenOverWhenOldAndRemoved) {
    enum class Before { Nothing, Held, LeftNineMinutesAgo, LeftElevenMinutesAgo, Folder };
    const struct {
        Before before;
        int taken;
    } cases[] = {{Before::Nothing, 0},
                 {Before::Held, EWOULDBLOCK},
                 {Before::LeftNineMinutesAgo, EWOULDBLOCK},
                 {Before::LeftElevenMinutesAgo, 0},
                 {Before::Folder, ENOTSUP}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.before));
        TempFolder folder;
        const auto lockFile = folder / ".kerfolio-archive.lock";
        FileLock other;
        if (c.before == Before::Held) {
            ASSERT_EQ(other.TakeByMaking(lockFile, std::chrono::steady_clock::now()), 0);
        } else if (c.before == Before::Folder) {
            std::filesystem::create_directory(lockFile);
        } else if (c.before != Before::Nothing) {
            Put(lockFile, "");
            const auto age = std::chrono::minutes(c.before == Before::LeftNineMinutesAgo ? 9 : 11);
            std::filesystem::last_write_time(lockFile, std::filesystem::file_time_type::clock::now() - age);
        }
        FileLock lock;
        EXPECT_EQ(
            lock.TakeByMaking(lockFile, std::chrono::steady_clock::now() + std::chrono::milliseconds(100)),
            c.taken);
        if (c.taken == 0) {
            lock.Release();
            EXPECT_FALSE(std::filesystem::exists(lockFile));
        }
    }
}

// Temporaries an older version's replacement left: another PC may be writing one, whatever its pid
// says here, so only those older than any archive takes go, and only under the folder's lock.
TEST(DailyArchive, OnlyOldDayFileTemporariesGoAndOnlyUnderTheLock) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string deadPid = std::to_string(dead);
    using std::chrono::minutes;
    const struct {
        std::string name;
        minutes age;
        bool keptUnderLock;
    } cases[] = {
        {".2026-12-8.txt.tmp-" + deadPid + "-0", minutes(1), true},  // its writer on another PC may run
        {".2026-12-8.txt.tmp-" + deadPid + "-3", minutes(11), false},
        {".8.12.26.txt.tmp-1-4", minutes(60), false},  // a pid alive here means nothing either
        {".2026-12-9.txt.tmp-" + std::to_string(::getpid()) + "-0", minutes(9), true},
        {".notes.doc.tmp-" + deadPid + "-0", minutes(60), true},  // not a day file's
        {"..txt.tmp-" + deadPid + "-0", minutes(60), true},
        {".2026-12-8.txt.tmp-" + deadPid, minutes(60), true},
        {"2026-12-7.txt", minutes(60), true},
    };
    TempFolder folder;
    const auto file = folder / "2026-12-8.txt";
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& c : cases) {
        Put(folder / c.name, "x");
        std::filesystem::last_write_time(folder / c.name, now - c.age);
    }
    {
        FileLock other;  // another PC archiving: nothing is touched
        ASSERT_EQ(other.Take(ArchiveLockPath(file), std::chrono::milliseconds(0)), 0);
        EXPECT_TRUE(AppendToArchive(file, "1    a", std::chrono::milliseconds(100)).has_value());
        for (const auto& c : cases)
            EXPECT_TRUE(std::filesystem::exists(folder / c.name)) << "without the lock: " << c.name;
    }
    EXPECT_EQ(AppendToArchive(file, "1    a"), std::nullopt);
    for (const auto& c : cases)
        EXPECT_EQ(std::filesystem::exists(folder / c.name), c.keptUnderLock) << c.name;
}

// PCs under other accounts of one group append to the day file the first PC made.
TEST(DailyArchive, ANewDayFileIsGroupWritableAndTakesASetgidFolderGroup) {
    const ::mode_t oldMask = ::umask(022);
    const group* other = ::getgrnam("nogroup");
    const bool mayChangeGroup = ::geteuid() == 0 && other != nullptr && other->gr_gid != ::getegid();
    for (const bool setgid : {false, true}) {
        SCOPED_TRACE(setgid ? "setgid folder" : "plain folder");
        TempFolder folder;
        if (setgid) {
            if (!mayChangeGroup) continue;  // a folder of another group needs root here
            ASSERT_EQ(::chown(folder.Path().c_str(), static_cast<uid_t>(-1), other->gr_gid), 0);
            ASSERT_EQ(::chmod(folder.Path().c_str(), 02775), 0);
        }
        struct stat made {};
        ASSERT_EQ(AppendToArchive(folder / "2026-12-8.txt", "1    a"), std::nullopt);
        ASSERT_EQ(::stat((folder / "2026-12-8.txt").c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0664u);
        EXPECT_EQ(made.st_gid, setgid ? other->gr_gid : ::getegid());
    }
    ::umask(oldMask);
}

// The lines an archive added must read back after its end; anything else means another PC's write
// (through a file system whose lock does not reach it) took their place.
TEST(DailyArchive, TheReadBackFindsOnlyTheLinesAddedAfterTheOldEnd) {
    const std::string added = "1    b\r\n";
    const struct {
        const char* name;
        std::string file;
        std::uintmax_t from;
        bool confirmed;
    } cases[] = {
        {"added at the old end", "1    a\r\n1    b\r\n", 8, true},
        {"another PC added first", "1    a\r\n2    c\r\n1    b\r\n", 8, true},
        {"written over by another PC", "1    a\r\n2    c\r\n", 8, false},
        {"the same line only before the end", "1    b\r\n1    a\r\n", 8, false},
        {"the file cut short", "1    a", 8, false},
        {"half the lines", "1    a\r\n1  ", 8, false},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        Put(folder / "d.txt", c.file);
        const auto error = ConfirmArchived(folder / "d.txt", added, c.from);
        EXPECT_EQ(!error.has_value(), c.confirmed) << c.name;
        if (error) {
            EXPECT_NE(error->find(kArchiveNotConfirmed), std::string::npos) << c.name;
        }
    }
    TempFolder folder;
    EXPECT_NE(ConfirmArchived(folder / "gone.txt", added, 0), std::nullopt) << "a file gone since";
}

// A share that is away leaves its mount point behind: the archive must not go to the local disk there.
TEST(DailyArchive, AFolderUnderAnUnmountedFstabEntryIsFound) {
    const std::string fstab =
        "# <file system> <mount point> <type> <options> <dump> <pass>\n"
        "UUID=1234 / ext4 errors=remount-ro 0 1\n"
        "UUID=5678 none swap sw 0 0\n"
        "//server/shop /mnt/shop cifs credentials=/etc/shop,uid=1000,noauto 0 0\n"
        "server:/export\t/srv/arch\\040ive nfs4 defaults,_netdev 0 0\n"
        "/dev/sdb1 /media/usb vfat noauto,user 0 0\n";
    const std::string rootOnly = "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
    const std::string shopMounted =
        rootOnly + "40 21 0:50 / /mnt/shop rw,relatime shared:2 - cifs //server/shop rw\n";
    const std::string archiveMounted =
        rootOnly + "41 21 0:51 / /srv/arch\\040ive rw - nfs4 server:/export rw\n";
    const std::string usbAndBind = rootOnly + "42 21 8:17 / /media/usb/inner rw - ext4 /dev/sdc1 rw\n";
    const struct {
        const char* folder;
        const std::string& mounts;
        const char* missing;  // nullptr: none
    } cases[] = {
        {"/mnt/shop", rootOnly, "/mnt/shop"},
        {"/mnt/shop/archive/pc1", rootOnly, "/mnt/shop"},
        {"/mnt/shop/", rootOnly, "/mnt/shop"},
        {"/mnt/shop/archive", shopMounted, nullptr},
        {"/mnt/shopping", rootOnly, nullptr},  // a name that only starts like the mount point
        {"/mnt", rootOnly, nullptr},
        {"/home/shop/archive", rootOnly, nullptr},
        {"/srv/arch ive/day", rootOnly, "/srv/arch ive"},
        {"/srv/arch ive/day", archiveMounted, nullptr},
        {"/media/usb", rootOnly, "/media/usb"},
        {"/media/usb/inner/x", usbAndBind, nullptr},  // on a file system mounted inside it
    };
    for (const auto& c : cases) {
        const auto missing = FindMissingMount(c.folder, fstab, c.mounts);
        EXPECT_EQ(missing ? missing->mountPoint.c_str() : "-", std::string(c.missing ? c.missing : "-"))
            << c.folder;
    }
    EXPECT_EQ(FindMissingMount("/mnt/shop/a", fstab, rootOnly)->device, "//server/shop");
    // This system's own folders are all mounted.
    TempFolder folder;
    EXPECT_EQ(FindMissingMount(folder.Path()), std::nullopt);
}

// The share mounted at the last archive and away now: the folder then sits on the disk below.
TEST(DailyArchive, AFolderThatWasOnAShareAndIsNotNowIsFound) {
    const std::string root = "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
    const std::string nfs =
        root + "40 21 0:50 / /mnt/shop rw,relatime shared:2 master:7 - nfs4 srv:/export rw\n";
    const std::string cifs = root + "41 21 0:51 / /mnt/shop rw - cifs //srv/shop rw\n";
    const std::string usb = root + "42 21 8:17 / /mnt/shop rw - vfat /dev/sdb1 rw\n";
    const std::string outerNfs = root + "43 21 0:52 / /mnt rw - nfs4 srv:/mnt rw\n";
    const std::string sshfs = root + "44 21 0:53 / /mnt/shop rw - fuse.sshfs pc@srv:/shop rw\n";
    const std::string spaced = root + "45 21 0:54 / /srv/arch\\040ive rw - cifs //srv/a\\040b rw\n";
    const std::string hidden = nfs + "46 40 0:55 / /mnt/shop rw - ext4 /dev/sdc1 rw\n";  // mounted over it
    const FolderMount lastNfs{"", "nfs4", "srv:/export", "/mnt/shop"};
    const FolderMount lastLocal{"", "ext4", "/dev/sda1", "/"};
    const struct {
        const char* name;
        const FolderMount& last;
        const char* folder;
        const std::string& mounts;
        const char* type;  // of the mount found
        bool refused;
    } cases[] = {
        {"share there", lastNfs, "/mnt/shop/archive", nfs, "nfs4", false},
        {"share away", lastNfs, "/mnt/shop/archive", root, "ext4", true},
        {"the mount point itself", lastNfs, "/mnt/shop", root, "ext4", true},
        {"another protocol on it", lastNfs, "/mnt/shop/archive", cifs, "cifs", false},
        {"a fuse share on it", lastNfs, "/mnt/shop/archive", sshfs, "fuse.sshfs", false},
        {"a local disk on it", lastNfs, "/mnt/shop/archive", usb, "vfat", true},
        {"a share above it", lastNfs, "/mnt/shop/archive", outerNfs, "nfs4", true},
        {"last mount listed wins", lastNfs, "/mnt/shop/archive", hidden, "ext4", true},
        {"another folder chosen", lastNfs, "/home/pc/archive", root, "ext4", false},
        {"a name that only starts alike", lastNfs, "/mnt/shopping", root, "ext4", false},
        {"last on the local disk", lastLocal, "/mnt/shop/archive", root, "ext4", false},
        {"escaped names", lastNfs, "/srv/arch ive/x", spaced, "cifs", false},
    };
    for (const auto& c : cases) {
        const auto now = FindFolderMount(c.folder, c.mounts);
        ASSERT_TRUE(now) << c.name;
        EXPECT_EQ(now->type, c.type) << c.name;
        const auto reason = ShareAwayReason(c.last, *now);
        EXPECT_EQ(reason.has_value(), c.refused) << c.name;
        if (reason) {
            EXPECT_NE(reason->find("srv:/export"), std::string::npos) << c.name << ": names the share";
        }
    }
    EXPECT_EQ(FindFolderMount("/srv/arch ive/x", spaced)->device, "//srv/a b");
    EXPECT_EQ(FindFolderMount("/x", "garbage\n"), std::nullopt);
    // This system's own folder is on some mount.
    TempFolder folder;
    EXPECT_NE(FindFolderMount(folder.Path()), std::nullopt);
}

}  // namespace
}  // namespace kerfolio
