#include "reports/archive_text.h"

#include <algorithm>
#include <variant>

#include "reports/gbk_line.h"

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

void ScanArchiveText(std::string_view gbkBytes, ArchiveLineSink& sink) {
    // GBK trail bytes are never CR or LF, so the bytes split into lines as the decoded text would.
    NextByte nextCr(gbkBytes, '\r'), nextLf(gbkBytes, '\n');
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < gbkBytes.size()) {
        ++lineNumber;
        const std::size_t end = std::min(nextCr.From(start), nextLf.From(start));
        const std::string_view line = gbkBytes.substr(start, end - start);
        const bool crlf = end + 1 < gbkBytes.size() && gbkBytes[end] == '\r' && gbkBytes[end + 1] == '\n';
        start = end + (crlf ? 2 : 1);
        auto fields = ReadWrittenGbkFields(line);
        if (!fields) fields = ReadPlainGbkFields(line);
        if (fields) {
            sink.Plain(*fields, lineNumber);
            continue;
        }
        LineReading reading = ReadReportLine(DecodeGbkCharacters(line));
        if (auto* job = std::get_if<ArchiveJob>(&reading)) {
            job->line = lineNumber;
            sink.Job(std::move(*job));
        } else if (auto* problem = std::get_if<LineProblem>(&reading)) {
            sink.Problem(lineNumber, std::move(problem->reason));
        }
    }
}

ArchiveText ReadArchiveText(std::string_view gbkBytes, const std::string& fileLabel) {
    class Collect final : public ArchiveLineSink {
      public:
        Collect(ArchiveText& text, const std::string& label) : text_(text), label_(label) {}
        void Plain(const PlainGbkFields& fields, std::size_t lineNumber) override {
            text_.jobs.push_back(DecodedJob(fields));
            text_.jobs.back().line = lineNumber;
        }
        void Job(ArchiveJob&& job) override { text_.jobs.push_back(std::move(job)); }
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
