#include "app/journal_keeper.h"

#include <vector>

#include "app/messages.h"
#include "journal/json_text.h"

namespace kerfolio {
namespace {

// Line breaks as the day file and the NotePad write them: CR LF, a lone CR or a lone LF.
std::int64_t LinesIn(std::string_view text) {
    std::int64_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (text[i] == '\r' || text[i] == '\n') ++lines;
    }
    const bool partialLast = !text.empty() && text.back() != '\n' && text.back() != '\r';
    return lines + (partialLast ? 1 : 0);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = text.find('\n', begin);
        std::string_view line =
            text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (end == std::string_view::npos) {
            if (!line.empty()) lines.emplace_back(line);
            break;
        }
        lines.emplace_back(line);
        begin = end + 1;
    }
    return lines;
}

}  // namespace

JournalKeeper::JournalKeeper(const std::filesystem::path& journalFile, Messages& messages)
    : journal_(journalFile.parent_path(), journalFile.filename().string()), messages_(messages) {}

journal::RunState JournalKeeper::Start(journal::Stamp now) {
    // A file set aside here is told with the rest of what start-up could not restore.
    if (!journal_.Open(now)) After(false);
    return journal_.ReadRunState();
}

void JournalKeeper::Record(const journal::Event& event) {
    After(journal_.Append(event).has_value());
}

void JournalKeeper::RecordCompleted(const journal::Event& event, const journal::Completion& completion) {
    After(journal_.AppendCompleted(event, completion).has_value());
}

std::string JournalKeeper::ArchiveStarting(journal::Stamp now, const std::filesystem::path& file,
                                           std::string_view notePad) {
    std::string writtenBefore;
    if (const auto intent = journal_.OpenArchiveIntent(); intent && intent->file == file.string())
        writtenBefore = intent->text;
    After(journal_.BeginArchive(now, file.string(), std::string(notePad)));
    return writtenBefore;
}

void JournalKeeper::RecordArchive(journal::Stamp now, const std::filesystem::path& file,
                                  std::int64_t firstLine, std::string_view notePad) {
    journal::Event event;
    event.stamp = now;
    After(journal_.AppendArchived(event, file.string(), firstLine, SplitLines(notePad)).has_value());
}

void JournalKeeper::SnapshotSaved(const std::string& fingerprint) {
    journal_.SnapshotCoversAll(fingerprint);
}

void JournalKeeper::After(bool written) {
    if (const std::string aside = journal_.TakeSetAsideNote(); !aside.empty()) {
        messages_.Information(
            QStringLiteral("事件日志文件已损坏，已改名保存为“%1”，并已新建事件日志。记录本与存档不受影响。")
                .arg(QString::fromStdString(aside)));
    }
    if (written) {
        stopped_ = false;
        return;
    }
    if (stopped_) return;
    stopped_ = true;
    messages_.Information(
        QStringLiteral("事件日志“%1”暂时无法写入（%2）。记录照常进行，不受影响；日志能写入时自动继续。")
            .arg(QString::fromStdString(journal_.Path().string()),
                 QString::fromStdString(journal_.LastError())));
}

std::int64_t ArchiveFirstLine(std::string_view fileBytesAfter, std::string_view notePad) {
    return LinesIn(fileBytesAfter) - LinesIn(notePad) + 1;
}

}  // namespace kerfolio
