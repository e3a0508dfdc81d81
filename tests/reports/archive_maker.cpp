#include "archive_maker.h"

#include <gtest/gtest.h>

#include "board/completion.h"
#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "storage/daily_archive.h"
#include "storage/gbk.h"
#include "storage/report_line.h"

namespace kerfolio::testing {

void SimulatedWorkshop::Click(int machine, TEventColumn column, long second) {
    const TDateTime now = 45'000.0 + double(second) / 86'400.0;
    const ClickOutcome outcome = ClickCell(board_, CellNumber(machine, column), now);
    ASSERT_TRUE(outcome.messages.empty()) << outcome.messages.front();
    if (outcome.completion) {
        notePad_.push_back(BuildReportLine(CompleteJob(board_), *outcome.completion));
        return;
    }
    ASSERT_TRUE(outcome.confirmation);
    const ConfirmOutcome confirmed = ConfirmPendingEvent(board_);
    ASSERT_TRUE(confirmed.error.empty()) << confirmed.error;
    ASSERT_EQ(confirmed.openEntry, column == ecStart);
}

void SimulatedWorkshop::Run(const SimulatedJob& job) {
    Click(job.machine, ecMount, job.mount);
    Click(job.machine, ecStart, job.start);
    ASSERT_FALSE(ApplyWorkpieceEntry(board_, job.name, job.amount));
    for (const auto& [from, to] : job.jumps) {
        Click(job.machine, ecJumpStart, from);
        Click(job.machine, ecJumpEnd, to);
    }
    for (const auto& [from, to] : job.breaks) {
        Click(job.machine, ecBreakStart, from);
        Click(job.machine, ecBreakEnd, to);
    }
    Click(job.machine, ecUnmount, job.finish);
}

void SimulatedWorkshop::Archive(const std::filesystem::path& file) {
    std::string text;
    for (const std::string& line : notePad_)
        text += (text.empty() ? "" : "\n") + line;
    ASSERT_EQ(AppendToArchive(file, text), std::nullopt);
    notePad_.clear();
    board_.SetJobCount(0);
}

std::string Line(const std::string& machine, const std::string& workpiece, const std::string& finish,
                 const std::string& amount) {
    return ToGbk(
        BuildReportLine(7, {machine, workpiece, "8:00:00", "8:10:00", "0:10:00", "0:00:00", finish, amount}));
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace kerfolio::testing
