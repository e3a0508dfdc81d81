#include "reports/archive_files.h"

#include <algorithm>
#include <cctype>

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

std::vector<std::optional<Day>> DatesOfNames(const std::vector<std::string>& stems) {
    std::vector<std::optional<Reading>> readings;
    int dayFirst = 0, monthFirst = 0;
    for (const std::string& stem : stems) {
        readings.push_back(ReadName(stem));
        if (readings.back() && readings.back()->order == Order::DayFirst) ++dayFirst;
        if (readings.back() && readings.back()->order == Order::MonthFirst) ++monthFirst;
    }
    const bool folderMonthFirst = monthFirst > dayFirst;
    std::vector<std::optional<Day>> dates;
    for (const auto& reading : readings) {
        if (!reading) {
            dates.push_back(std::nullopt);
        } else if (reading->order == Order::Either) {
            dates.push_back(folderMonthFirst ? reading->monthFirst : reading->dayFirst);
        } else {
            dates.push_back(reading->order == Order::MonthFirst ? reading->monthFirst : reading->dayFirst);
        }
    }
    return dates;
}

FolderListing ListArchiveFiles(const std::filesystem::path& folder) {
    FolderListing listing;
    std::vector<std::filesystem::path> paths;
    std::vector<std::string> stems;
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
        paths.push_back(it->path());
        stems.emplace_back(*stem);
    }
    const auto dates = DatesOfNames(stems);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (dates[i]) {
            listing.files.push_back({paths[i], *dates[i]});
        } else {
            listing.problems.push_back({paths[i].string(), 0, rmsg::kNameNotDate});
        }
    }
    std::sort(listing.files.begin(), listing.files.end(), [](const ArchiveFile& a, const ArchiveFile& b) {
        return a.date != b.date ? a.date < b.date : a.path < b.path;
    });
    std::sort(listing.problems.begin(), listing.problems.end(),
              [](const InputProblem& a, const InputProblem& b) { return a.file < b.file; });
    return listing;
}

}  // namespace kerfolio
