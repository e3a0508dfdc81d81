#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/calendar.h"
#include "reports/report_line.h"

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
        slots_.clear();
        used_ = 0;
        met_.clear();
    }

    // The place of the earlier line this one repeats, or nothing after remembering it. name stands for
    // the machine's name; workpiece is the name's GBK bytes as the line gives them.
    std::optional<LinePlace> Repeats(int name, std::string_view workpiece, const JobFigures& job,
                                     Day fileDate, LinePlace place);

  private:
    // The figures and a hash of the workpiece's bytes: found without making a string per line.
    struct Key {
        int numbers[7];
        std::uint64_t workpieceHash;
        bool operator==(const Key& other) const = default;
    };
    // Every line is looked up and nearly every one is new: an open-addressing table of slots in one
    // array, so a look-up reads one or two neighbouring slots and adding a line allocates nothing.
    struct Slot {
        std::uint64_t hash = 0;  // 0: empty
        Key key{};
        LinePlace first;
        Day last{};
        std::string workpiece;  // to tell two names of one hash apart
    };
    struct Met {
        Day day;
        std::uint64_t hash;
        Key key;
    };
    static std::uint64_t HashOf(const Key& key);
    std::size_t Find(std::uint64_t hash, const Key& key) const;  // the slot, or the empty one ending the run
    void Erase(std::size_t slot);
    void Grow();
    void Forget(Day before);

    std::vector<Slot> slots_;  // a power of two of them, at most half used
    std::size_t used_ = 0;
    std::deque<Met> met_;  // the days lines were met, oldest first, to forget them in turn
};

}  // namespace kerfolio
