#pragma once

#include <filesystem>
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

// The whole content of file. On failure *error (when given) reads: Cannot open file "<full path>". <reason>
bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::string* error = nullptr);

// Removes the temporary files that writes of file left behind when their process died mid-write.
// Files of processes still running are left alone.
void RemoveStaleTemporaries(const std::filesystem::path& file);

// The two messages above, for callers that report their own file errors the same way.
std::string CannotCreateMessage(const std::filesystem::path& file, int errorNumber);
std::string CannotOpenMessage(const std::filesystem::path& file, int errorNumber);

}  // namespace kerfolio
