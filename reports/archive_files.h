#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/archive_text.h"
#include "reports/calendar.h"
#include "reports/short_date.h"

namespace kerfolio {

// Archive files are named after the regional short date with "/" and the other characters file names
// forbid turned into "-": "2024-3-5", "5-3-2024", "3-5-24", "05.03.2024", "2024. 3. 5." all occur.
//
// How a name reads: a four-digit first field is the year (year, month, day). Otherwise the year comes
// last (two digits mean 20yy), unless the first field cannot be a day (over 31), which makes it a
// two-digit year first. With the year last, day-month and month-day both occur; a name whose first
// field is over 12 is day first, one whose second is over 12 is month first. The others follow what the
// unambiguous names of the same folder show, since one PC writes one form; with no such name in the
// folder (fewer than 13 days of archives), or as many of each, day first is taken. An English month
// name ("7 Dec 2026", "Dec 7, 2026", as a PC without regional settings writes it) names the month.
//
// A name written in the short-date format of the PC the report runs on (the PC that wrote the folder)
// takes the date that format gives it; only the others are guessed so. A stated order reads every name
// in it instead, for a folder from a PC whose format is not known.
struct NameDating {
    std::optional<ShortDateFormat> format;
    std::optional<DateOrder> order;
};

// A file name's date and, when the name reads as another date too (day and month swapped), that one.
struct NameDate {
    std::optional<Day> date;
    std::optional<Day> otherReading;
};

// The dates of file names without their ".txt", one per name; nothing for a name that is not a date.
std::vector<std::optional<Day>> DatesOfNames(const std::vector<std::string>& stems,
                                             const NameDating& dating = {});
std::vector<NameDate> ReadNames(const std::vector<std::string>& stems, const NameDating& dating);

// The name without its extension when the extension is ".txt" in any case, as path::extension() and
// path::stem() split it (a name starting with its only dot has none); a year is hundreds of names, and
// each path made on the way costs more than reading the name.
std::optional<std::string_view> TxtStem(std::string_view name);

// A decade of daily files is thousands of them: each by its name in the folder, not a whole path.
struct ArchiveFile {
    std::string name;
    Day date;
};

// A file whose date disagrees with when it was written.
struct FileNotice {
    Day date;  // the date its name is read as
    InputProblem notice;
};

struct FolderListing {
    std::vector<ArchiveFile> files;  // by date
    std::vector<InputProblem> problems;
    std::vector<FileNotice> notices;
    bool listed = true;  // false when the folder could not be read, or not to its end
};

// The dated ".txt" files of an archive folder; other ".txt" files and folders named like one are listed
// as problems, files of other kinds are not archives and are passed over. What a listed file is, is
// checked when it is opened. A file written more than a day before the date of
// its name, or on the date its name would give with day and month swapped but not on the date it is
// read as, is listed as a notice: its name is likely read in the wrong order. (A file written long
// after its date is a copy, as every file of a folder copied from another PC is, and is not listed.)
FolderListing ListArchiveFiles(const std::filesystem::path& folder, const NameDating& dating = {});

}  // namespace kerfolio
