#include "storage/shared_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "snapshot_samples.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"
#include "temp_folder.h"
#include "unprivileged.h"

namespace kerfolio {
namespace {

using std::filesystem::perms;
using testing::Slurp;

enum class FileState { Writable, ReadOnly, Missing };

constexpr perms kOpenFile = static_cast<perms>(0666), kReadOnlyFile = static_cast<perms>(0444);
constexpr perms kOpenFolder = static_cast<perms>(0777), kReadOnlyFolder = static_cast<perms>(0555);

ino_t Inode(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

// What an operator's store does with save.ini or temp.sav, for every way an administrator may have
// set up the folder beside the program: a writable folder replaces the file atomically; a read-only
// folder with a writable file (mode 666) has it written in place; otherwise the store fails, the old
// bytes stay, and the message says which of folder and file is in the way.
TEST(DataFileTest, ReadOnlyFolderWritesAWritableFileInPlace) {
    struct Case {
        bool folderWritable;
        FileState file;
        bool stored;
        bool inPlace;             // the very same file, not a replacement
        const char* messageTail;  // after the file's name; empty when stored
    } cases[] = {
        {true, FileState::Writable, true, false, ""},
        {true, FileState::ReadOnly, false, false, ". Permission denied"},
        {true, FileState::Missing, true, false, ""},
        {false, FileState::Writable, true, true, ""},
        {false, FileState::ReadOnly, false, false,
         ". Permission denied (the folder \"@\" is read-only, and so is the file)"},
        {false, FileState::Missing, false, false, ". Permission denied (the folder \"@\" is read-only)"},
    };
    for (const char* name : {"save.ini", "temp.sav"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << name << " folder writable " << c.folderWritable << " file "
                                              << static_cast<int>(c.file));
            testing::TempFolder folder;
            const std::filesystem::path file = folder / name;
            const std::string old = "[save]\r\nE=7\r\n";
            // The other file of the snapshot is always writable, so only the one under test decides.
            for (const char* each : {"save.ini", "temp.sav"}) {
                if (each == std::string_view(name) && c.file == FileState::Missing) continue;
                testing::Put(folder / each, old);
                const bool writable = each != std::string_view(name) || c.file == FileState::Writable;
                std::filesystem::permissions(folder / each, writable ? kOpenFile : kReadOnlyFile);
            }
            std::filesystem::permissions(folder.Path(), c.folderWritable ? kOpenFolder : kReadOnlyFolder);
            const ino_t before = Inode(file);

            std::optional<std::string> error;
            {
                testing::AsUnprivilegedUser user;
                ASSERT_TRUE(user.Unprivileged());
                if (name == std::string_view("save.ini")) {
                    SettingsFile settings(file);
                    if (!settings.Write("save", "E", "8")) error = settings.LastError();
                } else {
                    error = SaveWorkSnapshot(folder.Path(), testing::SampleSnapshot(true));
                }
            }
            std::filesystem::permissions(folder.Path(), perms::owner_all);

            EXPECT_EQ(!error, c.stored) << error.value_or("");
            if (c.stored) {
                EXPECT_NE(Slurp(file), old);
                if (c.file != FileState::Missing) {
                    EXPECT_EQ(Inode(file) == before, c.inPlace);
                }
            } else {
                std::string expected = "Cannot create file \"" + file.string() + "\"" + c.messageTail;
                if (const auto at = expected.find('@'); at != std::string::npos)
                    expected.replace(at, 1, folder.Path().string());
                EXPECT_EQ(error.value_or(""), expected);
                if (c.file == FileState::Missing) {
                    EXPECT_FALSE(std::filesystem::exists(file));
                } else {
                    EXPECT_EQ(Slurp(file), old);
                }
            }
            const auto entries = std::distance(std::filesystem::directory_iterator(folder.Path()), {});
            EXPECT_EQ(entries, 2 - (c.file == FileState::Missing && !c.stored))
                << "no temporary file is left";
        }
    }
}

// Rewriting in place must leave exactly the new bytes, shorter or longer than the old ones.
TEST(DataFileTest, InPlaceWriteLeavesExactlyTheNewBytes) {
    testing::TempFolder folder;
    const std::filesystem::path file = folder / "save.ini";
    testing::Put(file, "0123456789");
    std::filesystem::permissions(file, kOpenFile);
    std::filesystem::permissions(folder.Path(), kReadOnlyFolder);
    for (const std::string bytes : {"abc", "", "a much longer content than before\r\n"}) {
        EXPECT_TRUE(WriteDataFile(file, bytes));
        EXPECT_EQ(Slurp(file), bytes);
    }
    std::filesystem::permissions(folder.Path(), perms::owner_all);
}

}  // namespace
}  // namespace kerfolio
