#pragma once

#include <filesystem>
#include <string>

#include "storage/daily_archive.h"
#include "tests/journal/shop.h"

namespace kerfolio::journal::testing {

// Three jobs finished in a journal, and their NotePad archived into the day file as the window does:
// the intent on record, the append (leaving out what a killed archive of the same lines put there), the
// archived event.
struct ArchiveDay {
    explicit ArchiveDay(const std::filesystem::path& folder) : shop(folder), file(folder / "2026-12-9.txt") {
        shop.journal.Open(Local(2026, 12, 9, 6, 0, 8));
        if (shop.journal.LastSeq() > 0) {  // the day is in the journal already: the NotePad as it was kept
            shop.record = false;
            Work();
            shop.record = true;
        } else {
            Work();
        }
    }
    void Work() {
        shop.Job(1, Local(2026, 12, 9, 7, 0, 8), 90, "凹模");
        shop.Job(2, Local(2026, 12, 9, 8, 0, 8), 45, "凸模");
        shop.Job(3, Local(2026, 12, 9, 9, 0, 8), 30, "镶件");
    }
    void Archive() {
        std::string writtenBefore;
        if (const auto intent = shop.journal.OpenArchiveIntent(); intent && intent->file == file.string())
            writtenBefore = intent->text;
        const Stamp now = Local(2026, 12, 9, 23, 0, 8);
        shop.journal.BeginArchive(now, file.string(), shop.notePad);
        ASSERT_EQ(AppendToArchive(file, shop.notePad, kArchiveLockWait, writtenBefore), std::nullopt);
        std::vector<std::string> lines;
        for (std::size_t from = 0; from <= shop.notePad.size();) {
            const std::size_t end = std::min(shop.notePad.find('\n', from), shop.notePad.size());
            lines.push_back(shop.notePad.substr(from, end - from));
            from = end + 1;
        }
        Event event;
        event.stamp = now;
        shop.journal.AppendArchived(event, file.string(), 1, lines);
    }
    Shop shop;
    std::filesystem::path file;
};

}  // namespace kerfolio::journal::testing
