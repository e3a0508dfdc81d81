#pragma once

#include <chrono>
#include <filesystem>

#include "storage/file_descriptor.h"

namespace kerfolio {

// An exclusive flock() on a lock file, for programs on several PCs writing into one shared folder.
// flock holds across NFS and kernel SMB mounts, not across FUSE mounts: there the lock is made with
// O_EXCL instead, and one left by a holder that died goes after ten minutes (the daily archive also
// reads its lines back). The holder removes the file when it lets go, so nothing stays in the folder
// where the file system allows it; a waiter that then gets the
// lock on the removed file notices and takes the new one. The lock file is made group-writable.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // 0 once held; EWOULDBLOCK when another holder kept it for the whole wait (a busy lock answered
    // with EACCES or EAGAIN, as some network file systems answer it, is waited for too); else the errno of
    // making or opening file (ENOTSUP for a lock file that is not a regular file).
    int Take(const std::filesystem::path& file, std::chrono::milliseconds wait);
    void Release();

    // The lock as a FUSE folder takes it (Take chooses): the lock file made with O_EXCL, waited for
    // until deadline while another holder has it, and taken over once it is ten minutes old.
    int TakeByMaking(const std::filesystem::path& file, std::chrono::steady_clock::time_point deadline);

  private:
    FileDescriptor fd_{-1};
    bool made_ = false;
    std::filesystem::path file_;
};

// An exclusive flock() on an open file, waited for as FileLock::Take waits: 0 once held, EWOULDBLOCK when
// held elsewhere for the whole wait, else the errno. Closing fd lets go. On NFS taking a lock makes the
// client revalidate what it cached of the file, so its size and content are the server's.
int LockOpenFile(int fd, std::chrono::milliseconds wait);

}  // namespace kerfolio
