#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <optional>

class QWidget;

namespace kerfolio {

// Keeps a window at its size except while it is maximised or full screen. Window managers offer
// maximising only to windows that may be resized, so the window stays resizable for them and any
// other change of size, such as a drag on the border, is undone, at the place the window had at its size.
class SizeLock : public QObject {
    Q_OBJECT
  public:
    SizeLock(QWidget* window, QSize size);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Restore();

    QWidget* window_;
    QSize size_;
    std::optional<QPoint> place_;  // where the window last was at its own size
    bool pending_ = false;
    bool leftLarge_ = false;  // just back from maximised or full screen
};

// child fills page, whatever size the page gets.
void FillWith(QWidget* page, QWidget* child);
// pages above, a status bar of fixed height below, both as wide as window.
void StackWithStatusBar(QWidget* window, QWidget* pages, QWidget* statusBar);

}  // namespace kerfolio
