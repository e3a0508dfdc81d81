#pragma once

#include "board/job_board.h"
#include "board/stamping.h"

namespace kerfolio {

// OK of the completion dialog for CompletionMachine: counts the job, frees the machine and returns
// the job's number, the first field of the line the dialog's fields make (BuildReportLine in
// storage/report_line.h).
int CompleteJob(TJobBoard& board);

// Cancel (or the close box) of the completion dialog: the job keeps running.
void CancelCompletion(TJobBoard& board);

}  // namespace kerfolio
