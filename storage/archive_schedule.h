#pragma once

#include <cstdint>
#include <optional>

namespace kerfolio {

// When the daily archive runs, in whole seconds from 1899-12-30 00:00 local time (SecondOf). A moment
// is the archive time on some day. Every tick compares the latest moment with the last one handled,
// so a moment missed while the program was closed, the PC off or asleep is made up at the next tick,
// under the first missed moment's date; a failed archive is tried again every minute under its own
// date until it works or the next moment comes. No Qt and no files: the window carries out each step.
class ArchiveSchedule {
  public:
    static constexpr std::int64_t kRetrySeconds = 60;
    // Later than this after its moment, an archive is said to be made up.
    static constexpr std::int64_t kLateSeconds = 60;

    struct Archive {
        std::int64_t moment;        // its date names the day file
        bool madeUp = false;        // the moment passed while nothing ran
        bool retry = false;         // a failed archive tried again: no second error box
        bool afterFailure = false;  // an earlier try failed: say when this one works
    };
    struct Step {
        std::optional<Archive> archive;      // hand the NotePad over now
        std::optional<std::int64_t> record;  // store as the last moment handled
    };

    // recorded: what save.ini holds; none on a first run, which files nothing of the past.
    explicit ArchiveSchedule(std::optional<std::int64_t> recorded);

    // A clock tick; on and timeOfDay (seconds into the day) as the Options page shows them now.
    Step Tick(std::int64_t now, bool on, std::int64_t timeOfDay);
    // The archive the last step asked for has ended.
    Step Finished(bool written, std::int64_t now);

    bool Running() const { return running_.has_value(); }
    // A failed archive waits for its next try.
    bool Failing() const { return failed_.has_value(); }

    // The latest moment at or before second, and the first one after it.
    static std::int64_t LatestMoment(std::int64_t second, std::int64_t timeOfDay);
    static std::int64_t NextMoment(std::int64_t second, std::int64_t timeOfDay);

  private:
    struct Failure {
        Archive archive;
        std::int64_t at;
    };

    std::optional<std::int64_t> handled_;   // the latest moment archived, tried or passed over
    std::optional<std::int64_t> recorded_;  // what save.ini holds
    std::optional<std::int64_t> timeOfDay_;
    bool wasOff_ = false;
    std::optional<Archive> running_;
    std::optional<Failure> failed_;
};

}  // namespace kerfolio
