#pragma once

#include <filesystem>

namespace kerfolio::journal {

// Where the journal of a data folder lives: beside save.ini when this process may write into that
// folder (SQLite makes its -wal and -shm files beside the journal), else in userFolder's "journals"
// folder under a name made from the data folder's absolute path, so two data folders never share one
// and every program that knows the data folder finds it.
std::filesystem::path JournalPath(const std::filesystem::path& dataFolder,
                                  const std::filesystem::path& userFolder);

}  // namespace kerfolio::journal
