#include "storage/data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace kerfolio {

bool MayWriteInto(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if ((info.st_mode & S_IWUSR) == 0) return false;
    struct statvfs mount {};
    if (::statvfs(folder.c_str(), &mount) == 0 && (mount.f_flag & ST_RDONLY) != 0) return false;
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool IsSystemProgramFolder(const std::filesystem::path& folder) {
    const std::filesystem::path normal = folder.lexically_normal();
    for (const char* root : {"/usr", "/bin", "/sbin", "/opt"}) {
        const std::filesystem::path base(root);
        if (std::mismatch(base.begin(), base.end(), normal.begin(), normal.end()).first == base.end())
            return true;
    }
    return false;
}

std::filesystem::path FindDataFolder(const std::filesystem::path& exeFolder,
                                     const std::filesystem::path& userFolder) {
    if (!exeFolder.empty()) {
        std::error_code error;
        if (std::filesystem::is_regular_file(SettingsPath(exeFolder), error)) return exeFolder;
        // An installed program shares its folder with every user; root may write there, but the
        // package manager owns it.
        if (!IsSystemProgramFolder(exeFolder) && MayWriteInto(exeFolder)) return exeFolder;
    }
    return userFolder;
}

std::filesystem::path ChooseDataFolder(const std::filesystem::path& exeFolder,
                                       const std::filesystem::path& userFolder) {
    std::filesystem::path folder = FindDataFolder(exeFolder, userFolder);
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

std::filesystem::path UserDataFolder() {
    const auto from = [](const char* name, const std::filesystem::path& fallback) {
        const char* value = std::getenv(name);
        return value && *value ? std::filesystem::path(value) : fallback;
    };
    return from("XDG_DATA_HOME", from("HOME", "/") / ".local" / "share") / "Kerfolio";
}

}  // namespace kerfolio
