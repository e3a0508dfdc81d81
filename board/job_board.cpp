#include "board/job_board.h"

#include <stdexcept>

namespace kerfolio {
namespace {

std::size_t RowIndex(int machine) {
    if (machine < 1 || machine > kMachineCount) throw std::out_of_range("machine number out of range");
    return static_cast<std::size_t>(machine - 1);
}

}  // namespace

TJobBoard::TJobBoard() {
    for (int m = 1; m <= kMachineCount; ++m)
        rows_[RowIndex(m)].caption_ = "机床" + std::to_string(m);
}

TMachineRow& TJobBoard::Row(int machine) {
    return rows_[RowIndex(machine)];
}
const TMachineRow& TJobBoard::Row(int machine) const {
    return rows_[RowIndex(machine)];
}

void TJobBoard::SetCell(int machine, TEventColumn column, std::string text) {
    Row(machine).cells_[ColumnIndex(column)] = std::move(text);
    ++revision_;
    if (observer_) observer_(machine, column);
}

void TJobBoard::SetCaption(int machine, std::string caption) {
    Row(machine).caption_ = std::move(caption);
    if (observer_) observer_(machine, 0);
}

void TJobBoard::ResetTotals() {
    for (auto& row : rows_) {
        row.JumpTotal = kZeroDuration;
        row.BreakTotal = kZeroDuration;
    }
    JobCount = 0;
    ++revision_;
}

}  // namespace kerfolio
