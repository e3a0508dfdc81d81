#include "storage/daily_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "storage/archive_mount.h"
#include "storage/atomic_file.h"
#include "storage/file_descriptor.h"
#include "storage/file_lock.h"
#include "storage/file_names.h"
#include "storage/work_snapshot.h"

namespace kerfolio {
namespace {

// O_APPEND: the file system puts each write at the file's end as its server has it, where a FUSE
// mount's cached size, which no lock there refreshes, would put it over another PC's lines.
constexpr int kOpenFlags = O_RDWR | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// Opens the day file, making it when missing. Asked only under the lock and with O_CREAT, which makes
// an NFS client ask the server instead of trusting a "no such file" it cached before another PC made
// the file. A new file is made group-writable and takes a setgid folder's group, so PCs archiving under
// other accounts of that group can add to it. Returns the descriptor, or -errno; madeHere says whether this
// call made the file.
int OpenDayFile(const std::filesystem::path& file, bool& madeHere) {
    madeHere = false;
    for (int attempt = 0; attempt < 5; ++attempt) {
        int fd = ::open(file.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            struct stat made {};
            struct stat folder {};
            if (::fstat(fd, &made) == 0) {
                [[maybe_unused]] const int mode = ::fchmod(fd, (made.st_mode & 07777) | S_IRGRP | S_IWGRP);
                const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
                if (::stat(parent.c_str(), &folder) == 0 && (folder.st_mode & S_ISGID) != 0 &&
                    made.st_gid != folder.st_gid) {
                    [[maybe_unused]] const int group = ::fchown(fd, static_cast<uid_t>(-1), folder.st_gid);
                }
            }
            madeHere = true;
            return fd;
        }
        // An SFTP mount answers a file that exists with EPERM, having no word for it.
        const int refused = errno;
        if (refused != EEXIST && refused != EPERM) return -refused;
        fd = ::open(file.c_str(), kOpenFlags);
        if (fd >= 0) return fd;
        if (errno != ENOENT) return -errno;  // removed in between: make it again
        if (refused != EEXIST) return -refused;
    }
    return -EEXIST;
}

// The open file's size and mode as the server has them now, where the file system can be asked: an NFS
// client trusts its cached size after the lock while it holds a delegation, which a write through another
// mount of the same client does not take back. On two mounts of one client this cut the lines written
// over from 24 of 237 to 21 of 720, not to none; two PCs are two clients, whose delegations the server
// takes back.
int FreshStat(int fd, struct stat& info) {
    if (::fstat(fd, &info) != 0) return errno;
    // Setting the times makes a FUSE file system drop what it cached of the file (an SFTP mount keeps a
    // size for 20 s) and an NFS client take the server's attributes with the reply; a file frozen on
    // purpose is left as it is.
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) != 0) {
        [[maybe_unused]] const int touched = ::futimens(fd, nullptr);
    }
    struct statx fresh {};
    constexpr unsigned kWanted = STATX_TYPE | STATX_MODE | STATX_SIZE;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, kWanted, &fresh) == 0) {
        info.st_mode = fresh.stx_mode;
        info.st_size = static_cast<off_t>(fresh.stx_size);
    }
    return 0;
}

// Writes bytes at the file's end; how many went out is in written.
int WriteAll(int fd, std::string_view bytes, std::size_t& written) {
    written = 0;
    while (written < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        written += static_cast<std::size_t>(wrote);
    }
    return 0;
}

// Adds bytes at the end of the open day file, which was end long. A failure cuts the file back to
// that end, so no part of the lines stays behind to be archived twice, but only while the file is just
// that end and our part: what another PC added after it is never cut away.
int Append(int fd, off_t end, std::string_view bytes) {
    std::size_t written = 0;
    int error = WriteAll(fd, bytes, written);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    struct stat now {};
    if (error != 0 && ::fstat(fd, &now) == 0 && now.st_size == end + static_cast<off_t>(written) &&
        ::ftruncate(fd, end) == 0)
        ::fsync(fd);
    return error;
}

// Day files' temporaries that an older version's replacement left when its process died. Another PC's
// writer may still be at work on one, and its pid means nothing here, so only those older than any
// archive takes go, and only under the folder's lock.
void RemoveOldArchiveTemporaries(const std::filesystem::path& folder) {
    constexpr auto kLongestArchive = std::chrono::minutes(10);
    RemoveTemporariesIn(folder, ".txt", kLongestArchive);
}

// How many of added's first bytes (at most those it shares with prior) stand at the end of the day file,
// beginning a line there: what a killed archive of prior wrote before it died.
std::size_t AlreadyAtEnd(int day, off_t end, std::string_view added, std::string_view prior) {
    std::size_t shared = 0;
    while (shared < added.size() && shared < prior.size() && added[shared] == prior[shared])
        ++shared;
    shared = std::min(shared, static_cast<std::size_t>(end));
    if (shared == 0) return 0;
    // One byte more than the longest match, for the line break before it.
    const std::size_t want = std::min(shared + 1, static_cast<std::size_t>(end));
    std::string tail(want, '\0');
    if (::pread(day, tail.data(), want, end - static_cast<off_t>(want)) != static_cast<ssize_t>(want))
        return 0;
    const std::string_view tailView(tail);
    for (std::size_t k = shared; k > 0; --k) {
        if (!tailView.ends_with(added.substr(0, k))) continue;
        const bool lineStart = k == static_cast<std::size_t>(end) || tailView[want - k - 1] == '\n';
        if (lineStart) return k;
    }
    return 0;
}

}  // namespace

std::filesystem::path ArchiveFilePath(std::string_view folderText, std::string_view dateText) {
    return std::filesystem::path(std::string(folderText) + "/" + ArchiveFileName(dateText));
}

std::filesystem::path ArchiveLockPath(const std::filesystem::path& file) {
    return file.parent_path() / ".kerfolio-archive.lock";
}

std::optional<std::string> AppendToArchive(const std::filesystem::path& file, std::string_view notePad,
                                           std::chrono::milliseconds lockWait,
                                           std::string_view writtenBefore) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    // A share that is away leaves its empty mount point: the lines would go to the local disk below it.
    if (const auto missing = FindMissingMount(folder)) {
        return CannotCreateMessage(file, "The folder's file system is not mounted (\"" + missing->device +
                                             "\" on \"" + missing->mountPoint + "\" in /etc/fstab)");
    }
    // A day file that is not a file is refused before anything is made in the folder.
    struct stat info {};
    std::string error;
    if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        std::string ignored;
        ReadWholeFile(file, ignored, &error);
        return error;
    }
    // Another PC archiving into the same folder at the same second would otherwise add its lines at
    // the same place as ours.
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    const auto busy = [&](int refusal) {
        std::string message = CannotCreateMessage(file, refusal);
        if (refusal == EWOULDBLOCK) message += " (another program is archiving into this folder)";
        return message;
    };
    FileLock lock;
    if (const int refusal = lock.Take(ArchiveLockPath(file), lockWait); refusal != 0) return busy(refusal);
    RemoveOldArchiveTemporaries(folder);

    // The lines are added in place rather than by replacing the file: an SMB share refuses to replace a
    // file someone has open (an office viewer, a report run, another PC's cached handle).
    bool made = false;
    const int opened = OpenDayFile(file, made);
    if (opened < 0) return CannotCreateMessage(file, -opened);
    FileDescriptor day(opened);
    // The folder's lock file is removed by each holder, and an NFS client may go on seeing the removed
    // one under its name; the day file itself stays, so its lock keeps every PC out for sure, and taking
    // it makes NFS fetch the file's size afresh.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (const int refusal = LockOpenFile(day.Get(), std::max(left, std::chrono::milliseconds(0)));
        refusal != 0) {
        return busy(refusal);
    }
    if (const int failed = FreshStat(day.Get(), info); failed != 0) return CannotCreateMessage(file, failed);
    if (!S_ISREG(info.st_mode)) return CannotCreateMessage(file, EISDIR);
    // A file without a write bit for its owner was frozen on purpose, root included.
    if ((info.st_mode & S_IWUSR) == 0) return CannotCreateMessage(file, EACCES);
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxArchiveFileBytes)
        return CannotOpenMessage(file, EFBIG);
    const off_t end = info.st_size;

    const std::string whole = NotePadFileBytes(notePad);
    if (whole.empty()) return std::nullopt;  // the file exists now; nothing to add
    const std::size_t there = AlreadyAtEnd(day.Get(), end, whole, NotePadFileBytes(writtenBefore));
    if (there == whole.size()) return std::nullopt;
    const std::string_view added = std::string_view(whole).substr(there);
    std::string bytes;
    char last = '\n';
    // An earlier archive's last line (or one a crash cut short) keeps to itself.
    if (there == 0 && end > 0 && ::pread(day.Get(), &last, 1, end - 1) != 1)
        return CannotOpenMessage(file, errno ? errno : EIO);
    if (last != '\n' && last != '\r') bytes = "\r\n";
    bytes += added;
    if (const int failed = Append(day.Get(), end, bytes); failed != 0) {
        // A day file this archive made and could not fill goes again, as a failed replacement left none.
        if (made && end == 0) ::unlink(file.c_str());
        return CannotCreateMessage(file, failed);
    }
    if (const int failed = day.Close(); failed != 0) return CannotCreateMessage(file, failed);

    // Where the lock does not reach the other PCs (FUSE mounts), another PC may have written at the
    // same place.
    return ConfirmArchived(file, added, static_cast<std::uintmax_t>(end));
}

std::optional<std::string> ConfirmArchived(const std::filesystem::path& file, std::string_view added,
                                           std::uintmax_t from) {
    std::string back;
    std::string error;
    if (!ReadWholeFile(file, back, &error, kMaxArchiveFileBytes)) return error;
    if (back.size() < from || back.find(added, static_cast<std::size_t>(from)) == std::string::npos) {
        return CannotCreateMessage(file, std::string(kArchiveNotConfirmed));
    }
    return std::nullopt;
}

}  // namespace kerfolio
