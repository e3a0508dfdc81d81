#include "reports/report.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <tuple>

#include "reports/archive_file_reader.h"
#include "reports/archive_files.h"
#include "reports/machine_names.h"
#include "reports/messages.h"
#include "reports/overlapping_jobs.h"
#include "reports/repeated_lines.h"

namespace kerfolio {
namespace {

std::string FolderName(const std::filesystem::path& folder) {
    const std::filesystem::path clean = folder.lexically_normal();
    std::string name =
        clean.has_filename() ? clean.filename().string() : clean.parent_path().filename().string();
    return name.empty() ? folder.string() : name;
}

// The folders' names, or the folders as given where two share a name.
std::vector<std::string> FolderLabels(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::string> labels;
    std::map<std::string, int> uses;
    for (const auto& folder : folders)
        ++uses[FolderName(folder)];
    for (const auto& folder : folders) {
        const std::string name = FolderName(folder);
        labels.push_back(uses[name] > 1 ? folder.string() : name);
    }
    return labels;
}

// Places each job of a file in time and adds those of the range to the sums.
class ReportSink final : public ArchiveLineSink {
  public:
    ReportSink(const ReportRequest& request, Report& report, MachineNames& names, PeriodSummer& sums,
               EfficiencyLearner& learner, const std::vector<std::string>& folderLabels,
               std::function<std::string(std::size_t)> labelOf)
        : request_(request),
          report_(report),
          names_(names),
          sums_(sums),
          learner_(learner),
          folderLabels_(folderLabels),
          labelOf_(std::move(labelOf)) {}

    // listed: whether what does not read in the file is listed (not for the files before the range,
    // read only for the lines a repeat may repeat).
    void StartFile(std::size_t folder, Day date, std::size_t file, const std::string& label, bool listed) {
        listed_ = listed;
        if (folder != folder_) repeats_.Clear();
        folder_ = folder;
        date_ = date;
        file_ = file;
        label_ = &label;
    }
    void Job(std::size_t lineNumber, const GbkJob& gbk) override {
        const int name = names_.OfGbk(folder_, gbk.machine);
        const auto dated = Add(name, gbk.workpiece, gbk.figures, lineNumber);
        if (dated && request_.eachJob) {
            ArchiveJob job = DecodedJob(gbk);  // names decoded only for whoever asks for them
            job.line = lineNumber;
            request_.eachJob(ReadJob{folderLabels_[folder_], *label_, gbk.line, job, *dated});
        }
    }
    void Problem(std::size_t lineNumber, std::string reason) override {
        if (listed_) report_.problems.push_back({*label_, lineNumber, std::move(reason)});
    }

    std::optional<Day> earliest, latest;

  private:
    bool InRange(Day day) const {
        return (!request_.from || day >= *request_.from) && (!request_.to || day <= *request_.to);
    }
    // Listed up to kListedNotices, then only counted: archives made by a script, not by the program,
    // may repeat or overlap on every line, and the report must not grow with them.
    void Notice(std::size_t lineNumber, const char* what, LinePlace other) {
        if (report_.notices.size() < kListedNotices) {
            report_.notices.push_back(
                {*label_, lineNumber, what + labelOf_(other.file) + ":" + std::to_string(other.line)});
        } else {
            ++unlisted;
        }
    }

  public:
    static constexpr std::size_t kListedNotices = 1000;
    std::size_t unlisted = 0;

  private:
    // The job placed in time when it is one of the range and counts.
    std::optional<DatedJob> Add(int name, std::string_view workpiece, const JobFigures& job,
                                std::size_t lineNumber) {
        const DatedJob dated = PlaceJob(job, date_, request_.archiveSecond);
        const LinePlace place{file_, lineNumber};
        const bool inRange = InRange(dated.finishDay);
        if (const auto first = repeats_.Repeats(name, workpiece, job, date_, place)) {
            if (inRange) Notice(lineNumber, rmsg::kRepeatOf, *first);
            return std::nullopt;
        }
        const int machine = names_.Machine(name);
        // Its time on the days it ran (the sums keep only those of the range), unless the machine was
        // busy with another job then: the job still counts, its hours would count twice.
        if (const auto other = overlaps_.Overlaps(machine, dated, place)) {
            if (inRange) Notice(lineNumber, rmsg::kOverlapWith, *other);
        } else {
            sums_.AddTime(machine, dated);
        }
        if (!inRange) return std::nullopt;
        ++report_.jobs;
        if (!earliest || dated.finishDay < *earliest) earliest = dated.finishDay;
        if (!latest || dated.finishDay > *latest) latest = dated.finishDay;
        sums_.AddJob(machine, dated);
        learner_.Add(machine, dated, name);
        return dated;
    }

    const ReportRequest& request_;
    Report& report_;
    MachineNames& names_;
    PeriodSummer& sums_;
    EfficiencyLearner& learner_;
    const std::vector<std::string>& folderLabels_;
    RepeatedLines repeats_;
    OverlappingJobs overlaps_;
    std::size_t folder_ = SIZE_MAX;
    Day date_{};
    std::size_t file_ = 0;
    bool listed_ = true;
    const std::string* label_ = nullptr;
    // The label of a file by its number: made again when a notice names it, not held for every file.
    std::function<std::string(std::size_t)> labelOf_;
};

// The machines folder by folder, each folder's in the order of the parameter records (the board's
// rows), then the others by name.
std::vector<int> MachineOrder(const MachineNames& names, const std::vector<MachineRecord>& records) {
    const auto rank = [&](int machine) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].name == names.TextOf(machine)) return i;
        }
        return records.size();
    };
    std::vector<int> order(names.Machines().size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return std::tuple(names.FolderOf(a), rank(a), names.Machines()[std::size_t(a)]) <
               std::tuple(names.FolderOf(b), rank(b), names.Machines()[std::size_t(b)]);
    });
    return order;
}

// The ".txt" names of the folders, for a progress count made before their dates are read.
std::size_t CountTxtNames(const std::vector<std::filesystem::path>& folders) {
    std::size_t count = 0;
    for (const auto& folder : folders) {
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (TxtStem(it->path().filename().native())) ++count;
        }
    }
    return count;
}

}  // namespace

Report BuildReport(const ReportRequest& request) {
    Report report;
    report.grouping = request.grouping;

    std::vector<std::string> prefixes;
    const std::vector<std::string> labels = FolderLabels(request.folders);
    prefixes.reserve(labels.size());
    for (const std::string& label : labels)
        prefixes.push_back(request.folders.size() > 1 ? label + "/" : std::string());
    MachineNames names(std::move(prefixes));
    PeriodSummer sums(request.grouping, request.from, request.to);
    EfficiencyLearner learner;

    // Each folder is read as soon as it is listed, so only one folder's names are held however many
    // folders (PCs) there are. A file is known by its number among all files read; a repeat or an
    // overlap names a file of its own folder, since each folder's machines are its own.
    std::size_t folder = 0;
    FolderListing listing;
    std::size_t firstFile = 0;  // the number of the listing's first file
    const auto pathOf = [&](std::size_t file) {
        if (file < firstFile) return request.folders[folder];  // not met: an earlier folder's file
        return request.folders[folder] / listing.files[file - firstFile].name;
    };
    ReportSink sink(request, report, names, sums, learner, labels,
                    [&](std::size_t file) { return pathOf(file).string(); });
    const std::size_t total = request.progress ? CountTxtNames(request.folders) : 0;
    std::size_t done = 0;
    ArchiveFileReader reader;
    const auto beforeRange = [&](Day date) { return request.from && date < *request.from; };
    for (; folder < request.folders.size(); ++folder) {
        listing = ListArchiveFiles(request.folders[folder], request.dating);
        if (!listing.listed) ++report.foldersUnread;
        report.problems.insert(report.problems.end(), listing.problems.begin(), listing.problems.end());
        for (FileNotice& notice : listing.notices) {
            if (!beforeRange(notice.date) &&
                (!request.to || notice.date <= *request.to + std::chrono::days(1)))
                report.notices.push_back(std::move(notice.notice));
        }
        std::erase_if(listing.files, [&](const ArchiveFile& file) {
            return (request.from &&
                    file.date < *request.from - std::chrono::days(RepeatedLines::kRememberDays)) ||
                   (request.to && file.date > *request.to + std::chrono::days(2));
        });
        for (std::size_t k = 0; k < listing.files.size(); ++k) {
            const ArchiveFile& file = listing.files[k];
            const bool before = beforeRange(file.date);
            const std::filesystem::path path = pathOf(firstFile + k);
            const std::string label = path.string();
            sink.StartFile(folder, file.date, firstFile + k, label, !before);
            if (auto error = reader.Read(path, sink)) {
                if (!before) report.problems.push_back({label, 0, std::move(*error)});
            } else if (!before) {
                ++report.filesRead;
            }
            if (request.progress) request.progress(std::min(++done, total), total);
        }
        firstFile += listing.files.size();
    }
    if (request.progress && done < total) request.progress(total, total);

    if (sink.unlisted > 0) {
        report.notices.push_back(
            {"", 0, rmsg::kMoreNotices + std::to_string(sink.unlisted) + rmsg::kMoreNoticesEnd});
    }
    if (report.jobs == 0 && !(request.from && request.to)) return report;
    report.first = request.from ? *request.from : *sink.earliest;
    report.last = request.to ? *request.to : *sink.latest;
    const std::vector<int> order = MachineOrder(names, request.records);
    report.overview = sums.Whole(order, names.Machines(), report.first, report.last, rmsg::kWholePeriod);
    report.periods = sums.Sums(order, names.Machines(), report.first, report.last);
    report.advice = learner.Advice(order, names.Machines(), names.RecordNames(), request.records);
    return report;
}

}  // namespace kerfolio
