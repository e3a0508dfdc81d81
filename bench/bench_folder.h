#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kerfolio {

// KERFOLIO_BENCH_DIR picks the disk to measure on; the temporary folder otherwise.
class BenchFolder {
  public:
    BenchFolder() {
        const char* base = std::getenv("KERFOLIO_BENCH_DIR");
        std::string pattern = ((base ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) /
                               "kerfolio-bench-XXXXXX")
                                  .string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace kerfolio
