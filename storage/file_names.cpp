#include "storage/file_names.h"

namespace kerfolio {

std::string AsInFileName(std::string_view text) {
    constexpr std::string_view kForbidden = "/\\:*?\"<>|";
    std::string name(text);
    for (char& c : name) {
        if (kForbidden.find(c) != std::string_view::npos) c = '-';
    }
    return name;
}

std::string ArchiveFileName(std::string_view dateText) {
    return AsInFileName(dateText) + ".txt";
}

}  // namespace kerfolio
