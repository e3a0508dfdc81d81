#include "reports/dated_job.h"

#include <algorithm>
#include <cmath>

namespace kerfolio {

Day FinishDay(Day fileDate, int archiveSecond, int finishSecond) {
    return finishSecond > archiveSecond ? fileDate - std::chrono::days(1) : fileDate;
}

int MachiningSeconds(int startSecond, int finishSecond) {
    return finishSecond >= startSecond ? finishSecond - startSecond
                                       : finishSecond + kSecondsPerDay - startSecond;
}

DatedJob PlaceJob(const JobFigures& job, Day fileDate, int archiveSecond) {
    DatedJob dated;
    dated.job = job;
    dated.finishDay = FinishDay(fileDate, archiveSecond, job.finish);
    dated.machining = MachiningSeconds(job.start, job.finish);
    dated.net = std::max(0, dated.machining - job.jump - job.wireBreak);
    return dated;
}

DayParts SplitAtMidnight(const DatedJob& dated) {
    const int onFinishDay = std::min(dated.machining, dated.job.finish);
    const int before = dated.machining - onFinishDay;
    const auto part = [&](Day day, int seconds, int jumpShare, int breakShare) {
        return DayPart{day, seconds, jumpShare, breakShare, std::max(0, seconds - jumpShare - breakShare)};
    };
    if (before == 0)
        return {{part(dated.finishDay, dated.machining, dated.job.jump, dated.job.wireBreak)}, 1};
    // Finished at midnight exactly: all of it was the day before.
    if (onFinishDay == 0)
        return {{part(dated.finishDay - std::chrono::days(1), before, dated.job.jump, dated.job.wireBreak)},
                1};
    const auto share = [&](int total) {
        return int(std::llround(double(total) * double(before) / double(dated.machining)));
    };
    const int jumpBefore = share(dated.job.jump), breakBefore = share(dated.job.wireBreak);
    DayParts parts;
    parts.parts = {
        part(dated.finishDay - std::chrono::days(1), before, jumpBefore, breakBefore),
        part(dated.finishDay, onFinishDay, dated.job.jump - jumpBefore, dated.job.wireBreak - breakBefore)};
    parts.count = 2;
    return parts;
}

}  // namespace kerfolio
