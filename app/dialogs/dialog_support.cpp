#include "app/dialogs/dialog_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>

namespace kerfolio {
namespace {

class HashMaskStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '#';
        // Typed characters must never flash in clear text.
        if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle* SharedHashMaskStyle() {
    // One instance for every masked edit; the application owns it so it outlives them all.
    static QStyle* style = [] {
        auto* created = new HashMaskStyle;
        created->setParent(qApp);
        return created;
    }();
    return style;
}

}  // namespace

void MaskWithHash(QLineEdit* edit) {
    edit->setStyle(SharedHashMaskStyle());
    edit->setEchoMode(QLineEdit::Password);
}

}  // namespace kerfolio
