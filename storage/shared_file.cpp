#include "storage/shared_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "storage/atomic_file.h"
#include "storage/data_folder.h"
#include "storage/file_descriptor.h"

namespace kerfolio {
namespace {

std::string FullPath(const std::filesystem::path& path) {
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(path, ignored);
    return (full.empty() ? path : full).string();
}

// The owner's write bit decides for root too, as for a replacement: a file frozen on purpose stays so.
bool MayWriteFile(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if ((info.st_mode & S_IWUSR) == 0) return false;
    return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

bool IsReadOnlyMount(const std::filesystem::path& folder) {
    struct statvfs mount {};
    return ::statvfs(folder.c_str(), &mount) == 0 && (mount.f_flag & ST_RDONLY) != 0;
}

// Writes over the old bytes first and cuts the rest off afterwards: on a full disk only the part past
// the old end needs new room, so a failed write loses less than truncating first would.
int WriteInPlace(const std::filesystem::path& file, std::string_view bytes) {
    FileDescriptor opened(::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    const int fd = opened.Get();
    if (fd < 0) return errno;
    int error = 0;
    std::size_t done = 0;
    while (error == 0 && done < bytes.size()) {
        const ssize_t written =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (written < 0 && errno != EINTR) error = errno;
        if (written > 0) done += static_cast<std::size_t>(written);
    }
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    const int closeError = opened.Close();
    return error != 0 ? error : closeError;
}

}  // namespace

bool WriteDataFile(const std::filesystem::path& file, std::string_view bytes, std::string* error) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    std::error_code ec;
    // A folder that is missing or no folder at all gets the replacement's own error.
    if (!std::filesystem::is_directory(folder, ec) || MayWriteInto(folder)) {
        return WriteFileAtomically(file, bytes, error);
    }
    const bool exists = std::filesystem::exists(file, ec);
    int reason = IsReadOnlyMount(folder) ? EROFS : EACCES;
    if (exists && MayWriteFile(file)) {
        reason = WriteInPlace(file, bytes);
        if (reason == 0) return true;
        if (error) *error = CannotCreateMessage(file, reason);
        return false;
    }
    if (error) {
        *error = CannotCreateMessage(file, reason) + " (the folder \"" + FullPath(folder) +
                 "\" is read-only" + (exists ? ", and so is the file)" : ")");
    }
    return false;
}

}  // namespace kerfolio
