#include "app/dialogs/params_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/widgets/fonts.h"
#include "app/widgets/gbk_limit.h"
#include "app/widgets/one_line_field.h"

namespace kerfolio {
namespace {

constexpr int kNameBytes = 7;
constexpr int kEfficiencyBytes = 3;
constexpr const char* kLabels[] = {"机床:", "型号:", "行程:", "锥度:", "公差:", "效率:", "备注:"};

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TOKBottomDlg4::TOKBottomDlg4(QWidget* parent)
    : FixedDialog(QStringLiteral("TOKBottomDlg4"), QStringLiteral("机床参数"), 205, 221, parent) {
    AddBevel({8, 8, 193, 180});

    // Buttons first: the focus chain starts with 修改, then 关闭, then the fields top to bottom.
    auto* ok = AddButton("OKBtn", QStringLiteral("修改"), {31, 192, 75, 25});
    ok->setDefault(true);
    SetInitialFocus(ok);
    auto* cancel = AddButton("CancelBtn", QStringLiteral("关闭"), {111, 192, 75, 25});
    setTabOrder(ok, cancel);

    QWidget* previous = cancel;
    for (int i = 0; i < 7; ++i) {
        const int top = 16 + 24 * i;
        auto* label = new QLabel(QString::fromUtf8(kLabels[i]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setFont(KaitiFont(19, true));
        // Fitted to its text when first shown: measuring now would load the regular-script face,
        // a large one, at every start for a dialog few runs open.
        label->move(16, top);

        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        edit->setGeometry(72, top, i == 5 ? 25 : 121, 21);
        label->setBuddy(edit);
        KeepOnOneLine(edit);
        setTabOrder(previous, edit);
        previous = edit;
        edits_[static_cast<std::size_t>(i)] = edit;
    }
    // Every field keeps to what the file can hold; the name and the efficiency also to their length.
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const int maxBytes = i == 0 ? kNameBytes : i == 5 ? kEfficiencyBytes : GbkByteLimit::kNoLimit;
        limits_[i] = new GbkByteLimit(edits_[i], maxBytes);
    }

    auto* unit = new QLabel(QStringLiteral("平方mm每分钟"), this);
    unit->setObjectName(QStringLiteral("Label8"));
    unit->setFont(SongtiFont(13));
    unit->move(98, 140);  // fitted to its text when first shown, not at start-up
    edits_[5]->setAccessibleDescription(unit->text());

    connect(ok, &QPushButton::clicked, this, [this] {
        if (OKBtnClick()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOKBottomDlg4::SetRecord(const TMachineParams& params) {
    const auto fields = params.Fields();
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        limits_[i]->SetTextUncut(FromStd(*fields[i]));
        edits_[i]->setCursorPosition(0);
    }
}

TMachineParams TOKBottomDlg4::Record() const {
    TMachineParams params;
    const auto fields = params.Fields();
    for (std::size_t i = 0; i < edits_.size(); ++i)
        *fields[i] = edits_[i]->text().toStdString();
    return params;
}

bool TOKBottomDlg4::OKBtnClick() {
    return !store_ || store_(Record());
}

}  // namespace kerfolio
