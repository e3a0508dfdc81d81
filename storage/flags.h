#pragma once

#include <optional>
#include <string_view>

#include "storage/settings_file.h"

namespace kerfolio {

// Key "checked" of section: true for exactly "true", false for exactly "false" or a missing key, and
// nullopt for anything else, so the caller keeps the setting as it was.
std::optional<bool> ReadFlag(const SettingsFile& settings, std::string_view section);

bool WriteFlag(SettingsFile& settings, std::string_view section, bool on);

}  // namespace kerfolio
