#include "app/dialogs/fixed_dialog.h"

#include <QFrame>
#include <QPushButton>

#include "app/dialogs/dialog_keys.h"
#include "app/dialogs/window_placement.h"

namespace kerfolio {

FixedDialog::FixedDialog(const QString& objectName, const QString& caption, int width, int height,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint) {
    setObjectName(objectName);
    // A window takes no font from its owner unless told to; a dialog writes in the main window's.
    setAttribute(Qt::WA_WindowPropagation);
    setWindowTitle(caption);
    setFixedSize(width, height);
    setModal(true);
}

QPushButton* FixedDialog::AddButton(const char* objectName, const QString& text, const QRect& place) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(objectName));
    button->setGeometry(place);
    return button;
}

QFrame* FixedDialog::AddBevel(const QRect& place) {
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(place);
    return bevel;
}

void FixedDialog::showEvent(QShowEvent* event) {
    CentreOnScreen(this);
    GuardDialogKeys(this);
    QDialog::showEvent(event);
    if (initialFocus_ != nullptr) initialFocus_->setFocus(Qt::OtherFocusReason);
}

}  // namespace kerfolio
