#pragma once

#include <filesystem>

namespace kerfolio {

// The executable's own folder when it holds a save.ini (writable or not: an administrator's read-only
// settings are honoured and failed writes reported) or when we may write there and it is not an
// installed program's folder; otherwise userFolder (created when missing). Nothing is created in the
// executable's folder to find out.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& exeFolder,
                                       const std::filesystem::path& userFolder);

// Whether we may replace or create files in folder: its file system is mounted writable, its owner
// kept a write bit, and the access check for this process allows it. The owner bit is asked for even
// where the process could ignore it (root), so a folder or file an administrator froze stays frozen.
bool MayWriteInto(const std::filesystem::path& folder);

// Whether folder lies under /usr, /bin, /sbin or /opt, where installed programs live.
bool IsSystemProgramFolder(const std::filesystem::path& folder);
// The folder ChooseDataFolder picks, without creating userFolder: for readers such as the report
// program, which must leave no trace in a data folder the program itself never made.
std::filesystem::path FindDataFolder(const std::filesystem::path& exeFolder,
                                     const std::filesystem::path& userFolder);

// The user's own folder for Kerfolio's files: ${XDG_DATA_HOME:-~/.local/share}/Kerfolio, as the window's
// and the report program's user folder.
std::filesystem::path UserDataFolder();

std::filesystem::path SettingsPath(const std::filesystem::path& folder);  // folder/save.ini
std::filesystem::path NotePadPath(const std::filesystem::path& folder);   // folder/temp.sav

}  // namespace kerfolio
