#include "storage/daily_archive.h"

#include "storage/atomic_file.h"
#include "storage/work_snapshot.h"

namespace kerfolio {

std::filesystem::path ArchiveFilePath(std::string_view folderText, std::string_view dateText) {
    std::string name(dateText);
    for (char& c : name) {
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '-';
    }
    return std::filesystem::path(std::string(folderText) + "/" + name + ".txt");
}

std::optional<std::string> AppendToArchive(const std::filesystem::path& file, std::string_view notePad) {
    std::string content;
    std::error_code missing;
    if (std::filesystem::exists(file, missing)) {
        std::string error;
        if (!ReadWholeFile(file, content, &error)) return error;
    } else if (missing) {
        return CannotCreateMessage(file, missing.value());
    }
    const std::string added = NotePadFileBytes(notePad);
    if (added.empty() && !content.empty()) return std::nullopt;  // nothing new for a file that exists
    const bool endsWithBreak = content.ends_with('\n') || content.ends_with('\r');
    if (!content.empty() && !endsWithBreak) content.append("\r\n");
    content.append(added);
    std::string error;
    if (!WriteFileAtomically(file, content, &error)) return error;
    return std::nullopt;
}

}  // namespace kerfolio
