#include "board/stamping.h"

#include "board/conversion_error.h"
#include "board/messages.h"

namespace kerfolio {
namespace {

struct GuardTest {
    TEventColumn column;
    bool mustBeFilled;
    const char* refusal;
};

// Each column's guard, tested in order; the first failure refuses the click.
std::vector<GuardTest> GuardOf(TEventColumn column) {
    switch (column) {
        case ecMount:
            return {{ecMount, false, msg::kAlreadyMounted}};
        case ecStart:
            return {{ecMount, true, msg::kNotMounted}, {ecStart, false, msg::kAlreadyMachining}};
        case ecJumpStart:
            return {{ecStart, true, msg::kNotMachining}, {ecJumpStart, false, msg::kJumpOpen}};
        case ecJumpEnd:
            return {{ecJumpStart, true, msg::kNoJump}};
        case ecBreakStart:
            return {{ecStart, true, msg::kNotMachining}, {ecBreakStart, false, msg::kBreakOpen}};
        case ecBreakEnd:
            return {{ecBreakStart, true, msg::kNoBreak}};
        case ecUnmount:
            break;
    }
    return {};
}

ClickOutcome ClickUnmount(TJobBoard& board, int machine, TDateTime now) {
    const TMachineRow& row = board.Row(machine);
    ClickOutcome outcome;
    // All three tests run, so one click can show two or three messages.
    if (row.IsEmpty(ecStart)) outcome.messages.push_back(msg::kUnmountIdle);
    if (!row.IsEmpty(ecJumpStart)) outcome.messages.push_back(msg::kUnmountJumping);
    if (!row.IsEmpty(ecBreakStart)) outcome.messages.push_back(msg::kUnmountBreaking);
    if (!outcome.messages.empty()) return outcome;

    board.SetPendingEvent({.EventTime = now, .CompletionMachine = machine});
    board.SetCell(machine, ecUnmount, FormatTimeText(now));
    outcome.completion =
        CompletionFields{row.Caption(),   row.WorkName(),   row.Cell(ecMount),   row.Cell(ecStart),
                         row.JumpTotal(), row.BreakTotal(), row.Cell(ecUnmount), row.WorkAmount()};
    return outcome;
}

// Closes an open jump or wire break into its total. The end cell is written first and stays when the
// start or total does not read as a time.
std::string EndInterval(TJobBoard& board, int machine, TEventColumn startColumn, TEventColumn endColumn,
                        const std::string& (TMachineRow::*total)() const,
                        void (TJobBoard::*setTotal)(int, std::string)) {
    board.SetCell(machine, endColumn, FormatTimeText(board.EventTime()));
    const TMachineRow& row = board.Row(machine);
    try {
        (board.*setTotal)(machine, AddInterval((row.*total)(), row.Cell(startColumn), row.Cell(endColumn)));
    } catch (const ConversionError& error) {
        return error.what();
    }
    board.SetCell(machine, startColumn, "");
    board.SetCell(machine, endColumn, "");
    return {};
}

void CancelMachining(TJobBoard& board, int machine) {
    for (const TEventColumn column : {ecMount, ecStart, ecJumpStart, ecBreakStart}) {
        board.SetCell(machine, column, "");
    }
    board.SetWork(machine, "", "");
}

}  // namespace

ClickOutcome ClickCell(TJobBoard& board, int cell, TDateTime now) {
    const int machine = MachineOfCell(cell);
    const TEventColumn column = ColumnOfCell(cell);
    if (column == ecUnmount) return ClickUnmount(board, machine, now);

    ClickOutcome outcome;
    const TMachineRow& row = board.Row(machine);
    for (const GuardTest& test : GuardOf(column)) {
        if (row.IsEmpty(test.column) == test.mustBeFilled) {
            outcome.messages.push_back(test.refusal);
            return outcome;
        }
    }
    board.SetPendingEvent(
        {.EventCode = cell, .EventTime = now, .EntryMachine = column == ecStart ? machine : 0});
    outcome.confirmation =
        ConfirmationTexts{column == ecBreakEnd ? msg::kConfirmQuestionColon : msg::kConfirmQuestion,
                          "  " + row.Caption() + msg::kEventPhrases[column - 1] + FormatTimeText(now)};
    return outcome;
}

ConfirmOutcome ConfirmPendingEvent(TJobBoard& board) {
    const int code = board.EventCode();
    ConfirmOutcome outcome;
    if (code >= 51 && code <= 50 + kMachineCount) {
        CancelMachining(board, code - 50);
        return outcome;
    }
    if (code < 1 || code > kCellCount) return outcome;
    const int machine = MachineOfCell(code);
    switch (ColumnOfCell(code)) {
        case ecMount:
        case ecJumpStart:
        case ecBreakStart:
            board.SetCell(machine, ColumnOfCell(code), FormatTimeText(board.EventTime()));
            break;
        case ecStart:
            outcome.openEntry = true;
            break;
        case ecJumpEnd:
            outcome.error = EndInterval(board, machine, ecJumpStart, ecJumpEnd, &TMachineRow::JumpTotal,
                                        &TJobBoard::SetJumpTotal);
            break;
        case ecBreakEnd:
            outcome.error = EndInterval(board, machine, ecBreakStart, ecBreakEnd, &TMachineRow::BreakTotal,
                                        &TJobBoard::SetBreakTotal);
            break;
        case ecUnmount:
            break;  // the unmount column never leaves a pending event
    }
    return outcome;
}

void TargetMachine(TJobBoard& board, int machine) {
    board.SetPendingEvent({.EventCode = 50 + machine});
}

std::optional<ConfirmationTexts> PrepareCancelMachining(const TJobBoard& board) {
    const int machine = board.EventCode() - 50;
    if (machine < 1 || machine > kMachineCount) return std::nullopt;
    return ConfirmationTexts{msg::kDeleteQuestion, "      " + board.Caption(machine) + msg::kInProcessData};
}

}  // namespace kerfolio
