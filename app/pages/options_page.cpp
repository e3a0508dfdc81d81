#include "app/pages/options_page.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <cmath>
#include <system_error>

#include "app/dialogs/dialog_support.h"
#include "app/dialogs/folder_dlg.h"
#include "app/dialogs/password_dlg.h"
#include "app/messages.h"
#include "app/pages/hover_hints.h"
#include "app/widgets/deferred_font.h"
#include "app/widgets/one_line_field.h"
#include "app/widgets/time_field.h"
#include "board/conversion_error.h"
#include "board/time_text.h"
#include "storage/data_folder.h"
#include "storage/flags.h"
#include "storage/password_rules.h"
#include "storage/profile_text.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

using save_ini::kFolderDefault, save_ini::kFolderKey, save_ini::kFolderSection;
using save_ini::kTimeDefault, save_ini::kTimeKey, save_ini::kTimeSection;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

template <typename W>
W* Place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title, int x, int y, int w, int h) {
    return Place(new QGroupBox(title, parent), name, x, y, w, h);
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    return Place(new QCheckBox(text, parent), name, x, y, w, h);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* button = Place(new QPushButton(text, parent), name, x, y, w, h);
    button->setAutoDefault(false);
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(x, y);  // fitted to its text when first shown, not at start-up
    return label;
}

void NameWithGroup(QAbstractButton* button, const QString& group) {
    button->setAccessibleName(QStringLiteral("%1（%2）").arg(button->text(), group));
}

QTime ToTime(TDateTime value) {
    return QTime::fromMSecsSinceStartOfDay(int(std::llround(value * kMsPerDay)) % int(kMsPerDay));
}

TDateTime FromTime(QTime time) {
    return time.msecsSinceStartOfDay() / kMsPerDay;
}

// The archive folder as first written: the data folder with its trailing separator.
std::string FolderWithSeparator(const std::filesystem::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != std::filesystem::path::preferred_separator) {
        text += std::filesystem::path::preferred_separator;
    }
    return text;
}

}  // namespace

OptionsPage::OptionsPage(const std::filesystem::path& dataFolder, Messages& messages, TPasswordDlg& password,
                         TOKBottomDlg3& folders, OptionsHooks hooks, QWidget* parent)
    : QWidget(parent),
      dataFolder_(dataFolder),
      messages_(messages),
      password_(password),
      folders_(folders),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("TabSheet3"));
    BuildLayout();
    lockable_ = {checkBox1_,       checkBox2_, checkBox3_, checkBox4_, checkBox5_, edit43_,
                 dateTimePicker1_, button1_,   button2_,   button3_,   bitBtn1_};
    // Locked from the start, without writing anything.
    for (QWidget* control : lockable_)
        control->setEnabled(false);
    bitBtn2_->setEnabled(true);

    connect(checkBox3_, &QCheckBox::toggled, this, [this](bool checked) { CheckBox3Click(checked); });
    connect(bitBtn1_, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(bitBtn2_, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(bitBtn3_, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(button2_, &QPushButton::clicked, this, [this] {
        if (hooks_.saveNow) hooks_.saveNow();
    });
    connect(button3_, &QPushButton::clicked, this, [this] {
        if (hooks_.loadNow) hooks_.loadNow();
    });
}

void OptionsPage::BuildLayout() {
    QGroupBox* group1 = Group(this, "GroupBox1", QStringLiteral("Wire cut 数据临时存档项"), 0, 0, 185, 57);
    checkBox1_ = Check(group1, "CheckBox1", QStringLiteral("定时存档"), 16, 16, 73, 17);
    checkBox2_ = Check(group1, "CheckBox2", QStringLiteral("自动调入"), 16, 32, 73, 17);
    button2_ = Button(group1, "Button2", QStringLiteral("现在保存"), 104, 15, 57, 17);
    button3_ = Button(group1, "Button3", QStringLiteral("现在调入"), 104, 33, 57, 17);

    QGroupBox* group2 = Group(this, "GroupBox2", QStringLiteral("NotePad 每天定时存档项"), 0, 56, 185, 113);
    checkBox3_ = Check(group2, "CheckBox3", QStringLiteral("定时存档"), 16, 16, 73, 17);
    QLabel* timeLabel = Label(group2, "Label9", QStringLiteral("存档时间："), 16, 45);
    dateTimePicker1_ = Place(new TimeField(group2), "DateTimePicker1", 80, 40, 73, 20);
    dateTimePicker1_->setDisplayFormat(QStringLiteral("H:mm:ss"));
    dateTimePicker1_->setTime(QTime(0, 0, 0));
    // A field is announced by its label; without one, by its group's title, which two fields share.
    timeLabel->setBuddy(dateTimePicker1_);
    QLabel* folderLabel = Label(group2, "Label8", QStringLiteral("请输入存档路径："), 16, 64);
    edit43_ = Place(new QLineEdit(group2), "Edit43", 16, 80, 105, 21);
    folderLabel->setBuddy(edit43_);
    KeepOnOneLine(edit43_);
    button1_ = Button(group2, "Button1", QStringLiteral("选择"), 128, 80, 49, 21);

    QGroupBox* group4 = Group(this, "GroupBox4", QStringLiteral("密码输入项"), 192, 0, 121, 57);
    checkBox4_ = Check(group4, "CheckBox4", QStringLiteral("程序启动密码"), 16, 16, 97, 17);
    checkBox5_ = Check(group4, "CheckBox5", QStringLiteral("参数修改密码"), 16, 32, 97, 17);

    QGroupBox* group5 = Group(this, "GroupBox5", QStringLiteral("密码修改项"), 192, 56, 225, 105);
    QLabel* oldLabel = Label(group5, "Label10", QStringLiteral("旧密码："), 16, 24);
    QLabel* newLabel = Label(group5, "Label12", QStringLiteral("新密码："), 16, 48);
    QFont bold = font();
    bold.setBold(true);
    edit44_ = Place(new QLineEdit(group5), "Edit44", 64, 20, 145, 21);
    edit45_ = Place(new QLineEdit(group5), "Edit45", 64, 44, 145, 21);
    oldLabel->setBuddy(edit44_);
    newLabel->setBuddy(edit45_);
    for (QLineEdit* edit : {edit44_, edit45_}) {
        SetFontWhenShown(edit, bold);
        MaskWithHash(edit);
        // A pasted line break could not be stored; as a blank it is stored and typed the same.
        KeepOnOneLine(edit);
    }
    bitBtn3_ = Button(group5, "BitBtn3", QStringLiteral("修改"), 136, 72, 65, 25);

    bitBtn2_ = Button(this, "BitBtn2", QStringLiteral("重置"), 32, 184, 65, 25);
    bitBtn1_ = Button(this, "BitBtn1", QStringLiteral("修改"), 105, 184, 65, 25);
    // Two check boxes and two buttons share a text; a screen reader tells them apart by their group.
    NameWithGroup(checkBox1_, group1->title());
    NameWithGroup(checkBox3_, group2->title());
    NameWithGroup(bitBtn3_, group5->title());
    NameWithGroup(bitBtn1_, QStringLiteral("Options"));
    BuildHints({group1, group2, group5});
}

void OptionsPage::BuildHints(const std::array<QWidget*, 3>& groups) {
    hints_ = new HoverHints(this);
    hints_->AddHint(checkBox1_, QStringLiteral("五分钟定时存档！"));
    hints_->AddHint(checkBox2_, QStringLiteral("程序启动自动调入临时存档！"));
    hints_->AddHint(checkBox4_, QStringLiteral("程序启动时要求输入密码！"));
    hints_->AddHint(checkBox5_, QStringLiteral("修改参数时要求输入密码！"));
    // The group of the password check boxes is not among them: its background leaves the hint.
    hints_->AddBackground(this);
    for (QWidget* group : groups)
        hints_->AddBackground(group);
}

void OptionsPage::SetHintHandler(std::function<void(const QString&)> handler) {
    hints_->SetHandler(std::move(handler));
}

void OptionsPage::LoadStoredOptions() {
    const std::filesystem::path file = SettingsPath(dataFolder_);
    SettingsFile settings(file);

    // A first start leaves the archive next to the program's own data. A failed write here is lost
    // quietly: the field still shows the folder, and 修改 stores it later.
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
        ShowFolder(QString::fromStdString(settings.Read(kFolderSection, kFolderKey, kFolderDefault)));
    } else {
        const std::string folder = FolderWithSeparator(dataFolder_);
        settings.Write(kFolderSection, kFolderKey, folder);
        ShowFolder(QString::fromStdString(folder));
    }

    if (const std::optional<bool> on = ReadFlag(settings, save_ini::kSnapshotTimerFlag)) {
        if (hooks_.switchSnapshotTimer) hooks_.switchSnapshotTimer(*on);
        checkBox1_->setChecked(*on);
    }
    if (const std::optional<bool> on = ReadFlag(settings, save_ini::kAutoLoadFlag)) {
        // The snapshot is on the board before the box shows the option.
        if (*on && hooks_.loadNow) hooks_.loadNow();
        checkBox2_->setChecked(*on);
    }
    // Through toggled(), so the folder rule runs as for a click.
    if (const std::optional<bool> on = ReadFlag(settings, save_ini::kDailyArchiveFlag))
        checkBox3_->setChecked(*on);

    // A time that does not read is reported, and the rest of the options still load.
    const std::string time = settings.Read(kTimeSection, kTimeKey, kTimeDefault);
    try {
        dateTimePicker1_->setTime(ToTime(ParseTimeText(time)));
    } catch (const ConversionError& conversion) {
        messages_.Error(QString::fromStdString(conversion.what()));
    }

    if (const std::optional<bool> on = ReadFlag(settings, save_ini::kStartPasswordFlag))
        checkBox4_->setChecked(*on);
    if (const std::optional<bool> on = ReadFlag(settings, save_ini::kParamsPasswordFlag))
        checkBox5_->setChecked(*on);
}

bool OptionsPage::StartupPasswordWanted() const {
    return checkBox4_->isChecked();
}

bool OptionsPage::SnapshotTimerOn() const {
    return checkBox1_->isChecked();
}

bool OptionsPage::DailyArchiveOn() const {
    return checkBox3_->isChecked();
}

QString OptionsPage::ArchiveFolder() const {
    return edit43_->text();
}

QTime OptionsPage::ArchiveTime() const {
    return dateTimePicker1_->time();
}

void OptionsPage::Unlock() {
    for (QWidget* control : lockable_)
        control->setEnabled(true);
    bitBtn2_->setEnabled(false);
}

void OptionsPage::Lock() {
    for (QWidget* control : lockable_)
        control->setEnabled(false);
    bitBtn2_->setEnabled(true);
}

void OptionsPage::BitBtn2Click() {
    password_.SetPasswordMode(kUnlockPasswordMode);
    if (!checkBox5_->isChecked()) {
        Unlock();
        return;
    }
    // A right password unlocks through the prompt's callback; anything else leaves the page locked.
    password_.exec();
}

bool OptionsPage::event(QEvent* event) {
    // Group titles sit on the frame line, so controls placed just below the top edge stay clear of
    // it. Styled once it sits in its tab: styling before the move would polish every control twice.
    if (event->type() == QEvent::ParentChange && styleSheet().isEmpty() && parentWidget() != nullptr) {
        setStyleSheet(
            QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
    }
    return QWidget::event(event);
}

void OptionsPage::BitBtn1Click() {
    Lock();
    if (hooks_.switchSnapshotTimer) hooks_.switchSnapshotTimer(checkBox1_->isChecked());
    auto flag = [](std::string_view section, const QCheckBox* box) {
        return SettingsEntry{std::string(section), std::string(save_ini::kFlagKey),
                             box->isChecked() ? "true" : "false"};
    };
    // One rewrite for all seven: a full disk must not leave half the options stored.
    SettingsFile settings(SettingsPath(dataFolder_));
    const bool written = settings.WriteEntries({
        {std::string(kFolderSection), std::string(kFolderKey), edit43_->text().toStdString()},
        {std::string(kTimeSection), std::string(kTimeKey),
         FormatTimeText(FromTime(dateTimePicker1_->time()))},
        flag(save_ini::kSnapshotTimerFlag, checkBox1_),
        flag(save_ini::kAutoLoadFlag, checkBox2_),
        flag(save_ini::kDailyArchiveFlag, checkBox3_),
        flag(save_ini::kStartPasswordFlag, checkBox4_),
        flag(save_ini::kParamsPasswordFlag, checkBox5_),
    });
    if (!written) messages_.Error(QString::fromStdString(settings.LastError()));
}

void OptionsPage::BitBtn3Click() {
    SettingsFile settings(SettingsPath(dataFolder_));
    const std::string stored = settings.Read(kPasswordSection, kPasswordKey, kDefaultPassword);
    const std::string newText = edit45_->text().toStdString();
    const PasswordChange change = JudgePasswordChange(stored, edit44_->text().toStdString(), newText);
    switch (change.outcome) {
        case PasswordChange::Outcome::WrongOld:
            messages_.Information(FromUtf8(change.message));
            edit44_->clear();
            edit45_->clear();
            return;
        case PasswordChange::Outcome::EmptyNew:
        case PasswordChange::Outcome::Unstorable:
            messages_.Information(FromUtf8(change.message));
            return;
        case PasswordChange::Outcome::Store:
            // Claiming success for a password that never reached the file would lock the operator
            // out with a password only they think is set; the fields stay for another try.
            // Quoted when needed, so blanks or quotation marks at its ends stay part of it.
            if (!settings.Write(kPasswordSection, kPasswordKey, ValueThatReadsBack(newText))) {
                messages_.Error(QString::fromStdString(settings.LastError()));
                return;
            }
            edit44_->clear();
            edit45_->clear();
            messages_.Information(FromUtf8(change.message));
            return;
    }
}

void OptionsPage::Button1Click() {
    // Goes into the field even while it is disabled: the folder rule governs typing, not choosing.
    if (const std::optional<QString> folder = folders_.ChooseFolder()) ShowFolder(*folder);
}

void OptionsPage::ShowFolder(const QString& folder) {
    edit43_->setText(folder);
    // A long path shows its beginning, where the drive and top folders are.
    edit43_->setCursorPosition(0);
}

void OptionsPage::CheckBox3Click(bool checked) {
    edit43_->setEnabled(checked);
}

}  // namespace kerfolio
