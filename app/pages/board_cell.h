#pragma once

#include <QLineEdit>

namespace kerfolio {

// A board cell: a line edit with a thin grey frame (the highlight colour while it has the focus), black
// on white and no inner padding, so a full time text fits the narrow cell. Drawn by hand rather than by a
// style sheet: 42 sheets are parsed, polished and re-polished at every change of parent, and that was a good
// part of start-up.
class BoardCell : public QLineEdit {
  public:
    explicit BoardCell(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kerfolio
