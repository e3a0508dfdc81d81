#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "storage/archive_mount.h"
#include "storage/settings_file.h"

namespace kerfolio {

// The last daily archive moment handled, beside the archive time in save.ini, so a start after the PC
// was off can tell which moment it missed. A moment is counted in seconds from 1899-12-30 00:00 local
// time and stored as "2026-12-07 23:50:00".
inline constexpr std::string_view kArchiveRecordSection = "time";
inline constexpr std::string_view kArchiveRecordKey = "archived";

std::string FormatArchiveMoment(std::int64_t second);
// nullopt for anything but a valid date and time in that form.
std::optional<std::int64_t> ParseArchiveMoment(std::string_view text);

std::optional<std::int64_t> ReadArchiveRecord(const SettingsFile& settings);
bool WriteArchiveRecord(SettingsFile& settings, std::int64_t second);

// The file system the archive folder was on at the last archive that worked: an archive folder on a
// share reads as the share being away when it is on the local disk later.
inline constexpr std::string_view kArchiveMountTypeKey = "archivedfs";
inline constexpr std::string_view kArchiveMountDeviceKey = "archiveddev";
inline constexpr std::string_view kArchiveMountPointKey = "archivedon";

// nullopt when none is stored (its folder field is empty: only the mount counts).
std::optional<FolderMount> ReadArchiveMount(const SettingsFile& settings);
bool WriteArchiveMount(SettingsFile& settings, const FolderMount& mount);

}  // namespace kerfolio
