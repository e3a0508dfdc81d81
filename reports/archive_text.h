#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "storage/report_line.h"

namespace kerfolio {

// Something in the input that did not read; line 0 means the whole file or folder.
struct InputProblem {
    std::string file;
    std::size_t line = 0;
    std::string reason;
};

struct ArchiveText {
    std::vector<ArchiveJob> jobs;  // in the order of the file, which is the order they finished
    std::vector<InputProblem> problems;
};

// Every job of an archive file's GBK bytes. Lines end in CR LF, CR or LF; blank lines are skipped; a
// line that does not read is listed under fileLabel with its line number and the rest still read.
ArchiveText ReadArchiveText(std::string_view gbkBytes, const std::string& fileLabel);

// What an ArchiveScanner finds, line by line in file order.
class ArchiveLineSink {
  public:
    // A line that reads, its names still GBK; the views last until the call returns.
    virtual void Job(std::size_t lineNumber, const GbkJob& job) = 0;
    virtual void Problem(std::size_t lineNumber, std::string reason) = 0;

  protected:
    ~ArchiveLineSink() = default;
};

// Reads an archive file's bytes as they arrive, so a file of any size is read in a window of fixed
// size. A line longer than any report line (kMaxLineBytes) is listed and passed over without being
// held; after kListedProblems problems in a file the rest are counted in one more problem, so a file
// of rubbish does not fill the report, or memory.
class ArchiveScanner {
  public:
    static constexpr std::size_t kMaxLineBytes = std::size_t{64} * 1024;
    static constexpr std::size_t kListedProblems = 100;

    explicit ArchiveScanner(ArchiveLineSink& sink) : sink_(sink) {}

    // Reads the whole lines at the front of bytes and returns how many bytes it has used; the caller
    // gives the rest again, with what follows it in the file, on the next call. With last (the end of
    // the file) everything is read.
    std::size_t Feed(std::string_view bytes, bool last);

  private:
    void Problem(std::size_t lineNumber, std::string reason);

    ArchiveLineSink& sink_;
    std::size_t lineNumber_ = 0;
    bool skipping_ = false;  // inside a line too long to read
    std::size_t problems_ = 0;
    std::size_t firstUnlisted_ = 0;
};

// All of gbkBytes through one scanner.
void ScanArchiveText(std::string_view gbkBytes, ArchiveLineSink& sink);

}  // namespace kerfolio
