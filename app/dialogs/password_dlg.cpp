#include "app/dialogs/password_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/dialog_support.h"
#include "app/widgets/deferred_font.h"
#include "app/widgets/fixed_colours.h"
#include "app/widgets/fonts.h"
#include "app/widgets/one_line_field.h"
#include "storage/data_folder.h"
#include "storage/password_rules.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

}  // namespace

TPasswordDlg::TPasswordDlg(std::filesystem::path dataFolder, QWidget* parent)
    : FixedDialog(QStringLiteral("TPasswordDlg"), QStringLiteral("身份验证！"), 233, 93, parent),
      dataFolder_(std::move(dataFolder)),
      passwordMode_(kStartupPasswordMode) {
    const QFont bold = Bold(font());

    label1_ = new QLabel(QStringLiteral("Enter password:"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setFont(bold);
    label1_->move(8, 9);  // fitted to its text when first shown, not at start-up

    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("Password"));
    SetFontWhenShown(password_, bold);
    password_->setGeometry(8, 27, 217, 21);
    label1_->setBuddy(password_);  // a screen reader announces the field by its label
    FixColours(password_, DesktopColour(), Qt::white);
    MaskWithHash(password_);
    KeepOnOneLine(password_);  // pasted the way the password change takes it

    okBtn_ = AddButton("OKBtn", QStringLiteral("OK"), {70, 59, 75, 25});
    SetFontWhenShown(okBtn_, bold);
    okBtn_->setDefault(true);
    connect(okBtn_, &QPushButton::clicked, this, [this] { OKBtnClick(); });

    // Cancel, Esc and the close box all reject without touching the field.
    cancelBtn_ = AddButton("CancelBtn", QStringLiteral("Cancel"), {150, 59, 75, 25});
    SetFontWhenShown(cancelBtn_, bold);
    connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::reject);

    SetInitialFocus(password_);
    setTabOrder(password_, okBtn_);
    setTabOrder(okBtn_, cancelBtn_);
}

void TPasswordDlg::SetActions(std::function<void()> startupRejected, std::function<void()> unlockAccepted) {
    startupRejected_ = std::move(startupRejected);
    unlockAccepted_ = std::move(unlockAccepted);
}

void TPasswordDlg::OKBtnClick() {
    // Read afresh every time, so a password changed on the page or in the file counts at once.
    const SettingsFile settings(SettingsPath(dataFolder_));
    const std::string stored = settings.Read(kPasswordSection, kPasswordKey, kDefaultPassword);
    const PromptOutcome outcome = JudgePrompt(passwordMode_, stored, password_->text().toStdString());
    password_->clear();
    accept();
    // Acting after the prompt has gone keeps a closing main window from racing the dialog's own loop.
    if (outcome == PromptOutcome::CloseProgram && startupRejected_) startupRejected_();
    if (outcome == PromptOutcome::UnlockOptions && unlockAccepted_) unlockAccepted_();
}

}  // namespace kerfolio
