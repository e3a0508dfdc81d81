#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kerfolio {

// Writes a file of the data folder (save.ini, temp.sav). Where the folder takes new files, the file is
// replaced atomically (WriteFileAtomically). An administrator may instead make the folder read-only and
// open only the file itself to the operators (mode 666): the file is then rewritten in place, which
// keeps the options changeable but loses the crash safety of a replacement (a crash mid-write can
// leave a torn file). When neither works, *error names the folder as well as the file:
//   Cannot create file "<file>". <reason> (the folder "<folder>" is read-only[, and so is the file])
bool WriteDataFile(const std::filesystem::path& file, std::string_view bytes, std::string* error = nullptr);

}  // namespace kerfolio
