#include "storage/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "storage/file_descriptor.h"

namespace kerfolio {
namespace {

std::string FullPath(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::path full = std::filesystem::absolute(file, ignored);
    return (full.empty() ? file : full).string();
}

std::string Message(const char* what, const std::filesystem::path& file, std::string_view reason) {
    return std::string(what) + " \"" + FullPath(file) + "\". " + std::string(reason);
}

std::string Message(const char* what, const std::filesystem::path& file, int errorNumber) {
    return Message(what, file, std::strerror(errorNumber));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A stream buffer writing to a descriptor in chunks; the first failed write's errno is kept and every
// later write refused, so the stream turns bad and the failure is the one the disk gave.
class DescriptorBuffer : public std::streambuf {
  public:
    explicit DescriptorBuffer(int fd) : fd_(fd) { setp(chunk_.data(), chunk_.data() + chunk_.size()); }
    int Error() const { return error_; }

  protected:
    int_type overflow(int_type c) override {
        if (!Drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain() ? 0 : -1; }
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        const auto size = static_cast<std::size_t>(count);
        if (count < epptr() - pptr()) {
            std::memcpy(pptr(), data, size);
            pbump(static_cast<int>(count));
            return count;
        }
        // Past the chunk's room: what is buffered goes first, then this straight from the caller.
        if (!Drain()) return 0;
        if (!WriteAll(fd_, std::string_view(data, size))) {
            error_ = errno;
            return 0;
        }
        return count;
    }

  private:
    bool Drain() {
        if (error_ != 0) return false;
        if (!WriteAll(fd_, std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())))) {
            error_ = errno;
            return false;
        }
        setp(chunk_.data(), chunk_.data() + chunk_.size());
        return true;
    }

    int fd_;
    int error_ = 0;
    std::array<char, 65536> chunk_{};
};

std::string TemporaryPrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + ".tmp-";
}

std::filesystem::path TemporaryName(const std::filesystem::path& file) {
    static std::atomic<unsigned> counter{0};
    std::string name =
        TemporaryPrefix(file) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    return file.parent_path() / name;
}

// A rename replaces a file whatever the file's own mode says, so the mode is asked first: a file
// without a write bit for its owner was frozen on purpose (root included), and one this process may
// not write is refused as an ordinary write to it would be. 0 when the file may be replaced or is new.
int ReplaceRefusal(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return 0;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if ((info.st_mode & S_IWUSR) == 0) return EACCES;
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    return 0;
}

int SyncFolder(const std::filesystem::path& folder) {
    FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0) return errno;
    // Some file systems cannot sync a folder at all; the rename is then as durable as they make it.
    if (::fsync(dir.Get()) != 0 && errno != EINVAL && errno != EROFS) return errno;
    return dir.Close();
}

}  // namespace

std::string CannotCreateMessage(const std::filesystem::path& file, int errorNumber) {
    return Message("Cannot create file", file, errorNumber);
}

std::string CannotCreateMessage(const std::filesystem::path& file, std::string_view reason) {
    return Message("Cannot create file", file, reason);
}

std::string CannotOpenMessage(const std::filesystem::path& file, int errorNumber) {
    return Message("Cannot open file", file, errorNumber);
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes, std::string* error) {
    return WriteFileAtomically(
        file,
        [bytes](std::ostream& out) { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); },
        error);
}

bool WriteFileAtomically(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                         std::string* error) {
    const auto fail = [&](int errorNumber) {
        if (error) *error = CannotCreateMessage(file, errorNumber);
        return false;
    };
    if (file.filename().empty()) return fail(EISDIR);
    if (int refusal = ReplaceRefusal(file); refusal != 0) return fail(refusal);

    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(file);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail(errno);
    }
    if (fd < 0) return fail(EEXIST);
    FileDescriptor out(fd);

    const auto failAndRemove = [&](int errorNumber) {
        out.Close();
        ::unlink(temporary.c_str());
        return fail(errorNumber);
    };
    // Replacing a file must not change who may read it.
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0) ::fchmod(out.Get(), old.st_mode & 07777);
    {
        DescriptorBuffer buffer(out.Get());
        std::ostream stream(&buffer);
        try {
            write(stream);
        } catch (...) {
            out.Close();
            ::unlink(temporary.c_str());
            throw;
        }
        stream.flush();
        if (buffer.Error() != 0) return failAndRemove(buffer.Error());
        // Only write itself can spoil the stream otherwise; what it wrote is then not the whole file.
        if (!stream) return failAndRemove(EIO);
    }
    if (::fsync(out.Get()) != 0) return failAndRemove(errno);
    if (int closeError = out.Close(); closeError != 0) return failAndRemove(closeError);
    if (::rename(temporary.c_str(), file.c_str()) != 0) return failAndRemove(errno);
    if (int syncError = SyncFolder(file.parent_path()); syncError != 0) return fail(syncError);
    return true;
}

namespace {

// Removes the files of folder named as TemporaryName names them whose target name passes wanted and
// that stale (given the pid and the entry) finds left behind.
template <typename Wanted, typename Stale>
void RemoveStale(const std::filesystem::path& folder, Wanted wanted, Stale stale) {
    constexpr std::string_view kMark = ".tmp-";
    std::error_code ec;
    // increment(ec), not ++: a folder that fails mid-listing (a network folder) must not throw out of
    // the start-up; the leftovers then wait for the next start.
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::filesystem::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        const std::size_t mark = name.rfind(kMark);
        if (!name.starts_with('.') || mark == std::string::npos || mark < 2) continue;
        if (!wanted(std::string_view(name).substr(1, mark - 1))) continue;
        const std::string rest = name.substr(mark + kMark.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789") != dash) {
            continue;
        }
        const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
        if (pid <= 0 || !stale(pid, entry)) continue;
        std::error_code ignored;
        std::filesystem::remove(entry.path(), ignored);
    }
}

}  // namespace

void RemoveStaleTemporaries(const std::filesystem::path& file) {
    const std::string target = file.filename().string();
    RemoveStale(
        file.parent_path(), [&](std::string_view name) { return name == target; },
        [](long pid, const std::filesystem::directory_entry&) {
            // Its writer may still run unless the pid is gone.
            return pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        });
}

void RemoveTemporariesIn(const std::filesystem::path& folder, std::string_view suffix,
                         std::chrono::seconds minAge) {
    const auto now = std::filesystem::file_time_type::clock::now();
    RemoveStale(
        folder, [&](std::string_view name) { return name.size() > suffix.size() && name.ends_with(suffix); },
        [&](long, const std::filesystem::directory_entry& entry) {
            std::error_code ec;
            const auto changed = entry.last_write_time(ec);
            return !ec && now - changed >= minAge;
        });
}

std::optional<ReadError> ReadFile(const std::filesystem::path& file, std::string& bytes,
                                  std::uintmax_t maxBytes) {
    const auto fail = [&](int errorNumber) {
        return std::optional<ReadError>({errorNumber, CannotOpenMessage(file, errorNumber)});
    };
    const auto refuse = [&](const struct stat& info) {
        if (S_ISDIR(info.st_mode)) return fail(EISDIR);
        return std::optional<ReadError>({0, Message("Cannot open file", file, "Not a regular file")});
    };
    // Asked before the open, so a device is never opened at all; asked again after it, since the
    // name may have changed hands in between. O_NONBLOCK: opening a FIFO must not wait for a writer.
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return fail(errno);
    if (!S_ISREG(info.st_mode)) return refuse(info);
    FileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.Get() < 0) return fail(errno);
    if (::fstat(in.Get(), &info) != 0) return fail(errno);
    if (!S_ISREG(info.st_mode)) return refuse(info);
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) return fail(EFBIG);
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (got == 0) break;
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > maxBytes) return fail(EFBIG);  // it grew while we read
    }
    bytes = std::move(content);
    return std::nullopt;
}

bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::string* error,
                   std::uintmax_t maxBytes) {
    auto failure = ReadFile(file, bytes, maxBytes);
    if (failure && error) *error = std::move(failure->message);
    return !failure;
}

}  // namespace kerfolio
