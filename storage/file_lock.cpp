#include "storage/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace kerfolio {
namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(20);
constexpr int kReopens = 3;

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

int FileLock::Take(const std::filesystem::path& file, std::chrono::milliseconds wait) {
    Release();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // A holder letting go between our open and our lock makes us start again, even past the wait.
    for (int reopened = 0;; ++reopened) {
        const int fd = OpenLockFile(file);
        if (fd < 0) {
            const int error = errno;
            // An SMB share answers "no such file" while the holder's removal of the name is pending.
            struct stat folder {};
            const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
            if (error == ENOENT && ::stat(parent.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) {
                if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
                std::this_thread::sleep_for(kRetryEvery);
                continue;
            }
            return error == ELOOP ? ENOTSUP : error;
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return ENOTSUP;
        }
        for (;;) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
            // A lock held elsewhere: EWOULDBLOCK locally, EACCES from a kernel SMB mount.
            if (errno != EWOULDBLOCK && errno != EAGAIN && errno != EACCES && errno != EINTR) {
                const int error = errno;
                ::close(fd);
                return error;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(fd);
                return EWOULDBLOCK;
            }
            std::this_thread::sleep_for(kRetryEvery);
        }
        // The previous holder may have removed the file between our open and our lock: then the lock
        // is on a file nobody else will open, and the one now at the name is what counts.
        struct stat current {};
        if (::lstat(file.c_str(), &current) == 0 && current.st_dev == held.st_dev &&
            current.st_ino == held.st_ino) {
            fd_ = fd;
            file_ = file;
            return 0;
        }
        ::close(fd);
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
    if (fd_ < 0) return;
    // Removed while still held, so no one can lock the name between our unlink and close.
    ::unlink(file_.c_str());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace kerfolio
