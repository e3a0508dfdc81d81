#include "storage/data_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace kerfolio {
namespace {

// Permission bits do not tell the whole story (read-only mounts, ACLs, root), so try it.
bool CanCreateFileIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / (".kerfolio-probe-" + std::to_string(::getpid()));
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace

std::filesystem::path FindDataFolder(const std::filesystem::path& exeFolder,
                                     const std::filesystem::path& userFolder) {
    if (!exeFolder.empty() && CanCreateFileIn(exeFolder)) return exeFolder;
    return userFolder;
}

std::filesystem::path ChooseDataFolder(const std::filesystem::path& exeFolder,
                                       const std::filesystem::path& userFolder) {
    const std::filesystem::path folder = FindDataFolder(exeFolder, userFolder);
    std::error_code ignored;  // a folder we cannot create shows up as write errors naming the file
    if (folder == userFolder) std::filesystem::create_directories(userFolder, ignored);
    return folder;
}

std::filesystem::path SettingsPath(const std::filesystem::path& folder) {
    return folder / "save.ini";
}
std::filesystem::path NotePadPath(const std::filesystem::path& folder) {
    return folder / "temp.sav";
}

}  // namespace kerfolio
