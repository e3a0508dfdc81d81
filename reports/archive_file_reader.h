#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "reports/archive_text.h"

namespace kerfolio {

// Reads archive files through one window of fixed size, so memory does not grow with a file's size,
// and reads only regular files: a FIFO, a device or a folder where a day file should be is refused
// without waiting on it or reading from it.
class ArchiveFileReader {
  public:
    static constexpr std::size_t kWindowBytes = 4 * ArchiveScanner::kMaxLineBytes;

    // Gives every line of file to sink. Nothing when the file was read to its end; otherwise why not,
    // in words for the report (the lines before a read error have been given).
    std::optional<std::string> Read(const std::filesystem::path& file, ArchiveLineSink& sink);

  private:
    std::vector<char> window_;
};

}  // namespace kerfolio
