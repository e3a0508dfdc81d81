#pragma once

#include <QTime>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace kerfolio {

class HoverHints;
class Messages;
class SettingsFile;
class TOKBottomDlg3;
class TPasswordDlg;

// What the page asks of the main window: the snapshot lives there, and so does Timer2.
struct OptionsHooks {
    std::function<void()> saveNow;                     // 现在保存
    std::function<void()> loadNow;                     // 现在调入, and the automatic load at start-up
    std::function<void(bool on)> switchSnapshotTimer;  // on when already running keeps its period
};

// The "Options" tab. Its controls are the settings the program acts on; save.ini holds them only
// between runs and is written by 修改 alone.
class OptionsPage : public QWidget {
    Q_OBJECT

  public:
    OptionsPage(const std::filesystem::path& dataFolder, Messages& messages, TPasswordDlg& password,
                TOKBottomDlg3& folders, OptionsHooks hooks, QWidget* parent = nullptr);

    // Puts the stored options into the controls, once at start-up (may load the snapshot and switch
    // the snapshot timer through the hooks).
    void LoadStoredOptions();

    // The option hints for the status bar: the text, or empty when the pointer is over a background.
    void SetHintHandler(std::function<void(const QString&)> handler);

    bool StartupPasswordWanted() const;
    void Unlock();

    // Whether a close saves the work it has not saved yet (the five-minute snapshot option, as shown).
    bool SnapshotTimerOn() const;
    // Read by the daily archive every second, straight from the screen.
    bool DailyArchiveOn() const;
    QString ArchiveFolder() const;
    QTime ArchiveTime() const;

  protected:
    bool event(QEvent* event) override;

  private:
    void BuildLayout();
    void BuildHints(const std::array<QWidget*, 3>& groups);
    void Lock();
    void BitBtn1Click();  // 修改: lock and store
    void BitBtn2Click();  // 重置: unlock, perhaps after the password
    void BitBtn3Click();  // password change
    void Button1Click();  // 选择
    void CheckBox3Click(bool checked);
    void ShowFolder(const QString& folder);

    std::filesystem::path dataFolder_;
    Messages& messages_;
    TPasswordDlg& password_;
    TOKBottomDlg3& folders_;
    OptionsHooks hooks_;

    QCheckBox* checkBox1_ = nullptr;
    QCheckBox* checkBox2_ = nullptr;
    QCheckBox* checkBox3_ = nullptr;
    QCheckBox* checkBox4_ = nullptr;
    QCheckBox* checkBox5_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
    QPushButton* button3_ = nullptr;
    QPushButton* bitBtn1_ = nullptr;
    QPushButton* bitBtn2_ = nullptr;
    QPushButton* bitBtn3_ = nullptr;
    QLineEdit* edit43_ = nullptr;
    QLineEdit* edit44_ = nullptr;
    QLineEdit* edit45_ = nullptr;
    QTimeEdit* dateTimePicker1_ = nullptr;
    HoverHints* hints_ = nullptr;
    // In the order the lock and the unlock go through them.
    std::array<QWidget*, 11> lockable_{};
};

}  // namespace kerfolio
