// Whatever sits where the program expects a file it reads, the read neither blocks nor takes all
// memory: it is refused with a message naming the file, and the thing itself is left as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "storage/atomic_file.h"
#include "storage/daily_archive.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"
#include "tests/storage/temp_folder.h"

namespace kerfolio {
namespace {

using testing::Put;
using testing::TempFolder;

enum class Kind { Fifo, LinkToDevZero, Folder };

struct Made {
    std::string reason;  // what the message says about it
};

Made MakeHostile(const std::filesystem::path& file, Kind kind) {
    switch (kind) {
        case Kind::Fifo:
            EXPECT_EQ(::mkfifo(file.c_str(), 0600), 0);
            return {"Not a regular file"};
        case Kind::LinkToDevZero:
            std::filesystem::create_symlink("/dev/zero", file);
            return {"Not a regular file"};
        case Kind::Folder:
            std::filesystem::create_directory(file);
            return {"Is a directory"};
    }
    return {};
}

std::filesystem::file_type TypeOf(const std::filesystem::path& file) {
    return std::filesystem::symlink_status(file).type();
}

// Each reader of the program, given the data folder; returns the message it reports.
struct Reader {
    const char* name;
    const char* file;  // the file in the folder it reads
    std::function<std::string(const std::filesystem::path& folder)> read;
};

const Reader kReaders[] = {
    {"settings read at start-up", "save.ini",
     [](const std::filesystem::path& folder) {
         const SettingsFile settings(SettingsPath(folder));
         EXPECT_EQ(settings.Read("file", "dir", "nil"), "nil");
         return settings.ReadProblem().value_or("");
     }},
    {"settings written", "save.ini",
     [](const std::filesystem::path& folder) {
         SettingsFile settings(SettingsPath(folder));
         EXPECT_FALSE(settings.Write("file", "dir", "/x"));
         return settings.LastError();
     }},
    {"snapshot's save.ini", "save.ini",
     [](const std::filesystem::path& folder) {
         Put(NotePadPath(folder), "1    a");
         const SnapshotLoad load = LoadWorkSnapshot(folder);
         EXPECT_FALSE(load.snapshot.has_value());
         return load.error;
     }},
    {"snapshot's temp.sav", "temp.sav",
     [](const std::filesystem::path& folder) {
         const SnapshotLoad load = LoadWorkSnapshot(folder);
         EXPECT_FALSE(load.snapshot.has_value());
         return load.error;
     }},
    {"day file appended to", "2026-12-8.txt",
     [](const std::filesystem::path& folder) {
         return AppendToArchive(folder / "2026-12-8.txt", "1    a").value_or("");
     }},
};

TEST(HostileFileTest, EveryReaderRefusesAFifoALinkToDevZeroAndAFolderWithoutBlocking) {
    for (const Kind kind : {Kind::Fifo, Kind::LinkToDevZero, Kind::Folder}) {
        for (const Reader& reader : kReaders) {
            SCOPED_TRACE(std::string(reader.name) + ", kind " + std::to_string(static_cast<int>(kind)));
            TempFolder folder;
            const auto file = folder / reader.file;
            const Made made = MakeHostile(file, kind);
            const auto typeBefore = TypeOf(file);
            EXPECT_EQ(reader.read(folder.Path()),
                      "Cannot open file \"" + file.string() + "\". " + made.reason);
            EXPECT_EQ(TypeOf(file), typeBefore) << "left as it was";
            EXPECT_FALSE(std::filesystem::exists(ArchiveLockPath(file))) << "no lock file left";
        }
    }
}

// Sparse files: their size costs no disk.
TEST(HostileFileTest, FilesPastTheirLimitAreRefusedAndKept) {
    const struct {
        const char* file;
        std::uintmax_t limit;
        int reader;  // index into kReaders
    } cases[] = {
        {"save.ini", kMaxSettingsFileBytes, 0},     {"save.ini", kMaxSettingsFileBytes, 1},
        {"save.ini", kMaxSettingsFileBytes, 2},     {"temp.sav", kMaxNotePadFileBytes, 3},
        {"2026-12-8.txt", kMaxArchiveFileBytes, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(kReaders[c.reader].name);
        TempFolder folder;
        const auto file = folder / c.file;
        Put(file, "x");
        std::filesystem::resize_file(file, c.limit + 1);
        EXPECT_EQ(kReaders[c.reader].read(folder.Path()),
                  "Cannot open file \"" + file.string() + "\". File too large");
        EXPECT_EQ(std::filesystem::file_size(file), c.limit + 1);
    }
    // At the limit a file still reads.
    TempFolder folder;
    const auto file = folder / "save.ini";
    Put(file, "[file]\r\ndir=/arch\r\n");
    std::filesystem::resize_file(file, kMaxSettingsFileBytes);
    EXPECT_EQ(SettingsFile(file).ReadProblem(), std::nullopt);
    EXPECT_EQ(SettingsFile(file).Read("file", "dir", "nil"), "/arch");
}

TEST(HostileFileTest, ALinkToARegularFileReadsAndAMissingFileIsNoProblem) {
    TempFolder folder;
    Put(folder / "real.ini", "[file]\r\ndir=/arch\r\n");
    std::filesystem::create_symlink(folder / "real.ini", folder / "save.ini");
    EXPECT_EQ(SettingsFile(folder / "save.ini").ReadProblem(), std::nullopt);
    EXPECT_EQ(SettingsFile(folder / "save.ini").Read("file", "dir", "nil"), "/arch");
    EXPECT_EQ(SettingsFile(folder / "missing.ini").ReadProblem(), std::nullopt);
    // A link to nothing is a problem the operator must hear of.
    std::filesystem::create_symlink(folder / "gone.ini", folder / "dangling.ini");
    EXPECT_EQ(SettingsFile(folder / "dangling.ini").ReadProblem(),
              "Cannot open file \"" + (folder / "dangling.ini").string() + "\". No such file or directory");
}

}  // namespace
}  // namespace kerfolio
