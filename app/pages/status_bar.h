#pragma once

#include <QFrame>
#include <array>

class QLabel;

namespace kerfolio {

// Four panels: clock, board hint, an empty one, option hint. The last one reaches the right edge.
class TStatusBar : public QFrame {
    Q_OBJECT
  public:
    explicit TStatusBar(QWidget* parent);
    void SetPanelText(int panel, const QString& text);  // panel 1..4
    QString PanelText(int panel) const;

  private:
    std::array<QLabel*, 4> panels_{};
};

}  // namespace kerfolio
