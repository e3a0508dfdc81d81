#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kerfolio {

struct SettingsEntry {
    std::string section, key, value;
};

// One INI-style settings file, GBK on disk, UTF-8 at this interface. Nothing is cached: every call goes
// to the file, so hand edits made while the program runs are seen by the next read.
class SettingsFile {
  public:
    // Values come back cut to this many GBK bytes, as the program has always read them.
    static constexpr std::size_t kMaxValueBytes = 99;

    explicit SettingsFile(std::filesystem::path file);

    // UTF-8 in and out; the file is GBK. Returns at most the first 99 bytes (GBK) of the stored value,
    // never half a character; the default when file, section or key is missing.
    std::string Read(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Read, on the bytes of a whole settings file already in memory.
    static std::string ReadFrom(std::string_view fileBytes, std::string_view section, std::string_view key,
                                std::string_view defaultValue);

    // Creates file and section when missing; replaces an existing value; other lines stay as they were.
    // Line breaks in value become blanks, since a value is one line.
    bool Write(std::string_view section, std::string_view key, std::string_view value);

    // Every entry applied in order as Write would, in one atomic rewrite of the file: a crash leaves
    // either all of them or none.
    bool WriteMany(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries);
    // The same across sections.
    bool WriteEntries(const std::vector<SettingsEntry>& entries);

    // Why the file is there but cannot be read (a folder, a FIFO, too large, no permission), naming
    // it; nullopt when it reads or is missing. Read takes such a file for a missing one, so start-up
    // asks this first and tells the operator instead of going on defaults without a word.
    std::optional<std::string> ReadProblem() const;

    // Message of the last failed write, naming the file; empty after a successful one.
    const std::string& LastError() const { return lastError_; }
    const std::filesystem::path& Path() const { return file_; }

  private:
    std::filesystem::path file_;
    std::string lastError_;
};

}  // namespace kerfolio
