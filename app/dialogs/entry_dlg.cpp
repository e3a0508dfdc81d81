#include "app/dialogs/entry_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/widgets/fonts.h"
#include "app/widgets/one_line_field.h"

namespace kerfolio {
namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(KaitiFont(16, true));
    label->move(x, y);  // fitted to its text when first shown, not at start-up
    return label;
}

}  // namespace

TOKBottomDlg2::TOKBottomDlg2(QWidget* parent)
    : FixedDialog(QStringLiteral("TOKBottomDlg2"), QStringLiteral("请输入以下信息！"), 246, 133, parent) {
    AddBevel({8, 8, 225, 81});

    // Buttons first: the focus chain starts with OK, so the dialog opens with the focus there.
    auto* ok = AddButton("OKBtn", QStringLiteral("OK"), {63, 100, 75, 25});
    ok->setDefault(true);
    SetInitialFocus(ok);
    auto* cancel = AddButton("CancelBtn", QStringLiteral("Cancel"), {143, 100, 75, 25});
    auto* nameLabel = AddLabel(this, "Label1", QStringLiteral("工件名："), 24, 24);
    auto* amountLabel = AddLabel(this, "Label2", QStringLiteral("加工量："), 24, 56);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("Edit1"));
    name_->setGeometry(96, 22, 121, 21);
    nameLabel->setBuddy(name_);
    amount_ = new QLineEdit(this);
    amount_->setObjectName(QStringLiteral("Edit2"));
    amount_->setGeometry(96, 54, 121, 21);
    amountLabel->setBuddy(amount_);
    KeepOnOneLine(name_);
    KeepOnOneLine(amount_);

    setTabOrder(ok, cancel);
    setTabOrder(cancel, name_);
    setTabOrder(name_, amount_);

    connect(ok, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOKBottomDlg2::OKBtnClick() {
    const QString name = name_->text();
    const QString amount = amount_->text();
    if (okHandler_) okHandler_(name, amount);
    name_->clear();
    amount_->clear();
}

}  // namespace kerfolio
