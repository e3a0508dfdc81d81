#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kerfolio {

// Why folder may not hold files that decide whether the program starts (its lock and socket), or
// nullopt when it may: it must be a directory itself, not a link to one, owned by this user and
// writable by no one else, or another local user could plant or remove them. With create, a missing
// folder is made with mode 0700 first, and one of ours is brought back to 0700.
std::optional<std::string> PrivateFolderProblem(const std::filesystem::path& folder, bool create);

// The folder for the lock and socket when the session has no runtime folder: the first of
// "<temp>/kerfolio-<uid>", "<temp>/kerfolio-<uid>-1", ... that passes the checks above (made when
// missing), so a name another user took first does not stop the program. Every start of the same
// user walks the same names and meets on the same folder. When all are taken, the first name, with
// problem saying what is wrong with it; problem is empty otherwise.
std::filesystem::path ChoosePrivateTempFolder(const std::filesystem::path& temp, std::string& problem);

}  // namespace kerfolio
