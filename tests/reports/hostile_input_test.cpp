// Whatever sits where the program or the report expects a file, the read neither blocks nor takes all
// memory: it is refused with a message naming the file, and the thing itself is left as it was. Archive
// folders hold what anyone put there, so the report reads any file in memory that does not grow with
// its size. A fault here hangs the test until its ctest timeout.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "../storage/temp_folder.h"
#include "archive_maker.h"
#include "reports/archive_file_reader.h"
#include "storage/atomic_file.h"
#include "storage/daily_archive.h"
#include "storage/data_folder.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio {
namespace {

class Collect final : public ArchiveLineSink {
  public:
    void Job(std::size_t lineNumber, const GbkJob& job) override {
        read.push_back(std::to_string(lineNumber) + " " + DecodedJob(job).workpiece);
    }
    void Problem(std::size_t lineNumber, std::string reason) override {
        read.push_back(std::to_string(lineNumber) + " " + reason);
    }
    std::vector<std::string> read;
};

enum class Kind { Fifo, LinkToFifo, LinkToDevZero, Folder };

void MakeHostile(const std::filesystem::path& file, Kind kind) {
    switch (kind) {
        case Kind::Fifo:
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
            break;
        case Kind::LinkToFifo:
            ASSERT_EQ(::mkfifo((file.string() + ".fifo").c_str(), 0600), 0);
            std::filesystem::create_symlink(file.string() + ".fifo", file);
            break;
        case Kind::LinkToDevZero:
            std::filesystem::create_symlink("/dev/zero", file);
            break;
        case Kind::Folder:
            std::filesystem::create_directory(file);
            break;
    }
}

// The program's own readers say which file in the C library's words.
std::string OpenError(const std::filesystem::path& file, Kind kind) {
    return "Cannot open file \"" + file.string() + "\". " +
           (kind == Kind::Folder ? "Is a directory" : "Not a regular file");
}

// The report lists a file it skips in the foreman's words.
std::string ArchiveNotice(const std::filesystem::path&, Kind kind) {
    switch (kind) {
        case Kind::Fifo:
        case Kind::LinkToFifo:
            return "是管道（FIFO），不是普通文件，未读取";
        case Kind::LinkToDevZero:
            return "是设备，不是普通文件，未读取";
        case Kind::Folder:
            return "是文件夹，不是存档文件";
    }
    return {};
}

// Each reader of a file in the data or archive folder; returns the message it reports.
struct Reader {
    const char* name;
    const char* file;  // the file in the folder it reads
    std::function<std::string(const std::filesystem::path& folder)> read;
    std::function<std::string(const std::filesystem::path& file, Kind)> message;
};

const Reader kReaders[] = {
    {"settings read at start-up", "save.ini",
     [](const std::filesystem::path& folder) {
         const SettingsFile settings(SettingsPath(folder));
         EXPECT_EQ(settings.Read("file", "dir", "nil"), "nil");
         return settings.ReadProblem().value_or("");
     },
     OpenError},
    {"settings written", "save.ini",
     [](const std::filesystem::path& folder) {
         SettingsFile settings(SettingsPath(folder));
         EXPECT_FALSE(settings.Write("file", "dir", "/x"));
         return settings.LastError();
     },
     OpenError},
    {"snapshot's save.ini", "save.ini",
     [](const std::filesystem::path& folder) {
         testing::Put(NotePadPath(folder), "1    a");
         const SnapshotLoad load = LoadWorkSnapshot(folder);
         EXPECT_FALSE(load.snapshot.has_value());
         return load.error;
     },
     OpenError},
    {"snapshot's temp.sav", "temp.sav",
     [](const std::filesystem::path& folder) {
         const SnapshotLoad load = LoadWorkSnapshot(folder);
         EXPECT_FALSE(load.snapshot.has_value());
         return load.error;
     },
     OpenError},
    {"day file appended to", "2026-12-8.txt",
     [](const std::filesystem::path& folder) {
         return AppendToArchive(folder / "2026-12-8.txt", "1    a").value_or("");
     },
     OpenError},
    {"archive read by the report", "2026-12-8.txt",
     [](const std::filesystem::path& folder) {
         Collect collect;
         const auto notice = ArchiveFileReader().Read(folder / "2026-12-8.txt", collect);
         EXPECT_TRUE(collect.read.empty());
         return notice.value_or("");
     },
     ArchiveNotice},
};

TEST(HostileInputTest, EveryReaderRefusesWhatIsNoRegularFileWithoutBlockingAndLeavesIt) {
    for (const Kind kind : {Kind::Fifo, Kind::LinkToFifo, Kind::LinkToDevZero, Kind::Folder}) {
        for (const Reader& reader : kReaders) {
            SCOPED_TRACE(std::string(reader.name) + ", kind " + std::to_string(static_cast<int>(kind)));
            testing::TempFolder folder;
            const auto file = folder / reader.file;
            MakeHostile(file, kind);
            const auto typeBefore = std::filesystem::symlink_status(file).type();
            EXPECT_EQ(reader.read(folder.Path()), reader.message(file, kind));
            EXPECT_EQ(std::filesystem::symlink_status(file).type(), typeBefore) << "left as it was";
            EXPECT_FALSE(std::filesystem::exists(ArchiveLockPath(file))) << "no lock file left";
        }
    }
}

// Sparse files: their size costs no disk. The report reads any size through its window (below).
TEST(HostileInputTest, FilesPastTheirLimitAreRefusedAndKept) {
    const struct {
        std::uintmax_t limit;
        std::size_t reader;  // index into kReaders
    } cases[] = {
        {kMaxSettingsFileBytes, 0}, {kMaxSettingsFileBytes, 1}, {kMaxSettingsFileBytes, 2},
        {kMaxNotePadFileBytes, 3},  {kMaxArchiveFileBytes, 4},
    };
    for (const auto& c : cases) {
        const Reader& reader = kReaders[c.reader];
        SCOPED_TRACE(reader.name);
        testing::TempFolder folder;
        const auto file = folder / reader.file;
        testing::Put(file, "x");
        std::filesystem::resize_file(file, c.limit + 1);
        EXPECT_EQ(reader.read(folder.Path()), "Cannot open file \"" + file.string() + "\". File too large");
        EXPECT_EQ(std::filesystem::file_size(file), c.limit + 1);
    }
    // At the limit a file still reads.
    testing::TempFolder folder;
    const auto file = folder / "save.ini";
    testing::Put(file, "[file]\r\ndir=/arch\r\n");
    std::filesystem::resize_file(file, kMaxSettingsFileBytes);
    EXPECT_EQ(SettingsFile(file).ReadProblem(), std::nullopt);
    EXPECT_EQ(SettingsFile(file).Read("file", "dir", "nil"), "/arch");
}

TEST(HostileInputTest, LinksToRegularFilesReadAndMissingFilesAreTold) {
    testing::TempFolder folder;
    testing::Put(folder / "real.ini", "[file]\r\ndir=/arch\r\n");
    std::filesystem::create_symlink(folder / "real.ini", folder / "save.ini");
    EXPECT_EQ(SettingsFile(folder / "save.ini").ReadProblem(), std::nullopt);
    EXPECT_EQ(SettingsFile(folder / "save.ini").Read("file", "dir", "nil"), "/arch");
    EXPECT_EQ(SettingsFile(folder / "missing.ini").ReadProblem(), std::nullopt) << "never written: defaults";
    // A link to nothing is a problem the operator must hear of.
    std::filesystem::create_symlink(folder / "gone.ini", folder / "dangling.ini");
    EXPECT_EQ(SettingsFile(folder / "dangling.ini").ReadProblem(),
              "Cannot open file \"" + (folder / "dangling.ini").string() + "\". No such file or directory");

    testing::Put(folder / "day.txt", testing::Line("机床1", "凹模") + "\r\n");
    std::filesystem::create_symlink(folder / "day.txt", folder / "to-day");
    ArchiveFileReader reader;
    for (const char* name : {"day.txt", "to-day"}) {
        Collect collect;
        EXPECT_EQ(reader.Read(folder / name, collect), std::nullopt) << name;
        EXPECT_EQ(collect.read.size(), 1u) << name;
    }
    Collect collect;
    const auto missing = reader.Read(folder / "missing.txt", collect);
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->rfind("文件无法读取 ", 0), 0u) << *missing;
}

// Lines that cross the window's edge, CR LF split by it, a line longer than the window.
TEST(HostileInputTest, AFileOfManyWindowsReadsAsItsBytes) {
    testing::TempFolder folder;
    std::string bytes;
    for (int i = 0; bytes.size() < 3 * ArchiveFileReader::kWindowBytes; ++i) {
        bytes += testing::Line("机床1", "凹模" + std::to_string(i)) + (i % 3 == 0 ? "\r" : "\r\n");
        if (i == 2'000) bytes += std::string(ArchiveFileReader::kWindowBytes + 7, 'x') + "\r\n";
    }
    testing::Put(folder / "big.txt", bytes);
    Collect whole;
    ScanArchiveText(bytes, whole);
    Collect windowed;
    EXPECT_EQ(ArchiveFileReader().Read(folder / "big.txt", windowed), std::nullopt);
    EXPECT_EQ(windowed.read, whole.read);
    EXPECT_GT(whole.read.size(), 3'000u);
}

long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(HostileInputTest, AHugeFileCostsNoMoreMemoryThanASmallOne) {
    testing::TempFolder folder;
    // 256 MB of zero bytes on disk as a hole: one line, read to its end and listed, never held.
    constexpr off_t kSize = off_t{256} << 20;
    {
        const int fd = ::open((folder / "huge.txt").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::close(fd);
    }
    const long before = PeakKilobytes();
    Collect collect;
    EXPECT_EQ(ArchiveFileReader().Read(folder / "huge.txt", collect), std::nullopt);
    EXPECT_EQ(collect.read, std::vector<std::string>{"1 行过长（超过 64 KB），不是报表行"});
    EXPECT_LT(PeakKilobytes() - before, 16 * 1024) << "kB more at the peak";
}

std::string RunCommand(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    status = ::pclose(pipe);
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(HostileInputTest, TheReportListsWhatItWillNotReadAndReadsTheRest) {
    testing::TempFolder folder;
    testing::Put(folder / "2026-12-7.txt", testing::Line("机床1", "凹模") + "\r\n");
    ASSERT_EQ(::mkfifo((folder / "2026-12-8.txt").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "2026-12-9.txt");
    std::filesystem::create_directory(folder / "2026-12-10.txt");
    int status = -1;
    const std::string out = RunCommand(
        std::string(KERFOLIO_REPORT) + " --archive-time 0:00:00 '" + folder.Path().string() + "'", status);
    EXPECT_EQ(status, 0) << out;
    for (const std::string listed :
         {"2026-12-8.txt: 是管道（FIFO），不是普通文件，未读取",
          "2026-12-9.txt: 是设备，不是普通文件，未读取", "2026-12-10.txt: 是文件夹，不是存档文件"}) {
        EXPECT_NE(out.find(listed), std::string::npos) << listed << "\n" << out;
    }
    // The regular file beside them is read.
    EXPECT_NE(out.find("机床1"), std::string::npos) << out;
    EXPECT_NE(out.find(" 300 "), std::string::npos) << out;
}

TEST(HostileInputTest, SettingsThatAreNoFileEndTheReportWithAMessage) {
    testing::TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero.ini");
    std::filesystem::create_directory(folder / "archive");
    for (const char* settings : {"fifo.ini", "zero.ini", "archive"}) {
        int status = -1;
        const std::string out =
            RunCommand(std::string(KERFOLIO_REPORT) + " --settings '" + (folder / settings).string() + "' '" +
                           (folder / "archive").string() + "' 2>&1",
                       status);
        EXPECT_EQ(status, 2) << settings << "\n" << out;
        EXPECT_NE(out.find("is not a regular file"), std::string::npos) << settings << "\n" << out;
    }
}

}  // namespace
}  // namespace kerfolio
