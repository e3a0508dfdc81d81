#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "storage/atomic_file.h"

namespace kerfolio::testing {

// A fresh folder per test, removed afterwards; tests never touch a real data folder.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kerfolio-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline std::string Slurp(const std::filesystem::path& file) {
    std::string bytes;
    ReadWholeFile(file, bytes);
    return bytes;
}

inline void Put(const std::filesystem::path& file, std::string_view bytes) {
    WriteFileAtomically(file, bytes);
}

// A path no one can create a file at, root included: its parent is a regular file.
inline std::filesystem::path UnwritableFolder(const TempFolder& folder) {
    const std::filesystem::path plain = folder / "plain-file";
    Put(plain, "x");
    return plain / "data";
}

}  // namespace kerfolio::testing
