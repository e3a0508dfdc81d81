// Which entries of a folder are archive files, by their names alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "../storage/temp_folder.h"
#include "reports/archive_files.h"

namespace kerfolio {
namespace {

TEST(ArchiveListingTest, DatedTxtFilesInAnyCaseAndNothingElse) {
    testing::TempFolder folder;
    for (const char* name : {"2024-3-5.txt", "2024-3-6.TXT", "2024-3-7.Txt", "2024-3-8.txt.bak", "2024-3-9",
                             "2024-3-10.text", ".txt", "..txt", "notes.txt", "2024-3-11.tx"})
        testing::Put(folder / name, "");
    std::filesystem::create_directory(folder / "2024-3-12.txt");

    const FolderListing listing = ListArchiveFiles(folder.Path());
    std::vector<std::string> files;
    for (const ArchiveFile& file : listing.files)
        files.push_back(file.name + " " + FormatIsoDate(file.date));
    EXPECT_EQ(files, (std::vector<std::string>{"2024-3-5.txt 2024-03-05", "2024-3-6.TXT 2024-03-06",
                                               "2024-3-7.Txt 2024-03-07"}));
    // A ".txt" that is no date is listed, and so is a folder named like a day file; the rest are not
    // archives at all; ".txt" alone has no extension.
    std::vector<std::string> problems;
    for (const InputProblem& problem : listing.problems)
        problems.push_back(std::filesystem::path(problem.file).filename().string());
    EXPECT_EQ(problems, (std::vector<std::string>{"..txt", "2024-3-12.txt", "notes.txt"}));
}

}  // namespace
}  // namespace kerfolio
