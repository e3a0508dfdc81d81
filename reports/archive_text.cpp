#include "reports/archive_text.h"

#include <algorithm>
#include <variant>

#include "reports/messages.h"

namespace kerfolio {
namespace {

// The next position of c at or after from, remembered so a file with only CR or only LF line ends is
// not searched to its end for the other once per line.
class NextByte {
  public:
    NextByte(std::string_view text, char c) : text_(text), c_(c) {}
    std::size_t From(std::size_t from) {
        if (!known_ || next_ < from) next_ = std::min(text_.find(c_, from), text_.size());
        known_ = true;
        return next_;
    }

  private:
    std::string_view text_;
    char c_;
    std::size_t next_ = 0;
    bool known_ = false;
};

}  // namespace

void ArchiveScanner::Problem(std::size_t lineNumber, std::string reason) {
    if (++problems_ <= kListedProblems) {
        sink_.Problem(lineNumber, std::move(reason));
    } else if (firstUnlisted_ == 0) {
        firstUnlisted_ = lineNumber;
    }
}

std::size_t ArchiveScanner::Feed(std::string_view bytes, bool last) {
    // GBK trail bytes are never CR or LF, so the bytes split into lines as the decoded text would.
    NextByte nextCr(bytes, '\r'), nextLf(bytes, '\n');
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(nextCr.From(start), nextLf.From(start));
        // A CR at the end of what has arrived may be the first half of a CR LF.
        const bool whole =
            last || (end + 1 < bytes.size() || (end + 1 == bytes.size() && bytes[end] == '\n'));
        if (!whole) {
            if (skipping_ || end - start > kMaxLineBytes) {
                if (!skipping_) Problem(++lineNumber_, rmsg::kLineTooLong);
                skipping_ = true;
                start = end;
            }
            break;
        }
        const bool crlf = end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n';
        const std::string_view line = bytes.substr(start, end - start);
        start = std::min(end + (crlf ? 2 : 1), bytes.size());
        if (skipping_) {
            skipping_ = false;  // its number was counted when it was found too long
            continue;
        }
        ++lineNumber_;
        if (line.size() > kMaxLineBytes) {
            Problem(lineNumber_, rmsg::kLineTooLong);
            continue;
        }
        LineReading reading = ReadReportLine(line);
        if (const auto* job = std::get_if<GbkJob>(&reading)) {
            sink_.Job(lineNumber_, *job);
        } else if (auto* problem = std::get_if<LineProblem>(&reading)) {
            Problem(lineNumber_, std::move(problem->reason));
        }
    }
    if (last && problems_ > kListedProblems) {
        sink_.Problem(firstUnlisted_, rmsg::kMoreProblems + std::to_string(problems_ - kListedProblems) +
                                          rmsg::kMoreProblemsEnd);
        problems_ = kListedProblems;
    }
    return start;
}

void ScanArchiveText(std::string_view gbkBytes, ArchiveLineSink& sink) {
    ArchiveScanner(sink).Feed(gbkBytes, true);
}

ArchiveText ReadArchiveText(std::string_view gbkBytes, const std::string& fileLabel) {
    class Collect final : public ArchiveLineSink {
      public:
        Collect(ArchiveText& text, const std::string& label) : text_(text), label_(label) {}
        void Job(std::size_t lineNumber, const GbkJob& job) override {
            text_.jobs.push_back(DecodedJob(job));
            text_.jobs.back().line = lineNumber;
        }
        void Problem(std::size_t lineNumber, std::string reason) override {
            text_.problems.push_back({label_, lineNumber, std::move(reason)});
        }

      private:
        ArchiveText& text_;
        const std::string& label_;
    };
    ArchiveText result;
    result.jobs.reserve(gbkBytes.size() / 128);  // about the length of a line as the program writes it
    Collect collect(result, fileLabel);
    ScanArchiveText(gbkBytes, collect);
    return result;
}

}  // namespace kerfolio
