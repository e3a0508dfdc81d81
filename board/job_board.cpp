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

TMachineRow& TJobBoard::MutableRow(int machine) {
    return rows_[RowIndex(machine)];
}
const TMachineRow& TJobBoard::Row(int machine) const {
    return rows_[RowIndex(machine)];
}

void TJobBoard::SetCell(int machine, TEventColumn column, std::string text) {
    MutableRow(machine).cells_[ColumnIndex(column)] = std::move(text);
    ++revision_;
    if (observer_) observer_(machine, column);
}

void TJobBoard::SetCaption(int machine, std::string caption) {
    MutableRow(machine).caption_ = std::move(caption);
    if (observer_) observer_(machine, 0);
}

void TJobBoard::SetJumpTotal(int machine, std::string total) {
    MutableRow(machine).jumpTotal_ = std::move(total);
    ++revision_;
}

void TJobBoard::SetBreakTotal(int machine, std::string total) {
    MutableRow(machine).breakTotal_ = std::move(total);
    ++revision_;
}

void TJobBoard::SetWork(int machine, std::string name, std::string amount) {
    TMachineRow& row = MutableRow(machine);
    row.workName_ = std::move(name);
    row.workAmount_ = std::move(amount);
    ++revision_;
}

void TJobBoard::SetJobCount(int count) {
    jobCount_ = count;
    ++revision_;
}

void TJobBoard::ResetTotals() {
    for (auto& row : rows_) {
        row.jumpTotal_ = kZeroDuration;
        row.breakTotal_ = kZeroDuration;
    }
    jobCount_ = 0;
    ++revision_;
}

}  // namespace kerfolio
