#include "storage/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

namespace kerfolio {
namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(20);
constexpr int kReopens = 3;
constexpr long kFuseMagic = 0x65735546;
// A lock file older than any archive takes was left by a holder that died.
constexpr auto kStaleAfter = std::chrono::minutes(10);

bool OnFuse(const std::filesystem::path& file) {
    struct statfs info {};
    const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
    return ::statfs(parent.c_str(), &info) == 0 && static_cast<long>(info.f_type) == kFuseMagic;
}

int OpenLockFile(const std::filesystem::path& file) {
    // No link is followed and a FIFO in its place cannot block the open.
    constexpr int kFlags = O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(file.c_str(), O_RDWR | kFlags, 0666);
    // A lock file another user made may be ours to lock but not to write; flock needs no write access.
    if (fd < 0 && errno == EACCES) fd = ::open(file.c_str(), O_RDONLY | kFlags, 0666);
    // PCs under other accounts must be able to open it for writing too (NFS locks need that), so the
    // umask's group bits are put back on a lock file of ours.
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        [[maybe_unused]] const int ignored = ::fchmod(fd, (info.st_mode & 07777) | S_IRGRP | S_IWGRP);
    }
    return fd;
}

}  // namespace

// A FUSE mount keeps flock to itself, so there the lock is the lock file's existence: made only when
// it is not there, which the server decides for every PC at once.
int FileLock::TakeByMaking(const std::filesystem::path& file,
                           std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        FileDescriptor made(
            ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
        if (made.Get() >= 0) {
            // Not kept open: FUSE hides a removed file that is still open, and an SMB share behind it
            // refuses to remove one.
            made.Close();
            file_ = file;
            made_ = true;
            return 0;
        }
        // An SFTP mount answers a name that exists with EPERM.
        const int refused = errno;
        if (refused != EEXIST && refused != EPERM) return refused;
        struct stat held {};
        if (::lstat(file.c_str(), &held) != 0) {
            if (errno != ENOENT || refused != EEXIST) return refused;
        } else if (!S_ISREG(held.st_mode)) {
            return ENOTSUP;
        } else if (std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(held.st_mtime) >
                   kStaleAfter) {
            ::unlink(file.c_str());
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
        std::this_thread::sleep_for(kRetryEvery);
    }
}

int FileLock::Take(const std::filesystem::path& file, std::chrono::milliseconds wait) {
    Release();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    if (OnFuse(file)) return TakeByMaking(file, deadline);
    // A holder letting go between our open and our lock makes us start again, even past the wait.
    for (int reopened = 0;; ++reopened) {
        FileDescriptor opened(OpenLockFile(file));
        const int fd = opened.Get();
        // An SMB share answers "no such file" while the holder's removal of the name is pending, and
        // an NFS client "stale file handle" for the name or the open file the holder has just removed:
        // both mean start again.
        const auto startAgain = [&] {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(kRetryEvery);
            return true;
        };
        if (fd < 0) {
            const int error = errno;
            struct stat folder {};
            const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
            if (error == ESTALE ||
                (error == ENOENT && ::stat(parent.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode))) {
                if (!startAgain()) return EWOULDBLOCK;
                continue;
            }
            return error == ELOOP ? ENOTSUP : error;
        }
        struct stat held {};
        const int statError = ::fstat(fd, &held) == 0 ? 0 : errno;
        if (statError != 0 || !S_ISREG(held.st_mode)) {
            if (statError != ESTALE) return ENOTSUP;
            if (!startAgain()) return EWOULDBLOCK;
            continue;
        }
        bool stale = false;
        for (;;) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
            if (errno == ESTALE) {
                stale = true;
                break;
            }
            // A lock held elsewhere: EWOULDBLOCK locally, EACCES from a kernel SMB mount.
            if (errno != EWOULDBLOCK && errno != EAGAIN && errno != EACCES && errno != EINTR) return errno;
            if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
            std::this_thread::sleep_for(kRetryEvery);
        }
        if (stale) {
            if (!startAgain()) return EWOULDBLOCK;
            continue;
        }
        // The previous holder may have removed the file between our open and our lock: then the lock
        // is on a file nobody else will open, and the one now at the name is what counts.
        struct stat current {};
        if (::lstat(file.c_str(), &current) == 0 && current.st_dev == held.st_dev &&
            current.st_ino == held.st_ino) {
            fd_ = std::move(opened);
            file_ = file;
            return 0;
        }
        if (reopened >= kReopens && std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
    }
}

int LockOpenFile(int fd, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EAGAIN && errno != EACCES && errno != EINTR) return errno;
        if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
        std::this_thread::sleep_for(kRetryEvery);
    }
    return 0;
}

void FileLock::Release() {
    if (made_) {
        ::unlink(file_.c_str());
        made_ = false;
    }
    if (fd_.Get() < 0) return;
    // Removed while still held, so no one can lock the name between our unlink and close.
    ::unlink(file_.c_str());
    fd_.Close();
}

}  // namespace kerfolio
