#pragma once

#include <string>

#include "board/job_board.h"
#include "board/stamping.h"

namespace kerfolio {

// The NotePad line of a finished job: number, then each label followed by its field.
std::string BuildReportLine(int number, const CompletionFields& fields);

// OK of the completion dialog for CompletionMachine: counts the job, frees the machine and returns
// the report line to append to the NotePad.
std::string CompleteJob(TJobBoard& board, const CompletionFields& fields);

// Cancel (or the close box) of the completion dialog: the job keeps running.
void CancelCompletion(TJobBoard& board);

}  // namespace kerfolio
