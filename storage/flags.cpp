#include "storage/flags.h"

#include "storage/save_ini.h"

namespace kerfolio {

std::optional<bool> ReadFlag(const SettingsFile& settings, std::string_view section) {
    const std::string text = settings.Read(section, save_ini::kFlagKey, "false");
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

bool WriteFlag(SettingsFile& settings, std::string_view section, bool on) {
    return settings.Write(section, save_ini::kFlagKey, on ? "true" : "false");
}

}  // namespace kerfolio
