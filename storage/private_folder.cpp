#include "storage/private_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/file_descriptor.h"

namespace kerfolio {
namespace {

constexpr int kNamesTried = 10;

}  // namespace

std::optional<std::string> PrivateFolderProblem(const std::filesystem::path& folder, bool create) {
    if (create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::strerror(errno);
    // Opened without following a link, and every check made on what was opened.
    const FileDescriptor opened(
        ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const int fd = opened.Get();
    if (fd < 0) {
        const int error = errno;
        struct stat link {};
        if (::lstat(folder.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return "The folder is a symbolic link";
        return std::strerror(error);
    }
    struct stat info {};
    std::optional<std::string> problem;
    if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (info.st_uid != ::geteuid()) {
        problem = "The folder belongs to another user";
    } else if ((info.st_mode & 022) != 0 && !(create && ::fchmod(fd, 0700) == 0)) {
        problem = "Other users may write in the folder";
    }
    return problem;
}

std::filesystem::path ChoosePrivateTempFolder(const std::filesystem::path& temp, std::string& problem) {
    const std::string base = "kerfolio-" + std::to_string(::geteuid());
    std::optional<std::string> first;
    for (int i = 0; i < kNamesTried; ++i) {
        std::filesystem::path folder = temp / (i == 0 ? base : base + "-" + std::to_string(i));
        const auto refusal = PrivateFolderProblem(folder, true);
        if (!refusal) {
            problem.clear();
            return folder;
        }
        if (!first) first = refusal;
    }
    problem = first.value_or("");
    return temp / base;
}

}  // namespace kerfolio
