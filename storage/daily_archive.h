#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

// The day's archive file: the folder text exactly as the operator gave it, a separator, the date text
// with every character that Linux or Windows file names forbid turned into "-", then ".txt".
std::filesystem::path ArchiveFilePath(std::string_view folderText, std::string_view dateText);

// Adds the NotePad text (UTF-8, '\n' between lines) to the day's file as GBK with CR LF, after the
// lines an earlier archive of the same date left there and on a new line of its own. The whole new
// content replaces the file atomically, so a failure leaves the old file as it was. nullopt on
// success, else the text for the error box, naming the file.
std::optional<std::string> AppendToArchive(const std::filesystem::path& file, std::string_view notePad);

}  // namespace kerfolio
