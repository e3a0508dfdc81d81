#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kerfolio::test {

// A PC's journal made with plain SQL in the journal's own layout, for feeding the sender.
class TestJournal {
  public:
    TestJournal(const std::filesystem::path& file, std::string pcId);
    ~TestJournal();
    TestJournal(const TestJournal&) = delete;
    TestJournal& operator=(const TestJournal&) = delete;

    // One click's event; returns its seq. machine 0: an event of the whole program.
    std::int64_t Click(const std::string& kind, int machine, std::int64_t utcMs,
                       const std::string& workpiece = {}, const std::string& detail = R"({"cell":"08:00"})");
    // A completed job with one jump interval, written with its event as the program does.
    std::int64_t Complete(int machine, std::int64_t startMs, std::int64_t finishMs, int amount);

    struct Interval {
        const char* kind;  // "jump" or "break"
        std::int64_t beginMs, endMs;
    };
    struct Job {
        int machine = 1;
        std::string workpiece = "A-1";
        int amount = 1;
        std::optional<std::int64_t> mountMs;
        std::int64_t startMs = 0, finishMs = 0;
        int offsetS = 28800;  // at the finish
        std::vector<Interval> intervals;
        std::optional<std::int64_t> jumpMs, breakMs;  // none: the intervals' sums
        std::string detail = "{}";                    // the completed event's, with stamped and final
        bool stampedDiffers = false;
    };
    std::int64_t Complete(const Job& job);
    // The archived event of jobs (completed seq, line of the day file) into file.
    std::int64_t Archive(std::int64_t utcMs, const std::string& file,
                         const std::vector<std::pair<std::int64_t, int>>& jobs);
    const std::string& PcId() const { return pcId_; }

  private:
    void Exec(const std::string& sql);
    sqlite3* db_ = nullptr;
    std::string pcId_;
};

}  // namespace kerfolio::test
