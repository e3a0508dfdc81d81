#include "storage/settings_file.h"

#include <cerrno>

#include "storage/atomic_file.h"
#include "storage/gbk.h"
#include "storage/profile_text.h"
#include "storage/shared_file.h"

namespace kerfolio {
namespace {

std::string OneLine(std::string_view value) {
    std::string line(value);
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return line;
}

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

std::string SettingsFile::Read(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    std::string bytes;
    if (!ReadWholeFile(file_, bytes, nullptr, kMaxSettingsFileBytes)) return std::string(defaultValue);
    return ReadFrom(bytes, section, key, defaultValue);
}

std::optional<std::string> SettingsFile::ReadProblem() const {
    std::string bytes, error;
    if (ReadWholeFile(file_, bytes, &error, kMaxSettingsFileBytes)) return std::nullopt;
    std::error_code ec;
    if (std::filesystem::symlink_status(file_, ec).type() == std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    return error;
}

std::string SettingsFile::ReadFrom(std::string_view fileBytes, std::string_view section, std::string_view key,
                                   std::string_view defaultValue) {
    std::optional<std::string_view> value = FindProfileValue(fileBytes, ToGbk(section), ToGbk(key));
    if (!value) return std::string(defaultValue);
    return FromGbk(GbkPrefix(*value, kMaxValueBytes));
}

bool SettingsFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    return WriteMany(section, {{std::string(key), std::string(value)}});
}

bool SettingsFile::WriteMany(std::string_view section,
                             const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<SettingsEntry> all;
    all.reserve(entries.size());
    for (const auto& [key, value] : entries)
        all.push_back({std::string(section), key, value});
    return WriteEntries(all);
}

bool SettingsFile::WriteEntries(const std::vector<SettingsEntry>& entries) {
    for (const auto& [section, key, value] : entries) {
        if (auto problem = ProfileNameProblem(section, key)) {
            lastError_ = CannotCreateMessage(file_, EINVAL) + " (" + *problem + ")";
            return false;
        }
    }
    std::string bytes;
    if (auto failure = ReadFile(file_, bytes, kMaxSettingsFileBytes)) {
        // Only a missing file may be started afresh; rewriting one we cannot read would lose it.
        if (!failure->IsMissing()) {
            lastError_ = std::move(failure->message);
            return false;
        }
        bytes.clear();
    }
    for (const auto& [section, key, value] : entries) {
        bytes = SetProfileValue(bytes, ToGbk(section), ToGbk(key), ToGbk(OneLine(value)));
    }
    std::string error;
    if (!WriteDataFile(file_, bytes, &error)) {
        lastError_ = std::move(error);
        return false;
    }
    lastError_.clear();
    return true;
}

}  // namespace kerfolio
