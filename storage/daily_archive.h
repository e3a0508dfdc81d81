#pragma once

#include <chrono>
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
// content replaces the file atomically, so a failure leaves the old file as it was. Read, append and
// replace happen under the folder's archive lock; a lock another program holds for all of lockWait
// fails the archive. nullopt on success, else the text for the error box, naming the file.
inline constexpr std::chrono::milliseconds kArchiveLockWait{5000};
std::optional<std::string> AppendToArchive(const std::filesystem::path& file, std::string_view notePad,
                                           std::chrono::milliseconds lockWait = kArchiveLockWait);

// The lock file the archive of file holds while it works, in file's folder.
std::filesystem::path ArchiveLockPath(const std::filesystem::path& file);

}  // namespace kerfolio
