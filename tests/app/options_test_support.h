#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>
#include <QTreeView>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/folder_dlg.h"
#include "app/dialogs/password_dlg.h"
#include "app/pages/options_page.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {

// The eleven controls the lock treats, in its order.
inline const QStringList kLockable = {"CheckBox1", "CheckBox2", "CheckBox3",       "CheckBox4",
                                      "CheckBox5", "Edit43",    "DateTimePicker1", "Button1",
                                      "Button2",   "Button3",   "BitBtn1"};

// Puts text into a line edit as pasting would; key clicks cannot type Chinese.
inline void Paste(QWidget* parent, const QString& name, const QString& text) {
    auto* edit = parent->findChild<QLineEdit*>(name);
    ASSERT_NE(edit, nullptr) << name.toStdString();
    edit->setText(text);
}

// Selects path in the folder dialog's tree as a click would.
inline void SelectFolder(QWidget* dialog, const QString& path) {
    auto* view = dialog->findChild<QTreeView*>("ShellTreeView1");
    ASSERT_NE(view, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    ASSERT_NE(model, nullptr);
    const QModelIndex index = model->index(path);
    ASSERT_TRUE(index.isValid()) << path.toStdString();
    view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// An Options page over a fresh data folder, wired the way the main window wires it, with the hooks
// recorded as words in calls.
class OptionsFixture : public ::testing::Test {
  protected:
    OptionsFixture() : folder_(folderHolder_.Path().toStdString()) {}

    void Build(const std::filesystem::path& dataFolder) {
        page_.reset();
        password_ = std::make_unique<TPasswordDlg>(dataFolder);
        folders_ = std::make_unique<TOKBottomDlg3>();
        OptionsHooks hooks{[this] { calls.push_back("save"); },
                           [this] {
                               // The box must still show the old state while the snapshot loads.
                               calls.push_back(Checked("CheckBox2") ? "load after tick" : "load");
                           },
                           [this](bool on) { calls.push_back(on ? "timer on" : "timer off"); }};
        page_ = std::make_unique<OptionsPage>(dataFolder, messages, *password_, *folders_, std::move(hooks));
        password_->SetActions([this] { calls.push_back("close program"); }, [this] { page_->Unlock(); });
    }
    void Build() { Build(folder_); }

    // A data folder below a regular file: no write there can succeed, not even as root.
    std::filesystem::path BlockedFolder() {
        QFile blocker(QString::fromStdString((folder_ / "blocker").string()));
        EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
        return folder_ / "blocker" / "data";
    }

    SettingsFile Settings() const { return SettingsFile(SettingsPath(folder_)); }
    std::string Stored(const char* section, const char* key) const {
        return Settings().Read(section, key, "<none>");
    }
    void Store(const char* section, const char* key, const char* value) {
        ASSERT_TRUE(Settings().Write(section, key, value));
    }

    QWidget* Control(const QString& name) const {
        QWidget* widget = page_->findChild<QWidget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    bool Enabled(const QString& name) const { return Control(name)->isEnabled(); }
    bool Checked(const QString& name) const {
        auto* box = page_ ? page_->findChild<QCheckBox*>(name) : nullptr;
        return box != nullptr && box->isChecked();
    }
    QTimeEdit* Picker() const { return page_->findChild<QTimeEdit*>("DateTimePicker1"); }
    // Names of the lockable controls whose enabled state differs from want.
    std::string LockableNot(bool want) const {
        QStringList odd;
        for (const QString& name : kLockable)
            if (Enabled(name) != want) odd << name;
        return odd.join(' ').toStdString();
    }

    TempFolder folderHolder_;
    std::filesystem::path folder_;
    RecordingMessages messages;
    std::vector<std::string> calls;
    std::unique_ptr<TPasswordDlg> password_;
    std::unique_ptr<TOKBottomDlg3> folders_;
    std::unique_ptr<OptionsPage> page_;
};

}  // namespace kerfolio::test
