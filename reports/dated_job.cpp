#include "reports/dated_job.h"

#include <algorithm>

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

}  // namespace kerfolio
