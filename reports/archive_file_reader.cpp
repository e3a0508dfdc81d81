#include "reports/archive_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reports/messages.h"
#include "storage/atomic_file.h"
#include "storage/file_descriptor.h"

namespace kerfolio {

std::optional<std::string> ArchiveFileReader::Read(const std::filesystem::path& file, ArchiveLineSink& sink) {
    // Without O_NONBLOCK opening a FIFO waits for a writer that never comes; the type is then checked on
    // what was opened, so a link swapped in between is no way around it.
    const FileDescriptor in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.Get() < 0) return rmsg::kFileUnreadable + CannotOpenMessage(file, errno);
    struct stat status {};
    if (::fstat(in.Get(), &status) != 0) return rmsg::kFileUnreadable + CannotOpenMessage(file, errno);
    if (S_ISDIR(status.st_mode)) return std::string(rmsg::kIsFolder);
    if (S_ISFIFO(status.st_mode)) return std::string(rmsg::kIsFifo);
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return std::string(rmsg::kIsDevice);
    if (!S_ISREG(status.st_mode)) return std::string(rmsg::kNotRegular);

    window_.resize(kWindowBytes);
    ArchiveScanner scanner(sink);
    std::size_t held = 0;  // the unfinished line at the front of the window
    for (;;) {
        const ssize_t got = ::read(in.Get(), window_.data() + held, window_.size() - held);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            scanner.Feed({}, true);
            return rmsg::kFileUnreadable + std::string(std::strerror(error));
        }
        const std::size_t size = held + static_cast<std::size_t>(got);
        const std::size_t used = scanner.Feed(std::string_view(window_.data(), size), got == 0);
        if (got == 0) return std::nullopt;
        held = size - used;
        std::memmove(window_.data(), window_.data() + used, held);
    }
}

}  // namespace kerfolio
