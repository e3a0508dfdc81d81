#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>

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
    const std::string& PcId() const { return pcId_; }

  private:
    void Exec(const std::string& sql);
    sqlite3* db_ = nullptr;
    std::string pcId_;
};

}  // namespace kerfolio::test
