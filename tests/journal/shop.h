#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "board/completion.h"
#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "journal/board_events.h"
#include "journal/journal.h"
#include "journal/journal_schema.h"
#include "storage/report_line.h"
#include "tests/journal/journal_test_support.h"

namespace kerfolio::journal::testing {

// The board's rules with the journal beside them, as the window drives both.
struct Shop {
    explicit Shop(const std::filesystem::path& folder) : journal(folder) {
        for (int m = 1; m <= kMachineCount; ++m)
            board.SetCaption(m, "机床" + std::to_string(m));
    }
    void Click(int machine, TEventColumn column, Stamp stamp, const std::string& name = "",
               const std::string& amount = "") {
        const ClickOutcome outcome = ClickCell(board, CellNumber(machine, column), LocalDateTime(stamp));
        ASSERT_TRUE(outcome.confirmation) << "refused: " << column;
        if (ConfirmPendingEvent(board).openEntry) {
            ASSERT_FALSE(ApplyWorkpieceEntry(board, name, amount));
        }
        if (record) journal.Append(ColumnEvent(board, machine, column, stamp));
    }
    void Finish(int machine, Stamp stamp, std::optional<CompletionFields> corrected = {}) {
        const ClickOutcome outcome = ClickCell(board, CellNumber(machine, ecUnmount), LocalDateTime(stamp));
        ASSERT_TRUE(outcome.completion);
        const CompletionFields confirmed = corrected.value_or(*outcome.completion);
        const std::string line = BuildReportLine(CompleteJob(board), confirmed);
        if (!notePad.empty()) notePad += '\n';
        notePad += line;
        if (record) {
            journal.AppendCompleted(MachineEvent(kind::kCompleted, board, machine, stamp),
                                    {board.JobCount(), line, *outcome.completion, confirmed});
        }
    }
    void Job(int machine, Stamp mount, std::int64_t minutes, const std::string& name) {
        Click(machine, ecMount, mount);
        Click(machine, ecStart, {mount.utcMs + kMinute, mount.offsetS}, name, "900");
        Finish(machine, {mount.utcMs + minutes * kMinute, mount.offsetS});
    }
    // Step i of a long day on six machines: exactly one confirmed event, chosen by the machine's state.
    void Step(int i) {
        const int machine = i % kMachineCount + 1;
        const Stamp stamp{1'780'000'000'000 + std::int64_t{i} * kMinute, 8 * 3600};
        const TMachineRow& row = board.Row(machine);
        if (row.IsEmpty(ecMount)) {
            Click(machine, ecMount, stamp);
        } else if (row.IsEmpty(ecStart)) {
            Click(machine, ecStart, stamp, "件" + std::to_string(i), std::to_string(100 + i));
        } else if (!row.IsEmpty(ecJumpStart)) {
            Click(machine, ecJumpEnd, stamp);
        } else if (i / kMachineCount % 4 == 2) {
            Click(machine, ecJumpStart, stamp);
        } else {
            Finish(machine, stamp);
        }
    }
    TJobBoard board;
    std::string notePad;
    Journal journal;
    bool record = true;  // false: the board alone, as the uninterrupted run to compare with
};

}  // namespace kerfolio::journal::testing
