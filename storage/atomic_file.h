#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

// Replaces file with bytes so that a crash or power cut leaves either the old file or the new one:
// a temporary file in the same folder is written, synced and renamed over file, then the folder is
// synced. An existing file that its owner or this process may not write is refused (Permission
// denied), as a write in place would be. On failure the old file is untouched, the temporary file is gone and
// *error (when given) reads: Cannot create file "<full path>". <reason>
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::string* error = nullptr);
// The same with the bytes write puts into the stream it is given, which go to the temporary file in
// chunks as they come: an output of tens of MB is never held whole. Once a write fails (disk full) the
// stream is bad and drops the rest; the failure is reported as above.
bool WriteFileAtomically(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                         std::string* error = nullptr);

// Sizes past which a file is refused rather than read: no settings file, NotePad or day's archive the
// program writes comes near them, and reading a huge one whole would cost the memory it takes.
inline constexpr std::uintmax_t kMaxSettingsFileBytes = std::uintmax_t{4} << 20;
inline constexpr std::uintmax_t kMaxNotePadFileBytes = std::uintmax_t{64} << 20;
inline constexpr std::uintmax_t kMaxArchiveFileBytes = std::uintmax_t{256} << 20;

// Why a read failed: the errno (0 when the name holds something other than a file or a folder) and the
// message: Cannot open file "<full path>". <reason>
struct ReadError {
    int number = 0;
    std::string message;
    // Nothing by that name: a file never written may be started afresh, one that cannot be read may not.
    bool IsMissing() const { return number == ENOENT || number == ENOTDIR; }
};

// The whole content of file into bytes, or why not. Only a regular file is read (a link to one is
// followed): a FIFO, a device, a socket or a folder in its place is refused without blocking, and so is
// a file of more than maxBytes.
std::optional<ReadError> ReadFile(const std::filesystem::path& file, std::string& bytes,
                                  std::uintmax_t maxBytes = UINTMAX_MAX);
// The same for callers that only show the message, which goes to *error (when given).
bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::string* error = nullptr,
                   std::uintmax_t maxBytes = UINTMAX_MAX);

// Removes the temporary files that writes of file left behind when their process died mid-write.
// Files of processes still running are left alone.
void RemoveStaleTemporaries(const std::filesystem::path& file);
// Removes the temporary files of the writes of every file in folder whose name ends in suffix (".txt":
// the day files) that were last changed at least minAge ago, whoever wrote them. For a folder several
// PCs write into, where a pid says nothing; call it only holding the folder's lock.
void RemoveTemporariesIn(const std::filesystem::path& folder, std::string_view suffix,
                         std::chrono::seconds minAge);

// The two messages above, for callers that report their own file errors the same way.
std::string CannotCreateMessage(const std::filesystem::path& file, int errorNumber);
std::string CannotCreateMessage(const std::filesystem::path& file, std::string_view reason);
std::string CannotOpenMessage(const std::filesystem::path& file, int errorNumber);

}  // namespace kerfolio
