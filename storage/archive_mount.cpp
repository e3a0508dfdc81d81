#include "storage/archive_mount.h"

#include <algorithm>
#include <fstream>
#include <iterator>
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
    if (mountPoint == "/") return folder.starts_with('/');
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

std::optional<FolderMount> FindFolderMount(const std::filesystem::path& folder, std::string_view mountInfo) {
    const std::string where = Normal(folder.string());
    std::optional<FolderMount> innermost;
    std::istringstream mounts{std::string(mountInfo)};
    for (std::string line; std::getline(mounts, line);) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, field;
        if (!(fields >> id >> parent >> device >> root >> mountPoint)) continue;
        while (fields >> field && field != "-") {
        }
        std::string type, source;
        if (field != "-" || !(fields >> type >> source)) continue;
        const std::string point = Normal(Unescape(mountPoint));
        if (!IsAtOrUnder(where, point)) continue;
        if (!innermost || point.size() >= innermost->mountPoint.size())
            innermost = FolderMount{where, Unescape(type), Unescape(source), point};
    }
    return innermost;
}

std::optional<FolderMount> FindFolderMount(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path full =
        std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
    if (ec || full.empty()) return std::nullopt;
    const std::string mountInfo = ReadText("/proc/self/mountinfo");
    if (mountInfo.empty()) return std::nullopt;
    return FindFolderMount(full, mountInfo);
}

bool IsNetworkFileSystem(std::string_view type) {
    static constexpr std::string_view kNetwork[] = {"nfs",    "nfs4", "cifs",  "smb3",      "smbfs", "ncpfs",
                                                    "9p",     "afs",  "ceph",  "glusterfs", "coda",  "davfs",
                                                    "lustre", "gfs2", "ocfs2", "fuse"};
    return type.starts_with("fuse.") ||
           std::find(std::begin(kNetwork), std::end(kNetwork), type) != std::end(kNetwork);
}

std::optional<std::string> ShareAwayReason(const FolderMount& last, const FolderMount& now) {
    if (!IsNetworkFileSystem(last.type) || !IsAtOrUnder(now.folder, Normal(last.mountPoint)))
        return std::nullopt;
    // The folder lies under the mount point, so a mount as long as it or longer is on it or inside it.
    const bool onShare =
        IsNetworkFileSystem(now.type) && now.mountPoint.size() >= Normal(last.mountPoint).size();
    if (onShare) return std::nullopt;
    return "存档文件夹上次存档时在网络文件系统上（" + last.type + " \"" + last.device + "\" 挂载于 \"" +
           last.mountPoint + "\"），现在却在 " + now.type + " \"" + now.device + "\"（\"" + now.mountPoint +
           "\"）上：网络共享没有挂载，现在写下的行会落在本机磁盘上，共享挂载后被遮住。请挂载共享；NotePad "
           "已保留，每分钟重试";
}

}  // namespace kerfolio
