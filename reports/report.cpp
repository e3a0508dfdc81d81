#include "reports/report.h"

#include <map>

#include "reports/archive_file_reader.h"
#include "reports/archive_files.h"
#include "reports/machine_names.h"
#include "reports/messages.h"

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
               EfficiencyLearner& learner, const std::vector<std::string>& folderLabels)
        : request_(request),
          report_(report),
          names_(names),
          sums_(sums),
          learner_(learner),
          folderLabels_(folderLabels) {}

    void StartFile(std::size_t folder, Day date, const std::string& label) {
        folder_ = folder;
        date_ = date;
        label_ = &label;
    }
    void Job(std::size_t lineNumber, const GbkJob& gbk) override {
        const auto dated = Add(names_.OfGbk(folder_, gbk.machine), gbk.figures);
        if (dated && request_.eachJob) {
            ArchiveJob job = DecodedJob(gbk);  // names decoded only for whoever asks for them
            job.line = lineNumber;
            request_.eachJob(ReadJob{folderLabels_[folder_], *label_, gbk.line, job, *dated});
        }
    }
    void Problem(std::size_t lineNumber, std::string reason) override {
        report_.problems.push_back({*label_, lineNumber, std::move(reason)});
    }

    std::optional<Day> earliest, latest;

  private:
    // The job placed in time when it is one of the range.
    std::optional<DatedJob> Add(int name, const JobFigures& job) {
        const DatedJob dated = PlaceJob(job, date_, request_.archiveSecond);
        if (request_.from && dated.finishDay < *request_.from) return std::nullopt;
        if (request_.to && dated.finishDay > *request_.to) return std::nullopt;
        ++report_.jobs;
        if (!earliest || dated.finishDay < *earliest) earliest = dated.finishDay;
        if (!latest || dated.finishDay > *latest) latest = dated.finishDay;
        const int machine = names_.Machine(name);
        sums_.Add(machine, dated);
        learner_.Add(machine, dated, name);
        return dated;
    }

    const ReportRequest& request_;
    Report& report_;
    MachineNames& names_;
    PeriodSummer& sums_;
    EfficiencyLearner& learner_;
    const std::vector<std::string>& folderLabels_;
    std::size_t folder_ = 0;
    Day date_{};
    const std::string* label_ = nullptr;
};

}  // namespace

Report BuildReport(const ReportRequest& request) {
    Report report;
    report.grouping = request.grouping;

    // A decade of six PCs is 22,000 files: by name, not path (a path holds each of its parts again).
    struct Source {
        std::string name;
        Day date;
        std::size_t folder;
    };
    std::vector<Source> sources;
    std::vector<std::string> prefixes;
    const std::vector<std::string> labels = FolderLabels(request.folders);
    for (std::size_t i = 0; i < request.folders.size(); ++i) {
        prefixes.push_back(request.folders.size() > 1 ? labels[i] + "/" : std::string());
        FolderListing listing = ListArchiveFiles(request.folders[i]);
        if (!listing.listed) ++report.foldersUnread;
        report.problems.insert(report.problems.end(), listing.problems.begin(), listing.problems.end());
        for (ArchiveFile& file : listing.files) {
            if (request.from && file.date < *request.from) continue;
            if (request.to && file.date > *request.to + std::chrono::days(1)) continue;
            sources.push_back({file.path.filename().native(), file.date, i});
        }
    }

    MachineNames names(std::move(prefixes));
    PeriodSummer sums(request.grouping);
    EfficiencyLearner learner;
    ReportSink sink(request, report, names, sums, learner, labels);
    ArchiveFileReader reader;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const Source& source = sources[i];
        const std::filesystem::path path = request.folders[source.folder] / source.name;
        const std::string label = path.string();
        sink.StartFile(source.folder, source.date, label);
        if (auto error = reader.Read(path, sink)) {
            report.problems.push_back({label, 0, std::move(*error)});
        } else {
            ++report.filesRead;
        }
        if (request.progress) request.progress(i + 1, sources.size());
    }

    if (report.jobs == 0 && !(request.from && request.to)) return report;
    report.first = request.from ? *request.from : *sink.earliest;
    report.last = request.to ? *request.to : *sink.latest;
    report.periods = sums.Sums(names.Machines(), report.first, report.last);
    report.advice = learner.Advice(names.Machines(), names.RecordNames(), request.records);
    return report;
}

}  // namespace kerfolio
