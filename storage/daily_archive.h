#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

// The day's archive file: the folder text exactly as the operator gave it, a separator, the date text
// with every character that Linux or Windows file names forbid turned into "-", then ".txt".
std::filesystem::path ArchiveFilePath(std::string_view folderText, std::string_view dateText);

// Adds the NotePad text (UTF-8, '\n' between lines) to the day's file as GBK with CR LF, after the
// lines an earlier archive of the same date left there and on a new line of its own. The file is
// looked at, appended to and synced only under the folder's archive lock, so PCs archiving into one
// shared folder at once keep each other's lines; a lock another program holds for all of lockWait fails
// the archive. A failed write cuts the file back to its old end. The lines are then read back through a
// fresh open: where the file system does not keep other PCs out, their absence fails the archive with
// kArchiveNotConfirmed, and the caller keeps the NotePad to try again. A folder at or under a mount
// point /etc/fstab lists that is not mounted now is refused, not written on the local disk below it.
// New day files are group-writable (a setgid folder's group). Temporaries of day files older than ten
// minutes are removed under the lock. nullopt on success, else the text for the error box, naming the
// file: Cannot create file "<file>". <reason>
inline constexpr std::chrono::milliseconds kArchiveLockWait{5000};
inline constexpr std::string_view kArchiveNotConfirmed =
    "The archived lines are missing when the file is read back: another PC may have written over them "
    "(this folder's file system does not keep PCs apart); the NotePad is kept to try again";
// writtenBefore: the NotePad text an earlier archive into file set out to add and may have added, in
// whole or in part, before the program was killed. Whatever of it that notePad begins with and that
// stands at the file's end, from the start of a line, is not added again.
std::optional<std::string> AppendToArchive(const std::filesystem::path& file, std::string_view notePad,
                                           std::chrono::milliseconds lockWait = kArchiveLockWait,
                                           std::string_view writtenBefore = {});

// Whether the bytes an archive added at offset from (or later: a PC without the lock may have added its
// own first) read back from file through a fresh open. nullopt when they do, else the error: the read's,
// or kArchiveNotConfirmed.
std::optional<std::string> ConfirmArchived(const std::filesystem::path& file, std::string_view added,
                                           std::uintmax_t from);

// The lock file the archive of file holds while it works, in file's folder.
std::filesystem::path ArchiveLockPath(const std::filesystem::path& file);

}  // namespace kerfolio
