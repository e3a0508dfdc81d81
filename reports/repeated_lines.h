#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "reports/calendar.h"
#include "storage/report_line.h"

namespace kerfolio {

// Where a line was met: the file (by the caller's number) and its line.
struct LinePlace {
    std::size_t file = 0;
    std::size_t line = 0;
};

// Lines of one folder met before, by every field but their number. A repeat is met again when the
// program reloads a snapshot taken before an archive, at every restart until a new snapshot replaces
// it, so each line is remembered for a month after it was last met, not for the whole folder: a decade
// of archives is a million lines.
class RepeatedLines {
  public:
    static constexpr int kRememberDays = 31;

    // Forgets everything: the next folder starts afresh.
    void Clear() {
        seen_.clear();
        met_.clear();
    }

    // The place of the earlier line this one repeats, or nothing after remembering it. name stands for
    // the machine's name; workpiece is the name's GBK bytes as the line gives them.
    std::optional<LinePlace> Repeats(int name, std::string_view workpiece, const JobFigures& job,
                                     Day fileDate, LinePlace place);

  private:
    struct Key {
        int numbers[7];
        std::string workpiece;
        bool operator==(const Key& other) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    struct Seen {
        LinePlace first;
        Day last;
    };
    void Forget(Day before);

    std::unordered_map<Key, Seen, KeyHash> seen_;
    std::deque<std::pair<Day, Key>> met_;  // the days lines were met, oldest first, to forget them in turn
};

}  // namespace kerfolio
