#include "app/dialogs/confirm_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/widgets/fixed_colours.h"
#include "app/widgets/fonts.h"

namespace kerfolio {

TOKBottomDlg::TOKBottomDlg(QWidget* parent)
    : FixedDialog(QStringLiteral("TOKBottomDlg"), QStringLiteral("信息确认！"), 249, 91, parent) {
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(0, 0, 249, 20);
    label1_->setFont(KaitiFont(19, true));
    FixColours(label1_, DesktopColour(), LightGround());

    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setGeometry(8, 28, 233, 20);
    label2_->setTextFormat(Qt::PlainText);  // it carries the machine's name as typed
    label2_->setFont(KaitiFont(14, true));
    // A pure red reads at less than 4.5:1 on any light ground; this one still looks red and reads.
    FixColours(label2_, QColor(0xC0, 0x00, 0x00), LightGround());

    auto* ok = AddButton("OKBtn", QStringLiteral("OK"), {55, 60, 75, 25});
    ok->setDefault(true);
    SetInitialFocus(ok);
    auto* cancel = AddButton("CancelBtn", QStringLiteral("Cancel"), {143, 60, 75, 25});
    setTabOrder(ok, cancel);

    connect(ok, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Esc and the close box go through reject too; emptying the lines is all Cancel does.
    connect(this, &QDialog::rejected, this, &TOKBottomDlg::CancelBtnClick);
}

void TOKBottomDlg::SetLines(const QString& question, const QString& eventLine) {
    label1_->setText(question);
    label2_->setText(eventLine);
}

QString TOKBottomDlg::Question() const {
    return label1_->text();
}
QString TOKBottomDlg::EventLine() const {
    return label2_->text();
}

void TOKBottomDlg::OKBtnClick() {
    if (okHandler_) okHandler_();
}

void TOKBottomDlg::CancelBtnClick() {
    SetLines(QString(), QString());
}

}  // namespace kerfolio
