#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "board/job_board.h"

class QLabel;
class QLineEdit;
class QMenu;

namespace kerfolio {

// What the machine captions' context menu calls: opening(m) just before it shows for machine m,
// then at most one of the three items.
struct CaptionMenuHandlers {
    std::function<void(int machine)> opening;
    std::function<void()> estimate;         // 加工估算
    std::function<void()> cancelMachining;  // 取消加工
    std::function<void()> properties;       // 属性
};

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

    void SetCaptionMenuHandlers(CaptionMenuHandlers handlers) { menuHandlers_ = std::move(handlers); }

    // Mirrors one board change (machine, column 0 for the caption).
    void Show(const TJobBoard& board, int machine, int column);

    QLineEdit* Cell(int cell) const { return cells_.at(static_cast<std::size_t>(cell - 1)); }
    QLabel* Caption(int machine) const { return captions_.at(static_cast<std::size_t>(machine - 1)); }
    QMenu* CaptionMenu() const { return popupMenu1_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildCaptionMenu();
    bool CaptionEvent(int machine, QEvent* event);

    std::array<QLineEdit*, kCellCount> cells_{};
    std::array<QLabel*, kMachineCount> captions_{};
    std::function<void(int)> cellClick_;
    std::function<void(int)> hover_;
    QMenu* popupMenu1_ = nullptr;
    CaptionMenuHandlers menuHandlers_;
    bool captionsFocusable_ = false;
};

}  // namespace kerfolio
