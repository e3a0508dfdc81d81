#include "storage/daily_archive.h"

#include <sys/stat.h>

#include <cerrno>

#include "storage/atomic_file.h"
#include "storage/file_lock.h"
#include "storage/file_names.h"
#include "storage/work_snapshot.h"

namespace kerfolio {

std::filesystem::path ArchiveFilePath(std::string_view folderText, std::string_view dateText) {
    return std::filesystem::path(std::string(folderText) + "/" + ArchiveFileName(dateText));
}

std::filesystem::path ArchiveLockPath(const std::filesystem::path& file) {
    return file.parent_path() / ".kerfolio-archive.lock";
}

std::optional<std::string> AppendToArchive(const std::filesystem::path& file, std::string_view notePad,
                                           std::chrono::milliseconds lockWait) {
    // A day file that is not a file is refused before anything is made in the folder.
    struct stat info {};
    std::string content;
    std::string error;
    if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        ReadWholeFile(file, content, &error);
        return error;
    }
    // Another PC archiving into the same folder at the same second would otherwise read the file
    // before our rename and write it back without our lines.
    FileLock lock;
    if (const int refusal = lock.Take(ArchiveLockPath(file), lockWait); refusal != 0) {
        std::string message = CannotCreateMessage(file, refusal);
        if (refusal == EWOULDBLOCK) message += " (another program is archiving into this folder)";
        return message;
    }
    std::error_code missing;
    if (std::filesystem::exists(file, missing)) {
        if (!ReadWholeFile(file, content, &error, kMaxArchiveFileBytes)) return error;
    } else if (missing) {
        return CannotCreateMessage(file, missing.value());
    }
    const std::string added = NotePadFileBytes(notePad);
    if (added.empty() && !content.empty()) return std::nullopt;  // nothing new for a file that exists
    const bool endsWithBreak = content.ends_with('\n') || content.ends_with('\r');
    if (!content.empty() && !endsWithBreak) content.append("\r\n");
    content.append(added);
    if (!WriteFileAtomically(file, content, &error)) return error;
    return std::nullopt;
}

}  // namespace kerfolio
