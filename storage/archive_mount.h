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

// The mounted file system a folder lies on: the innermost mount at or above it.
struct FolderMount {
    std::string folder;      // the folder asked about, normalised (links resolved on this system)
    std::string type;        // "nfs4", "cifs", "ext4", "fuse.sshfs"
    std::string device;      // "server:/export", "//server/shop", "/dev/sda1"
    std::string mountPoint;  // "/mnt/shop"
};

// From mountInfo (the text of /proc/self/mountinfo); of several mounts on one point the last listed,
// which hides the others.
std::optional<FolderMount> FindFolderMount(const std::filesystem::path& folder, std::string_view mountInfo);
// The same for this process, the folder's links resolved; nullopt when the mounts cannot be read.
std::optional<FolderMount> FindFolderMount(const std::filesystem::path& folder);

// File systems whose files live on another machine (FUSE ones counted in: most are), so they can be
// away while their mount point stays behind.
bool IsNetworkFileSystem(std::string_view type);

// When the last archive went to a network file system (last) and the archive folder now lies under
// that share's mount point but not on the share (on another kind of file system, or on one mounted
// above it): the share is not mounted, and lines written now would go to the disk below its mount
// point and hide once it is back. The reason to refuse the archive, in the operator's words, else
// nullopt. A folder chosen elsewhere, or a share swapped for another on the same mount point (another
// server, another protocol), passes.
std::optional<std::string> ShareAwayReason(const FolderMount& last, const FolderMount& now);

}  // namespace kerfolio
