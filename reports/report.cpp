#include "reports/report.h"

#include <algorithm>
#include <map>

#include "reports/archive_files.h"
#include "reports/messages.h"
#include "storage/atomic_file.h"

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

}  // namespace

Report BuildReport(const ReportRequest& request) {
    Report report;
    report.grouping = request.grouping;

    struct Source {
        ArchiveFile file;
        std::string prefix;
    };
    std::vector<Source> sources;
    const std::vector<std::string> labels = FolderLabels(request.folders);
    for (std::size_t i = 0; i < request.folders.size(); ++i) {
        FolderListing listing = ListArchiveFiles(request.folders[i]);
        report.problems.insert(report.problems.end(), listing.problems.begin(), listing.problems.end());
        for (ArchiveFile& file : listing.files) {
            if (request.from && file.date < *request.from) continue;
            if (request.to && file.date > *request.to + std::chrono::days(1)) continue;
            sources.push_back(
                {std::move(file), request.folders.size() > 1 ? labels[i] + "/" : std::string()});
        }
    }

    std::vector<DatedJob> jobs;
    std::string bytes;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const Source& source = sources[i];
        std::string error;
        if (!ReadWholeFile(source.file.path, bytes, &error)) {
            report.problems.push_back({source.file.path.string(), 0, rmsg::kFileUnreadable + error});
        } else {
            ++report.filesRead;
            ArchiveText text = ReadArchiveText(bytes, source.file.path.string());
            report.problems.insert(report.problems.end(), text.problems.begin(), text.problems.end());
            for (ArchiveJob& job : text.jobs) {
                std::string machine = source.prefix + job.machine;
                DatedJob dated =
                    PlaceJob(std::move(job), std::move(machine), source.file.date, request.archiveSecond);
                if (request.from && dated.finishDay < *request.from) continue;
                if (request.to && dated.finishDay > *request.to) continue;
                jobs.push_back(std::move(dated));
            }
        }
        if (request.progress) request.progress(i + 1, sources.size());
    }

    report.jobs = jobs.size();
    if (jobs.empty() && !(request.from && request.to)) return report;
    const auto [earliest, latest] =
        std::minmax_element(jobs.begin(), jobs.end(),
                            [](const DatedJob& a, const DatedJob& b) { return a.finishDay < b.finishDay; });
    report.first = request.from ? *request.from : earliest->finishDay;
    report.last = request.to ? *request.to : latest->finishDay;
    report.periods = SumPeriods(jobs, request.grouping, report.first, report.last);
    report.advice = LearnEfficiency(jobs, request.records);
    return report;
}

}  // namespace kerfolio
