#include "app/fixed_dialog.h"

#include <QGuiApplication>
#include <QScreen>

namespace kerfolio {

FixedDialog::FixedDialog(const QString& objectName, const QString& caption, int width, int height,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(width, height);
    setModal(true);
}

void FixedDialog::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
    if (initialFocus_ != nullptr) initialFocus_->setFocus(Qt::OtherFocusReason);
}

}  // namespace kerfolio
