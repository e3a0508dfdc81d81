#include "storage/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "temp_folder.h"

namespace kerfolio {
namespace {

using testing::Slurp;
using testing::TempFolder;

std::size_t EntryCount(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(AtomicFileTest, ReplacesTheFileAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const auto file = folder / "temp.sav";
    ASSERT_TRUE(WriteFileAtomically(file, "old"));
    ASSERT_TRUE(WriteFileAtomically(file, std::string("new\0bytes", 9)));
    EXPECT_EQ(Slurp(file), std::string("new\0bytes", 9));
    ASSERT_TRUE(WriteFileAtomically(file, ""));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

// Root ignores permission bits, so a full disk is played by the file size limit. Bytes given whole and
// bytes streamed in small pieces well past the first chunk fail alike: the disk's reason, the old file.
TEST(AtomicFileTest, FailedWriteKeepsTheOldFile) {
    using Write = std::function<bool(const std::filesystem::path&, std::string*)>;
    const std::pair<const char*, Write> writes[] = {
        {"whole",
         [](const std::filesystem::path& file, std::string* error) {
             return WriteFileAtomically(file, std::string(5000, 'x'), error);
         }},
        {"streamed",
         [](const std::filesystem::path& file, std::string* error) {
             return WriteFileAtomically(
                 file,
                 [](std::ostream& out) {
                     for (int line = 0; line < 100'000; ++line)
                         out << "line " << line << "\r\n";
                 },
                 error);
         }},
    };
    for (const auto& [what, write] : writes) {
        SCOPED_TRACE(what);
        TempFolder folder;
        const auto file = folder / "save.ini";
        ASSERT_TRUE(WriteFileAtomically(file, "old content"));

        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 1000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        std::string error;
        const bool written = write(file, &error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, oldHandler);

        EXPECT_FALSE(written);
        EXPECT_EQ(error, "Cannot create file \"" + file.string() + "\". File too large");
        EXPECT_EQ(Slurp(file), "old content");
        EXPECT_EQ(EntryCount(folder.Path()), 1u);
    }
}

// A writer that gives up by throwing leaves no half-written temporary behind.
TEST(AtomicFileTest, AThrowingWriterLeavesTheOldFile) {
    TempFolder folder;
    const auto file = folder / "report.csv";
    ASSERT_TRUE(WriteFileAtomically(file, "old content"));
    EXPECT_THROW(WriteFileAtomically(file,
                                     [](std::ostream& out) {
                                         out << std::string(100'000, 'x');
                                         throw std::runtime_error("given up");
                                     }),
                 std::runtime_error);
    EXPECT_EQ(Slurp(file), "old content");
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST(AtomicFileTest, ErrorsNameTheFullPath) {
    TempFolder folder;
    const auto missing = folder / "missing.sav";
    std::string bytes = "kept";
    std::string error;
    EXPECT_FALSE(ReadWholeFile(missing, bytes, &error));
    EXPECT_EQ(error, "Cannot open file \"" + missing.string() + "\". No such file or directory");
    EXPECT_EQ(bytes, "kept");

    const auto unwritable = testing::UnwritableFolder(folder) / "temp.sav";
    EXPECT_FALSE(WriteFileAtomically(unwritable, "x", &error));
    EXPECT_EQ(error, "Cannot create file \"" + unwritable.string() + "\". Not a directory");

    // A relative name is reported as the full path the operator can look for.
    const auto oldCurrent = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    EXPECT_FALSE(ReadWholeFile("nothing.ini", bytes, &error));
    std::filesystem::current_path(oldCurrent);
    EXPECT_EQ(error,
              "Cannot open file \"" + (folder / "nothing.ini").string() + "\". No such file or directory");
}

// Callers start a missing file afresh and refuse every other failure, so the errno must say which.
TEST(AtomicFileTest, AFailedReadTellsAMissingFileFromOneThatCannotBeRead) {
    TempFolder folder;
    testing::Put(folder / "plain.ini", "x");
    std::filesystem::create_directory(folder / "folder.ini");
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0600), 0);
    const struct {
        const char* name;
        int number;
        bool missing;
    } cases[] = {
        {"missing.ini", ENOENT, true},
        {"plain.ini/below.ini", ENOTDIR, true},
        {"folder.ini", EISDIR, false},
        {"fifo.ini", 0, false},
    };
    for (const auto& c : cases) {
        std::string bytes;
        const auto failure = ReadFile(folder / c.name, bytes);
        ASSERT_TRUE(failure.has_value()) << c.name;
        EXPECT_EQ(failure->number, c.number) << c.name;
        EXPECT_EQ(failure->IsMissing(), c.missing) << c.name;
    }
}

// The rename alone replaced a frozen file; root is refused too, since the owner's bits decide.
TEST(AtomicFileTest, FileWithoutWriteBitForItsOwnerIsNotReplaced) {
    TempFolder folder;
    using std::filesystem::perms;
    for (const auto& [name, mode] : {std::pair{"save.ini", perms::owner_read | perms::others_read},
                                     std::pair{"2025-6-30.txt", perms::owner_read | perms::group_write}}) {
        const auto file = folder / name;
        ASSERT_TRUE(WriteFileAtomically(file, "frozen"));
        std::filesystem::permissions(file, mode);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(file, "changed", &error));
        EXPECT_EQ(error, "Cannot create file \"" + file.string() + "\". Permission denied");
        EXPECT_EQ(Slurp(file), "frozen");
    }
    EXPECT_EQ(EntryCount(folder.Path()), 2u) << "no temporary file is left behind";
}

TEST(AtomicFileTest, KeepsThePermissionsOfTheReplacedFile) {
    TempFolder folder;
    const auto file = folder / "save.ini";
    ASSERT_TRUE(WriteFileAtomically(file, "a"));
    std::filesystem::permissions(file,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_TRUE(WriteFileAtomically(file, "b"));
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(AtomicFileTest, StaleTemporariesOfDeadWritersAreRemoved) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string deadPid = std::to_string(dead), ownPid = std::to_string(::getpid());

    TempFolder folder;
    const std::vector<std::pair<std::string, bool>> names = {
        {".save.ini.tmp-" + deadPid + "-0", false},  // its writer died mid-write
        {".save.ini.tmp-" + deadPid + "-17", false},
        {".save.ini.tmp-" + ownPid + "-3", true},   // a write of ours may be under way
        {".save.ini.tmp-1-0", true},                // pid 1 always runs
        {".temp.sav.tmp-" + deadPid + "-0", true},  // another file's
        {".save.ini.tmp-x-0", true},
        {"save.ini", true},
    };
    for (const auto& [name, kept] : names)
        testing::Put(folder / name, "x");
    RemoveStaleTemporaries(folder / "save.ini");
    for (const auto& [name, kept] : names)
        EXPECT_EQ(std::filesystem::exists(folder / name), kept) << name;
}

}  // namespace
}  // namespace kerfolio
