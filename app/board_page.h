#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "board/job_board.h"

class QLabel;
class QLineEdit;

namespace kerfolio {

// The "Wire cut" page: column headers, the six machine captions and the 42 read-only cells. It shows
// the board and reports clicks; every rule lives in the board layer.
class BoardPage : public QWidget {
    Q_OBJECT
  public:
    explicit BoardPage(QWidget* parent);

    // One handler for all 42 cells, called with the cell number 1..42.
    void SetCellClickHandler(std::function<void(int cell)> handler) { cellClick_ = std::move(handler); }
    // Pointer over cell N, or over the free background (0).
    void SetHoverHandler(std::function<void(int cell)> handler) { hover_ = std::move(handler); }

    // Mirrors one board change (machine, column 0 for the caption).
    void Show(const TJobBoard& board, int machine, int column);

    QLineEdit* Cell(int cell) const { return cells_.at(static_cast<std::size_t>(cell - 1)); }
    QLabel* Caption(int machine) const { return captions_.at(static_cast<std::size_t>(machine - 1)); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    std::array<QLineEdit*, kCellCount> cells_{};
    std::array<QLabel*, kMachineCount> captions_{};
    std::function<void(int)> cellClick_;
    std::function<void(int)> hover_;
};

}  // namespace kerfolio
