// Archive folders hold what anyone put there: the report reads regular files only, never waits on one,
// and reads any file in memory that does not grow with its size. A fault here hangs the test until its
// ctest timeout.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "../storage/temp_folder.h"
#include "archive_maker.h"
#include "reports/archive_file_reader.h"
#include "storage/gbk.h"

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

TEST(HostileInputTest, OnlyRegularFilesAreRead) {
    testing::TempFolder folder;
    testing::Put(folder / "day.txt", testing::Line("机床1", "凹模") + "\r\n");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder");
    std::filesystem::create_symlink("/dev/zero", folder / "zero");
    std::filesystem::create_symlink(folder / "fifo", folder / "to-fifo");
    std::filesystem::create_symlink(folder / "day.txt", folder / "to-day");
    struct Case {
        const char* name;
        std::optional<std::string> error;
        std::size_t lines;
    } cases[] = {
        {"day.txt", std::nullopt, 1},
        {"to-day", std::nullopt, 1},
        {"fifo", "是管道（FIFO），不是普通文件，未读取", 0},
        {"to-fifo", "是管道（FIFO），不是普通文件，未读取", 0},
        {"zero", "是设备，不是普通文件，未读取", 0},
        {"folder", "是文件夹，不是存档文件", 0},
    };
    ArchiveFileReader reader;
    for (const auto& c : cases) {
        Collect collect;
        EXPECT_EQ(reader.Read(folder / c.name, collect), c.error) << c.name;
        EXPECT_EQ(collect.read.size(), c.lines) << c.name;
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
