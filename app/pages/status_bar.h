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
    // A text with more to say when the pointer rests on it (a whole file path).
    void SetPanelNote(int panel, const QString& text, const QString& more);

  private:
    std::array<QLabel*, 4> panels_{};
};

}  // namespace kerfolio
