#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

// A file system the system's configuration mounts on a folder that is not mounted now.
struct MissingMount {
    std::string device;      // as /etc/fstab names it, e.g. "//server/shop" or "server:/export"
    std::string mountPoint;  // e.g. "/mnt/shop"
};

// Whether folder (absolute, without ".." or links) lies at or under a mount point fstab lists (other
// than "/") that mountInfo (the text of /proc/self/mountinfo) does not show mounted: a share that is
// away leaves its empty mount point behind, and files written there go to the local disk and hide once
// the share is back. The innermost such mount point counts.
std::optional<MissingMount> FindMissingMount(const std::filesystem::path& folder, std::string_view fstab,
                                             std::string_view mountInfo);

// The same for this system: /etc/fstab and this process's mounts. A folder whose files cannot be read
// is taken as mounted (nothing is refused on a guess).
std::optional<MissingMount> FindMissingMount(const std::filesystem::path& folder);

}  // namespace kerfolio
