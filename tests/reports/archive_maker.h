#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "board/job_board.h"

namespace kerfolio::testing {

// One job as the operator clicks it; times are seconds from midnight of the first simulated day, so
// a job can run across midnight.
struct SimulatedJob {
    int machine;
    std::string name;
    std::string amount;
    long mount, start, finish;
    std::vector<std::pair<long, long>> jumps;
    std::vector<std::pair<long, long>> breaks;
};

// Drives the real board rules through the jobs and keeps the NotePad; Archive hands it to the
// program's own archive writer (GBK, CR LF, appended when the date's file exists).
class SimulatedWorkshop {
  public:
    void Run(const SimulatedJob& job);
    void Archive(const std::filesystem::path& file);
    const std::vector<std::string>& NotePad() const { return notePad_; }

  private:
    void Click(int machine, TEventColumn column, long second);
    TJobBoard board_;
    std::vector<std::string> notePad_;
};

// Report line 7 as the program writes it to an archive, in GBK bytes.
std::string Line(const std::string& machine, const std::string& workpiece,
                 const std::string& finish = "9:00:00", const std::string& amount = "300");
// The text with the first occurrence of from replaced by to.
std::string Replace(std::string text, const std::string& from, const std::string& to);

}  // namespace kerfolio::testing
