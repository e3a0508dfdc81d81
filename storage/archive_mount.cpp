#include "storage/archive_mount.h"

#include <fstream>
#include <set>
#include <sstream>

namespace kerfolio {
namespace {

// fstab and mountinfo write a space in a path as \040 (and a tab, newline, backslash likewise).
std::string Unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           field.substr(i + 1, 3).find_first_not_of("01234567") == std::string_view::npos;
        if (octal) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::string Normal(std::string_view path) {
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.ends_with('/'))
        normal.pop_back();
    return normal;
}

bool IsAtOrUnder(const std::string& folder, const std::string& mountPoint) {
    return folder == mountPoint || (folder.starts_with(mountPoint) && folder[mountPoint.size()] == '/');
}

std::string ReadText(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::optional<MissingMount> FindMissingMount(const std::filesystem::path& folder, std::string_view fstab,
                                             std::string_view mountInfo) {
    std::set<std::string> mounted;
    std::istringstream mounts{std::string(mountInfo)};
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (fields >> id >> parent >> device >> root >> mountPoint)
            mounted.insert(Normal(Unescape(mountPoint)));
    }
    const std::string where = Normal(folder.string());
    std::optional<MissingMount> innermost;
    std::istringstream table{std::string(fstab)};
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type) || device.starts_with('#')) continue;
        const std::string point = Normal(Unescape(mountPoint));
        if (!point.starts_with('/') || point == "/" || type == "swap") continue;
        if (!IsAtOrUnder(where, point) || mounted.contains(point)) continue;
        if (!innermost || point.size() > innermost->mountPoint.size())
            innermost = MissingMount{Unescape(device), point};
    }
    // A mount point inside a missing one may be mounted (bind mounts); the folder is then on it.
    for (const std::string& point : mounted) {
        if (innermost && IsAtOrUnder(where, point) && point.size() > innermost->mountPoint.size())
            return std::nullopt;
    }
    return innermost;
}

std::optional<MissingMount> FindMissingMount(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
    if (ec || full.empty()) return std::nullopt;
    const std::string mountInfo = ReadText("/proc/self/mountinfo");
    if (mountInfo.empty()) return std::nullopt;
    return FindMissingMount(full, ReadText("/etc/fstab"), mountInfo);
}

}  // namespace kerfolio
