#include "reports/archive_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <ctime>

#include "reports/messages.h"

namespace kerfolio {
namespace {

struct NameFields {
    int values[3];
    int digits[3];
    int monthName = -1;  // the field written as an English month name, as the C locale writes dates
};

bool IsSeparator(char c) {
    return c == '-' || c == '.' || c == ' ' || c == ',';
}

// 1..12 for "Jan".."Dec" or the full name, any case; 0 otherwise.
int MonthNumber(std::string_view word) {
    static constexpr std::string_view kMonths[] = {"january",   "february", "march",    "april",
                                                   "may",       "june",     "july",     "august",
                                                   "september", "october",  "november", "december"};
    if (word.size() < 3) return 0;
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (int m = 0; m < 12; ++m) {
        if (kMonths[m].starts_with(lower)) return m + 1;
    }
    return 0;
}

// Three fields between separator runs, digits or one month name; a trailing separator ("2024. 3. 5.")
// is allowed.
std::optional<NameFields> SplitName(std::string_view stem) {
    NameFields fields{};
    int count = 0;
    std::size_t pos = 0;
    while (pos < stem.size()) {
        if (count == 3) return std::nullopt;
        if (std::isalpha(static_cast<unsigned char>(stem[pos]))) {
            const std::size_t begin = pos;
            while (pos < stem.size() && std::isalpha(static_cast<unsigned char>(stem[pos])))
                ++pos;
            const int month = MonthNumber(stem.substr(begin, pos - begin));
            if (month == 0 || fields.monthName >= 0) return std::nullopt;
            fields.monthName = count;
            fields.values[count] = month;
            fields.digits[count++] = 2;
        } else {
            if (!std::isdigit(static_cast<unsigned char>(stem[pos]))) return std::nullopt;
            int value = 0, digits = 0;
            while (pos < stem.size() && std::isdigit(static_cast<unsigned char>(stem[pos]))) {
                if (++digits > 4) return std::nullopt;
                value = value * 10 + (stem[pos++] - '0');
            }
            fields.values[count] = value;
            fields.digits[count++] = digits;
        }
        const std::size_t separators = pos;
        while (pos < stem.size() && IsSeparator(stem[pos]))
            ++pos;
        if (pos == separators && pos < stem.size()) return std::nullopt;
    }
    if (count != 3) return std::nullopt;
    return fields;
}

int FullYear(int value, int digits) {
    return digits <= 2 ? 2000 + value : value;
}

enum class Order { YearFirst, DayFirst, MonthFirst, Either };

struct Reading {
    Order order;
    std::optional<Day> dayFirst;    // the date read year-first, or day-month-year
    std::optional<Day> monthFirst;  // month-day-year, for names with the year last
};

std::optional<Reading> ReadName(const std::string& stem) {
    const auto fields = SplitName(stem);
    if (!fields) return std::nullopt;
    const int* v = fields->values;
    const int* d = fields->digits;
    if (fields->monthName == 0 || fields->monthName == 1) {
        // "7 Dec 2026" or "Dec 7 2026": the name settles which field is the month.
        const int day = fields->monthName == 1 ? v[0] : v[1];
        const auto date = MakeDay(FullYear(v[2], d[2]), v[fields->monthName], day);
        if (!date || d[2] == 3) return std::nullopt;
        return Reading{Order::YearFirst, date, std::nullopt};
    }
    if (fields->monthName == 2) return std::nullopt;
    if (d[0] == 4 || (d[2] <= 2 && v[0] > 31)) {
        const auto date = MakeDay(FullYear(v[0], d[0]), v[1], v[2]);
        if (!date) return std::nullopt;
        return Reading{Order::YearFirst, date, std::nullopt};
    }
    if (d[2] == 3) return std::nullopt;
    const int year = FullYear(v[2], d[2]);
    Reading reading{Order::Either, MakeDay(year, v[1], v[0]), MakeDay(year, v[0], v[1])};
    if (!reading.dayFirst && !reading.monthFirst) return std::nullopt;
    if (!reading.monthFirst) reading.order = Order::DayFirst;
    if (!reading.dayFirst) reading.order = Order::MonthFirst;
    return reading;
}

// The local calendar day a file was last written, as its PC's clock had it.
std::optional<Day> WrittenOn(const std::filesystem::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return std::nullopt;
    std::tm local{};
    if (!::localtime_r(&status.st_mtime, &local)) return std::nullopt;
    return MakeDay(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace

std::optional<std::string_view> TxtStem(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name == "..") return std::nullopt;
    const std::string_view extension = name.substr(dot);
    if (extension.size() != 4) return std::nullopt;
    for (std::size_t i = 1; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(extension[i])) != "txt"[i - 1]) return std::nullopt;
    }
    return name.substr(0, dot);
}

namespace {

// A name read in a stated order; names with the year first or a month name read as they must.
std::optional<Day> ReadInOrder(const std::string& stem, DateOrder order) {
    const auto reading = ReadName(stem);
    if (!reading) {
        // Only a two-digit year first fails ReadName in a way the order settles ("26-12-8").
        const auto fields = SplitName(stem);
        if (order != DateOrder::YearMonthDay || !fields || fields->monthName >= 0) return std::nullopt;
        return MakeDay(FullYear(fields->values[0], fields->digits[0]), fields->values[1], fields->values[2]);
    }
    if (reading->order == Order::YearFirst) return reading->dayFirst;
    switch (order) {
        case DateOrder::DayMonthYear:
            return reading->dayFirst;
        case DateOrder::MonthDayYear:
            return reading->monthFirst;
        case DateOrder::YearMonthDay: {
            const auto fields = SplitName(stem);
            return MakeDay(FullYear(fields->values[0], fields->digits[0]), fields->values[1],
                           fields->values[2]);
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<NameDate> ReadNames(const std::vector<std::string>& stems, const NameDating& dating) {
    std::vector<NameDate> dates(stems.size());
    std::vector<std::size_t> guessed;
    for (std::size_t i = 0; i < stems.size(); ++i) {
        if (dating.order) {
            dates[i].date = ReadInOrder(stems[i], *dating.order);
        } else if (const auto date = dating.format ? ReadShortDate(stems[i], *dating.format) : std::nullopt) {
            dates[i].date = date;
        } else {
            guessed.push_back(i);
        }
    }

    // The rest: day or month first as the folder's unambiguous names show.
    std::vector<std::optional<Reading>> readings;
    int dayFirst = 0, monthFirst = 0;
    for (const std::size_t i : guessed) {
        readings.push_back(ReadName(stems[i]));
        if (readings.back() && readings.back()->order == Order::DayFirst) ++dayFirst;
        if (readings.back() && readings.back()->order == Order::MonthFirst) ++monthFirst;
    }
    const bool folderMonthFirst = monthFirst > dayFirst;
    for (std::size_t k = 0; k < guessed.size(); ++k) {
        const auto& reading = readings[k];
        if (!reading) continue;
        std::optional<Day>& date = dates[guessed[k]].date;
        if (reading->order == Order::Either) {
            date = folderMonthFirst ? reading->monthFirst : reading->dayFirst;
        } else {
            date = reading->order == Order::MonthFirst ? reading->monthFirst : reading->dayFirst;
        }
    }

    for (std::size_t i = 0; i < stems.size(); ++i) {
        const auto reading = ReadName(stems[i]);
        if (!dates[i].date || !reading || !reading->dayFirst || !reading->monthFirst) continue;
        if (reading->order == Order::YearFirst || *reading->dayFirst == *reading->monthFirst) continue;
        dates[i].otherReading =
            *dates[i].date == *reading->dayFirst ? reading->monthFirst : reading->dayFirst;
    }
    return dates;
}

std::vector<std::optional<Day>> DatesOfNames(const std::vector<std::string>& stems,
                                             const NameDating& dating) {
    std::vector<std::optional<Day>> dates;
    for (const NameDate& name : ReadNames(stems, dating))
        dates.push_back(name.date);
    return dates;
}

FolderListing ListArchiveFiles(const std::filesystem::path& folder, const NameDating& dating) {
    FolderListing listing;
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        listing.problems.push_back({folder.string(), 0, rmsg::kFolderUnreadable + error.message()});
        listing.listed = false;
        return listing;
    }
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) {
            listing.problems.push_back({folder.string(), 0, rmsg::kFolderUnreadable + error.message()});
            listing.listed = false;
            break;
        }
        const std::string& path = it->path().native();
        const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
        const auto stem = TxtStem(name);
        if (!stem) continue;
        if (it->is_directory(error)) {
            // Said, not passed over: a day's archive may be missing from the report because of it.
            listing.problems.push_back({it->path().string(), 0, rmsg::kIsFolder});
            continue;
        }
        names.emplace_back(name);
    }
    std::vector<NameDate> dates;
    {
        std::vector<std::string> stems;
        stems.reserve(names.size());
        for (const std::string& name : names)
            stems.emplace_back(*TxtStem(name));
        dates = ReadNames(stems, dating);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::filesystem::path path = folder / names[i];
        if (const auto& date = dates[i].date) {
            const auto written = WrittenOn(path);
            if (written && std::chrono::abs(*written - *date).count() > 1) {
                const bool otherFits =
                    dates[i].otherReading && std::chrono::abs(*written - *dates[i].otherReading).count() <= 1;
                if (*written < *date || otherFits) {
                    listing.notices.push_back({*date,
                                               {path.string(), 0,
                                                rmsg::kModifiedOn + FormatIsoDate(*written) + rmsg::kReadAs +
                                                    FormatIsoDate(*date)}});
                }
            }
            listing.files.push_back({std::move(names[i]), *date});
        } else {
            listing.problems.push_back({path.string(), 0, rmsg::kNameNotDate});
        }
    }
    std::sort(listing.files.begin(), listing.files.end(), [](const ArchiveFile& a, const ArchiveFile& b) {
        return a.date != b.date ? a.date < b.date : a.name < b.name;
    });
    std::sort(listing.problems.begin(), listing.problems.end(),
              [](const InputProblem& a, const InputProblem& b) { return a.file < b.file; });
    std::sort(listing.notices.begin(), listing.notices.end(),
              [](const FileNotice& a, const FileNotice& b) { return a.notice.file < b.notice.file; });
    return listing;
}

}  // namespace kerfolio
