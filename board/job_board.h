#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "board/time_text.h"

namespace kerfolio {

constexpr int kMachineCount = 6;
constexpr int kColumnCount = 7;
constexpr int kCellCount = kMachineCount * kColumnCount;
inline constexpr char kZeroDuration[] = "0:00:00";

// The seven event columns, left to right.
enum TEventColumn : int {
    ecMount = 1,
    ecStart,
    ecJumpStart,
    ecJumpEnd,
    ecBreakStart,
    ecBreakEnd,
    ecUnmount,
};

// Cell N (1..42) is machine (N-1)/7+1, column (N-1)%7+1; the same number names the Edit control.
constexpr int CellNumber(int machine, TEventColumn column) {
    return (machine - 1) * kColumnCount + column;
}
constexpr int MachineOfCell(int cell) {
    return (cell - 1) / kColumnCount + 1;
}
constexpr TEventColumn ColumnOfCell(int cell) {
    return TEventColumn((cell - 1) % kColumnCount + 1);
}
// Where machine 1..6 or column 1..7 sits in an array of six or seven; the caller has the number in range.
constexpr std::size_t MachineIndex(int machine) {
    return static_cast<std::size_t>(machine - 1);
}
constexpr std::size_t ColumnIndex(TEventColumn column) {
    return static_cast<std::size_t>(column - 1);
}

class TMachineRow {
  public:
    const std::string& Caption() const { return caption_; }
    const std::string& Cell(TEventColumn column) const { return cells_[ColumnIndex(column)]; }
    bool IsEmpty(TEventColumn column) const { return Cell(column).empty(); }
    // Not shown on the board: the jumps and wire breaks closed so far, and the job's workpiece.
    const std::string& JumpTotal() const { return jumpTotal_; }
    const std::string& BreakTotal() const { return breakTotal_; }
    const std::string& WorkName() const { return workName_; }
    const std::string& WorkAmount() const { return workAmount_; }

  private:
    friend class TJobBoard;
    std::string caption_;
    std::array<std::string, kColumnCount> cells_;
    std::string jumpTotal_ = kZeroDuration;
    std::string breakTotal_ = kZeroDuration;
    std::string workName_;
    std::string workAmount_;
};

// The pending-event record: what the dialog now open answers, 0 everywhere when none is. EventCode is
// the clicked cell (1..42) or the caption menu's machine + 50 (51..56); EventTime the moment of the
// click; EntryMachine the machine whose start waits for its workpiece; CompletionMachine the machine
// whose unmount waits for the completion dialog.
struct TPendingEvent {
    int EventCode = 0;
    TDateTime EventTime = 0;
    int EntryMachine = 0;
    int CompletionMachine = 0;
};

// The job board: six machine rows, the job counter and the pending-event record. Everything is written
// only through the board, so the one observer sees every change to cells and captions at once and
// Revision() grows with every change a snapshot holds.
class TJobBoard {
  public:
    // column 0 means the caption changed, 1..7 the cell of that column.
    using Observer = std::function<void(int machine, int column)>;

    TJobBoard();

    void SetObserver(Observer observer) { observer_ = std::move(observer); }

    const TMachineRow& Row(int machine) const;

    const std::string& Cell(int machine, TEventColumn column) const { return Row(machine).Cell(column); }
    void SetCell(int machine, TEventColumn column, std::string text);
    const std::string& Caption(int machine) const { return Row(machine).Caption(); }
    void SetCaption(int machine, std::string caption);
    void SetJumpTotal(int machine, std::string total);
    void SetBreakTotal(int machine, std::string total);
    void SetWork(int machine, std::string name, std::string amount);

    int JobCount() const { return jobCount_; }
    void SetJobCount(int count);

    // Totals to "0:00:00" and the counter to 0, as at start-up.
    void ResetTotals();

    // Grows with every change to the rows and the counter and, through MarkChanged, to whatever else a
    // snapshot holds (the NotePad lives in its widget), so a close can tell whether there is unsaved work.
    std::uint64_t Revision() const { return revision_; }
    void MarkChanged() { ++revision_; }

    int EventCode() const { return pending_.EventCode; }
    TDateTime EventTime() const { return pending_.EventTime; }
    int EntryMachine() const { return pending_.EntryMachine; }
    int CompletionMachine() const { return pending_.CompletionMachine; }
    // A click or the caption menu names the whole record, so nothing of an earlier one survives; the
    // screen clears it once the dialog has answered, so no later dialog can act on an old click.
    void SetPendingEvent(const TPendingEvent& pending) { pending_ = pending; }
    void ClearPendingEvent() { pending_ = {}; }

  private:
    TMachineRow& MutableRow(int machine);

    std::array<TMachineRow, kMachineCount> rows_;
    int jobCount_ = 0;
    TPendingEvent pending_;
    Observer observer_;
    std::uint64_t revision_ = 0;
};

}  // namespace kerfolio
