#include "app/widgets/deferred_font.h"

#include <QEvent>
#include <QWidget>

namespace kerfolio {
namespace {

class FontOnFirstShow : public QObject {
  public:
    FontOnFirstShow(QWidget* widget, const QFont& font) : QObject(widget), font_(font) {
        widget->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Show comes before the first paint, so the face is in place before anything is drawn.
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            static_cast<QWidget*>(watched)->setFont(font_);
            deleteLater();
        }
        return false;
    }

  private:
    QFont font_;
};

}  // namespace

void SetFontWhenShown(QWidget* widget, const QFont& font) {
    new FontOnFirstShow(widget, font);
}

}  // namespace kerfolio
