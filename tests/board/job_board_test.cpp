#include "board/job_board.h"

#include <gtest/gtest.h>

#include <functional>

namespace kerfolio {
namespace {

// A close asks to save only when the revision moved: every change a snapshot holds must move it.
TEST(JobBoard, EveryChangeASnapshotHoldsIsUnsavedWork) {
    const struct {
        const char* what;
        std::function<void(TJobBoard&)> change;
    } cases[] = {
        {"cell", [](TJobBoard& b) { b.SetCell(2, ecMount, "8:00:00"); }},
        {"jump total", [](TJobBoard& b) { b.SetJumpTotal(2, "0:10:00"); }},
        {"break total", [](TJobBoard& b) { b.SetBreakTotal(2, "0:01:00"); }},
        {"workpiece", [](TJobBoard& b) { b.SetWork(2, "凹模", "1500"); }},
        {"job counter", [](TJobBoard& b) { b.SetJobCount(3); }},
        {"totals reset", [](TJobBoard& b) { b.ResetTotals(); }},
        {"NotePad", [](TJobBoard& b) { b.MarkChanged(); }},
    };
    for (const auto& c : cases) {
        TJobBoard board;
        const auto before = board.Revision();
        c.change(board);
        EXPECT_GT(board.Revision(), before) << c.what;
    }
}

}  // namespace
}  // namespace kerfolio
