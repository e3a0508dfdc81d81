#include "app/dialogs/completion_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/widgets/fonts.h"
#include "app/widgets/one_line_field.h"
#include "board/messages.h"

namespace kerfolio {

TOKBottomDlg1::TOKBottomDlg1(QWidget* parent)
    : FixedDialog(QStringLiteral("TOKBottomDlg1"), QStringLiteral("信息确认！(加工完毕)"), 223, 259, parent) {
    AddBevel({8, 8, 209, 209});

    auto* ok = AddButton("OKBtn", QStringLiteral("OK"), {39, 228, 75, 25});
    ok->setDefault(true);
    SetInitialFocus(ok);
    auto* cancel = AddButton("CancelBtn", QStringLiteral("Cancel"), {127, 228, 75, 25});
    setTabOrder(ok, cancel);

    QWidget* previous = cancel;
    for (int i = 0; i < 8; ++i) {
        const int y = 16 + 24 * i;
        auto* label = new QLabel(QString::fromUtf8(msg::kCompletionLabels[i]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setFont(KaitiFont(19, true));
        // Right ends line up near x 110. Left unsized: the first showing fits it to its text, so
        // its font is not loaded at start-up for a dialog that may not open today.
        label->move(i == 0 ? 56 : i == 7 ? 37 : 16, y);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        edit->setGeometry(128, y, 81, 21);
        label->setBuddy(edit);
        KeepOnOneLine(edit);
        setTabOrder(previous, edit);
        previous = edit;
        edits_[static_cast<std::size_t>(i)] = edit;
    }

    connect(ok, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &TOKBottomDlg1::reject);
}

void TOKBottomDlg1::SetFields(const CompletionFields& fields) {
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        edits_[i]->setText(QString::fromStdString(fields[i]));
        edits_[i]->setCursorPosition(0);
    }
}

CompletionFields TOKBottomDlg1::Fields() const {
    CompletionFields fields;
    for (std::size_t i = 0; i < edits_.size(); ++i)
        fields[i] = edits_[i]->text().toStdString();
    return fields;
}

void TOKBottomDlg1::OKBtnClick() {
    if (okHandler_) okHandler_(Fields());
}

void TOKBottomDlg1::CancelBtnClick() {
    if (cancelHandler_) cancelHandler_();
}

void TOKBottomDlg1::reject() {
    CancelBtnClick();
    FixedDialog::reject();
}

}  // namespace kerfolio
