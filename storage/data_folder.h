#pragma once

#include <filesystem>

namespace kerfolio {

// The executable's own folder when we can write there, otherwise userFolder (created when missing).
std::filesystem::path ChooseDataFolder(const std::filesystem::path& exeFolder,
                                       const std::filesystem::path& userFolder);

// The folder ChooseDataFolder picks, without creating userFolder: for readers such as the report
// program, which must leave no trace in a data folder the program itself never made.
std::filesystem::path FindDataFolder(const std::filesystem::path& exeFolder,
                                     const std::filesystem::path& userFolder);

std::filesystem::path SettingsPath(const std::filesystem::path& folder);  // folder/save.ini
std::filesystem::path NotePadPath(const std::filesystem::path& folder);   // folder/temp.sav

}  // namespace kerfolio
