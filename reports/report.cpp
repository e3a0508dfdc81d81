#include "reports/report.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "reports/archive_file_reader.h"
#include "reports/archive_files.h"
#include "reports/journal_jobs.h"
#include "reports/local_days.h"
#include "reports/machine_names.h"
#include "reports/messages.h"
#include "reports/overlapping_jobs.h"
#include "reports/repeated_lines.h"
#include "share/messages.h"

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
        if (journalLines && journalLines->contains(lineNumber)) return;  // read from the journal
        const int name = names_.OfGbk(folder_, gbk.machine);
        const auto counted = Add(name, gbk.workpiece, gbk.figures, lineNumber);
        if (!counted || (!request_.eachJob && !request_.listJobs)) return;
        ArchiveJob job = DecodedJob(gbk);  // names decoded only for whoever asks for them
        job.line = lineNumber;
        if (request_.eachJob) {
            const DayParts split = SplitAtMidnight(counted->dated);
            std::span<const DayPart> parts;
            if (counted->timeCounted)
                parts = clockParts_.empty() ? std::span<const DayPart>(split.begin(), split.end())
                                            : std::span<const DayPart>(clockParts_);
            request_.eachJob(ReadJob{folderLabels_[folder_], *label_, gbk.line, job, counted->dated, parts});
        }
        // A plain byte search finds Chinese too: no UTF-8 sequence starts inside another.
        if (request_.listJobs && job.workpiece.find(request_.workpiece) != std::string::npos) {
            listedJobs.push_back({names_.Machines()[std::size_t(names_.Machine(name))],
                                  std::move(job.workpiece), counted->dated,
                                  MachiningSeconds(job.mount, job.start), std::nullopt, std::nullopt, *label_,
                                  lineNumber});
            listedMachine.push_back(names_.Machine(name));
        }
    }
    void Problem(std::size_t lineNumber, std::string reason) override {
        if (listed_) report_.problems.push_back({*label_, lineNumber, std::move(reason)});
    }

    // The first day a counted job ran and the last it finished; the first day any job read ran.
    std::optional<Day> earliest, latest, covered;
    std::vector<ListedJob> listedJobs;
    std::vector<int> listedMachine;                       // the machine of each listed job
    const std::set<std::size_t>* journalLines = nullptr;  // the file's lines a journal holds

    // A job read from a journal: exact, so neither a repeat nor an overlap is looked for.
    void JournalJob(std::size_t folder, const kerfolio::JournalJob& job, const std::string& name,
                    const std::string& label, const std::string& pcId) {
        const int nameNumber = names_.OfText(folder, name);
        const int machine = names_.Machine(nameNumber);
        const DatedJob dated = DateJournalJob(job);
        const std::vector<DayPart> parts = JournalDayParts(job);
        sums_.AddParts(machine, parts.data(), parts.data() + parts.size());
        const Day started = parts.empty() ? dated.finishDay : parts.front().day;
        if (!covered || started < *covered) covered = started;
        if (!InRange(dated.finishDay)) return;
        ++report_.jobs;
        if (!earliest || started < *earliest) earliest = started;
        if (!latest || dated.finishDay > *latest) latest = dated.finishDay;
        sums_.AddJob(machine, dated);
        if (TimeRanBackwards(job)) {
            report_.problems.push_back({label, job.archivedLine, rmsg::kTimeRanBackwards});
        } else {
            learner_.Add(machine, dated, nameNumber);
        }
        if (!job.corrections.empty()) {
            std::string text = rmsg::kCorrected;
            for (std::size_t i = 0; i < job.corrections.size(); ++i)
                text += (i ? "；" : "") + job.corrections[i];
            report_.problems.push_back({label, job.archivedLine, std::move(text)});
        }
        if (request_.listJobs && job.workpiece.find(request_.workpiece) != std::string::npos) {
            const int mountToStart =
                job.mountMs ? int(std::max<std::int64_t>(0, job.startMs - *job.mountMs) / 1000) : 0;
            listedJobs.push_back({names_.Machines()[std::size_t(machine)], job.workpiece, dated, mountToStart,
                                  JournalLocalMoment(job, job.mountMs.value_or(job.startMs)),
                                  JournalLocalMoment(job, job.startMs), label, job.archivedLine});
            listedMachine.push_back(machine);
        }
        if (request_.eachJob) {
            ArchiveJob archive;
            archive.machine = name;
            archive.workpiece = job.workpiece;
            archive.mount = dated.job.mount;
            archive.start = dated.job.start;
            archive.jump = dated.job.jump;
            archive.wireBreak = dated.job.wireBreak;
            archive.finish = dated.job.finish;
            archive.amount = job.amount;
            archive.line = job.archivedLine;
            ReadJob read{folderLabels_[folder], label, job.reportLine, archive, dated, parts};
            read.journal = &job;
            read.pcId = &pcId;
            request_.eachJob(read);
        }
    }

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
    struct Counted {
        DatedJob dated;
        bool timeCounted;
    };
    // The job placed in time when it is one of the range and counts.
    std::optional<Counted> Add(int name, std::string_view workpiece, const JobFigures& job,
                               std::size_t lineNumber) {
        DatedJob dated = PlaceJob(job, date_, request_.archiveSecond);
        const bool learn = CheckTextJob(name, dated, lineNumber);
        const LinePlace place{file_, lineNumber};
        const bool inRange = InRange(dated.finishDay);
        const Day started = SplitAtMidnight(dated).begin()->day;
        if (!covered || started < *covered) covered = started;
        if (const auto first = repeats_.Repeats(name, workpiece, job, date_, place)) {
            if (inRange) Notice(lineNumber, rmsg::kRepeatOf, *first);
            return std::nullopt;
        }
        const int machine = names_.Machine(name);
        // Its time on the days it ran (the sums keep only those of the range), unless the machine was
        // busy with another job then: the job still counts, its hours would count twice.
        bool timeCounted = true;
        if (const auto other = overlaps_.Overlaps(machine, dated, place)) {
            timeCounted = false;
            if (inRange) Notice(lineNumber, rmsg::kOverlapWith, *other);
        } else if (clockParts_.empty()) {
            sums_.AddTime(machine, dated);
        } else {
            sums_.AddParts(machine, clockParts_.data(), clockParts_.data() + clockParts_.size());
        }
        if (!inRange) return std::nullopt;
        ++report_.jobs;
        // Without from the report starts on the first day a job of it ran, so the evening before the
        // first finish is not lost.
        if (!earliest || started < *earliest) earliest = started;
        if (!latest || dated.finishDay > *latest) latest = dated.finishDay;
        sums_.AddJob(machine, dated);
        if (learn) learner_.Add(machine, dated, name);
        return Counted{dated, timeCounted};
    }

    // What a text line's times of day cannot tell; false when the job must not teach the efficiency
    // advice. A clock change within the job's days gives it its real length and clockParts_.
    bool CheckTextJob(int name, DatedJob& dated, std::size_t lineNumber) {
        clockParts_.clear();
        const bool listed = listed_ && InRange(dated.finishDay);
        const JobFigures& job = dated.job;
        bool learn = true;
        if (MachiningSeconds(job.mount, job.start) + dated.machining >= kSecondsPerDay) {
            if (listed) report_.problems.push_back({*label_, lineNumber, rmsg::kUnordered});
            learn = false;
        } else if (const double efficiency = StoredEfficiency(name);
                   efficiency > 0 && job.amount / efficiency * 60.0 > kSecondsPerDay) {
            if (listed) report_.problems.push_back({*label_, lineNumber, rmsg::kLongerThanDay});
            learn = false;
        }
        ResolveClockChange(dated, lineNumber, listed);
        // A jump and a wire break open at once: the journal knows by how much, a line does not.
        if (listed && job.jump > 0 && job.wireBreak > 0 && job.jump + job.wireBreak > dated.machining)
            report_.problems.push_back({*label_, lineNumber, rmsg::kJumpAndBreakExceed});
        return learn;
    }

    // The readings of the start and finish that give a job of less than a day, the shortest taken; the
    // start may be on the finish day or, when its time is later, the day before.
    void ResolveClockChange(DatedJob& dated, std::size_t lineNumber, bool listed) {
        const JobFigures& job = dated.job;
        const Day before = dated.finishDay - std::chrono::days(1);
        if (Plain(dated.finishDay) && (job.start <= job.finish || Plain(before))) return;
        std::vector<std::int64_t> starts;
        for (const Day day : {dated.finishDay, before}) {
            if (day == before && job.start <= job.finish) break;
            const ClockReadings readings = FromClock(day, job.start);
            starts.insert(starts.end(), readings.instants, readings.instants + readings.count);
        }
        const ClockReadings finishes = FromClock(dated.finishDay, job.finish);
        std::optional<std::pair<std::int64_t, std::int64_t>> best;
        int fitting = 0;
        for (const std::int64_t start : starts) {
            for (int i = 0; i < finishes.count; ++i) {
                const std::int64_t finish = finishes.instants[i];
                if (finish < start || finish - start >= kSecondsPerDay) continue;
                ++fitting;
                if (!best || finish - start < best->second - best->first) best = {start, finish};
            }
        }
        if (fitting != 1 && listed)
            report_.problems.push_back({*label_, lineNumber, rmsg::kClockChangeUnresolved});
        if (!best) return;
        dated.machining = int(best->second - best->first);
        dated.net = std::max(0, dated.machining - job.jump - job.wireBreak);
        kerfolio::JournalJob exact;
        exact.startMs = best->first * 1000;
        exact.finishMs = best->second * 1000;
        exact.offsetS = ToLocal(best->second).offset;
        exact.jumpMs = std::int64_t(job.jump) * 1000;
        exact.breakMs = std::int64_t(job.wireBreak) * 1000;
        clockParts_ = JournalDayParts(exact);
    }

    bool Plain(Day day) {
        const auto [found, added] = plainDays_.try_emplace(day, true);
        if (added) found->second = PlainDay(day);
        return found->second;
    }

    // The stored efficiency of the record a name would carry; 0 when there is none that reads.
    double StoredEfficiency(int name) {
        if (std::size_t(name) >= efficiencies_.size()) efficiencies_.resize(std::size_t(name) + 1, -1.0);
        double& efficiency = efficiencies_[std::size_t(name)];
        if (efficiency < 0) {
            efficiency = 0;
            for (const MachineRecord& record : request_.records) {
                if (record.name != names_.RecordNames()[std::size_t(name)]) continue;
                char* end = nullptr;
                const double value = std::strtod(record.efficiency.c_str(), &end);
                if (end != record.efficiency.c_str() && value > 0) efficiency = value;
                break;
            }
        }
        return efficiency;
    }

    std::vector<DayPart> clockParts_;
    std::map<Day, bool> plainDays_;
    std::vector<double> efficiencies_;  // by name; -1 not looked up yet

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

namespace {

// How far behind the shared database is this journal, in the PC's local time of its oldest unsent event.
std::string UnsentNotice(const JournalJobs& journal) {
    const std::time_t local =
        static_cast<std::time_t>(journal.unsentSinceMs / 1000 + journal.unsentSinceOffsetS);
    std::tm fields{};
    char since[32] = "?";
    if (gmtime_r(&local, &fields)) std::strftime(since, sizeof since, "%Y-%m-%d %H:%M", &fields);
    return rmsg::kUnsentPrefix + std::to_string(journal.unsent) + rmsg::kUnsentMiddle + since +
           rmsg::kUnsentSuffix;
}

}  // namespace

Report BuildReport(const ReportRequest& request) {
    Report report;
    report.grouping = request.grouping;

    // Each journal belongs to the archive folder its PC archived into, or stands as a PC of its own:
    // the journal files given, then the shared database's PCs, read alike.
    std::vector<JournalJobs> journals(request.journals.size());
    std::vector<std::string> sourceOf;                 // where each journal's jobs are said to be read
    std::vector<std::optional<std::string>> pcNameOf;  // a server PC's name, its own label
    std::vector<std::size_t> groupOf;
    std::vector<std::filesystem::path> groups = request.folders;
    const std::int64_t fromMs = request.from ? LocalMidnight(*request.from) * 1000 : INT64_MIN / 4;
    const std::int64_t toMs =
        request.to ? LocalMidnight(*request.to + std::chrono::days(1)) * 1000 : INT64_MAX / 4;
    for (std::size_t j = 0; j < journals.size(); ++j) {
        std::string why;
        if (!ReadJournalJobs(request.journals[j], fromMs, toMs, journals[j], why)) {
            report.problems.push_back({request.journals[j].string(), 0, rmsg::kJournalUnreadable + why});
            ++report.foldersUnread;
        } else if (journals[j].unsent > 0) {
            report.notices.push_back({request.journals[j].string(), 0, UnsentNotice(journals[j])});
        }
        sourceOf.push_back(request.journals[j].string());
        pcNameOf.emplace_back();
    }
    if (request.readServer) {
        share::ServerJournals server;
        const JobRange range = JobRangeOf(fromMs, toMs);
        if (auto problem = request.readServer(range.fromMs, range.toMs, server)) {
            report.serverError = *problem;
            report.problems.push_back({"PostgreSQL", 0, rmsg::kServerUnreadable + *problem});
        }
        if (server.unregisteredPcs > 0) {
            report.notices.push_back({"PostgreSQL", 0,
                                      share::kUnregisteredPcs + std::to_string(server.unregisteredPcs) +
                                          share::kUnregisteredPcsUnit + rmsg::kUnregisteredJobsLeftOut});
        }
        for (const share::ServerPc& pc : server.pcs) {
            // Its own journal holds all the server has and what it has not been sent yet.
            if (std::any_of(journals.begin(), journals.begin() + std::ptrdiff_t(request.journals.size()),
                            [&pc](const JournalJobs& given) { return given.pcId == pc.pcId; }))
                continue;
            journals.emplace_back();
            JournalJobsFromRows(pc.rows, journals.back());
            sourceOf.push_back(pc.name);
            pcNameOf.emplace_back(pc.name);
        }
    }
    groupOf.resize(journals.size());
    for (std::size_t j = 0; j < journals.size(); ++j) {
        groupOf[j] = groups.size();
        const std::filesystem::path& archived = journals[j].archiveFolder;
        for (std::size_t f = 0; f < request.folders.size() && !archived.empty(); ++f) {
            std::error_code error;
            if (std::filesystem::equivalent(request.folders[f], archived, error) ||
                FolderName(request.folders[f]) == FolderName(archived))
                groupOf[j] = f;
        }
        if (groupOf[j] == groups.size())
            groups.push_back(pcNameOf[j] ? std::filesystem::path(*pcNameOf[j])
                                         : request.journals[j].parent_path());
    }
    std::vector<std::map<std::string, std::set<std::size_t>>> covered(request.folders.size());
    for (std::size_t j = 0; j < journals.size(); ++j) {
        if (groupOf[j] >= covered.size()) continue;
        for (auto& [file, lines] : journals[j].coveredLines)
            covered[groupOf[j]][file].insert(lines.begin(), lines.end());
    }

    std::vector<std::string> prefixes;
    std::vector<std::string> labels = FolderLabels(groups);
    for (std::size_t j = 0; j < journals.size(); ++j) {
        // A server PC on its own is known by its registered name, whatever that holds.
        if (pcNameOf[j] && groupOf[j] >= request.folders.size()) labels[groupOf[j]] = *pcNameOf[j];
    }
    prefixes.reserve(labels.size());
    for (const std::string& label : labels)
        prefixes.push_back(groups.size() > 1 ? label + "/" : std::string());
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
        // A file covers from the archive before it, the day before its date; with an archive late in
        // the evening, only minutes of that day.
        for (const ArchiveFile& file : listing.files) {
            const Day from =
                file.date - std::chrono::days(request.archiveSecond < kSecondsPerDay / 2 ? 1 : 0);
            if (!sink.covered || from < *sink.covered) sink.covered = from;
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
            const auto coveredFile = covered[folder].find(file.name);
            sink.journalLines = coveredFile == covered[folder].end() ? nullptr : &coveredFile->second;
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
    sink.journalLines = nullptr;
    for (std::size_t j = 0; j < journals.size(); ++j) {
        const std::size_t group = groupOf[j];
        for (const JournalJob& job : journals[j].jobs) {
            const auto name = journals[j].currentNames.find(job.machine);
            const std::string label = job.archivedFile.empty() || group >= request.folders.size()
                                          ? sourceOf[j]
                                          : (request.folders[group] / job.archivedFile).string();
            sink.JournalJob(
                group, job,
                name != journals[j].currentNames.end() ? name->second : "机床" + std::to_string(job.machine),
                label, journals[j].pcId);
        }
    }

    if (sink.unlisted > 0) {
        report.notices.push_back(
            {"", 0, rmsg::kMoreNotices + std::to_string(sink.unlisted) + rmsg::kMoreNoticesEnd});
    }
    if (report.jobs == 0 && !(request.from && request.to)) return report;
    report.first = request.from ? *request.from : *sink.earliest;
    report.last = request.to ? *request.to : *sink.latest;
    report.covered = std::max(report.first, sink.covered.value_or(report.first));
    const std::vector<int> order = MachineOrder(names, request.records);
    report.overview =
        sums.Whole(order, names.Machines(), report.first, report.last, report.covered, rmsg::kWholePeriod);
    if (!report.overview.empty())
        report.shop =
            sums.Shop(order, report.first, report.last, report.covered, rmsg::kWholeShop, rmsg::kWholePeriod);
    report.periods = sums.TakeRows(order, names.Machines(), report.first, report.last, report.covered);
    report.advice = learner.Advice(order, names.Machines(), names.RecordNames(), request.records);
    report.jobsListed = request.listJobs;
    report.workpiece = request.workpiece;
    if (request.listJobs) {
        std::vector<std::size_t> rank(names.Machines().size());
        for (std::size_t i = 0; i < order.size(); ++i)
            rank[std::size_t(order[i])] = i;
        std::vector<std::size_t> index(sink.listedJobs.size());
        for (std::size_t i = 0; i < index.size(); ++i)
            index[i] = i;
        const auto finish = [&](std::size_t i) {
            const DatedJob& d = sink.listedJobs[i].dated;
            return std::pair(d.finishDay, d.job.finish);
        };
        std::stable_sort(index.begin(), index.end(), [&](std::size_t a, std::size_t b) {
            return std::pair(rank[std::size_t(sink.listedMachine[a])], finish(a)) <
                   std::pair(rank[std::size_t(sink.listedMachine[b])], finish(b));
        });
        report.jobList.reserve(index.size());
        for (const std::size_t i : index)
            report.jobList.push_back(std::move(sink.listedJobs[i]));
    }
    return report;
}

}  // namespace kerfolio
