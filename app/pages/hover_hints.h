#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <functional>

class QWidget;

namespace kerfolio {

// Status-bar hints that follow the mouse pointer: a control with a hint shows it, a background area
// empties it, everything else leaves the last hint in place.
class HoverHints : public QObject {
    Q_OBJECT
  public:
    explicit HoverHints(QObject* parent);

    // Called with the hint, or an empty text for a background.
    void SetHandler(std::function<void(const QString&)> handler) { handler_ = std::move(handler); }

    // Shown over the control whether it is enabled or not: a locked page still explains itself.
    void AddHint(QWidget* control, const QString& text);
    // Empties the hint over the area's own free surface, not over its children.
    void AddBackground(QWidget* area);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Show(const QString& text);

    QHash<QObject*, QString> hints_;
    QSet<QObject*> backgrounds_;
    std::function<void(const QString&)> handler_;
};

}  // namespace kerfolio
