#include "share/share_settings.h"

#include "share/messages.h"
#include "storage/atomic_file.h"
#include "storage/data_folder.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"

namespace kerfolio::share {

namespace {

// A connection string is a line; a file far larger is not one.
constexpr std::uintmax_t kMaxConninfoFileBytes = std::uintmax_t{64} << 10;

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

ShareSettings ReadShareSettings(const std::filesystem::path& dataFolder) {
    const SettingsFile settings(SettingsPath(dataFolder));
    ShareSettings result;
    if (std::string direct = Trimmed(settings.Read(save_ini::kShareSection, save_ini::kShareDatabaseKey, ""));
        !direct.empty()) {
        // A value cut at the read limit would connect somewhere else or with half a password.
        if (direct.size() >= SettingsFile::kMaxValueBytes)
            result.problem = kConninfoTooLong;
        else
            result.conninfo = std::move(direct);
        return result;
    }
    if (const std::string file =
            Trimmed(settings.Read(save_ini::kShareSection, save_ini::kShareDatabaseFileKey, ""));
        !file.empty()) {
        std::filesystem::path path = file;
        if (path.is_relative()) path = dataFolder / path;
        // Read as every start-up file is: a FIFO or a device named here must not hold the window.
        std::string bytes;
        const auto failure = ReadFile(path, bytes, kMaxConninfoFileBytes);
        const std::string line = Trimmed(bytes.substr(0, bytes.find('\n')));
        if (failure || line.empty()) {
            result.problem = std::string(kConninfoFileUnreadable) + path.string();
            return result;
        }
        result.conninfo = line;
        return result;
    }
    if (const std::string service =
            Trimmed(settings.Read(save_ini::kShareSection, save_ini::kShareServiceKey, ""));
        !service.empty()) {
        // The service name as a connection string; quoted so a blank or quote in it stays in the name.
        std::string quoted = "service='";
        for (const char c : service) {
            if (c == '\'' || c == '\\') quoted += '\\';
            quoted += c;
        }
        result.conninfo = quoted + "'";
    }
    return result;
}

}  // namespace kerfolio::share
