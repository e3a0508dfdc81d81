#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include "app/form1.h"
#include "storage/settings_file.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// The Options page as the operator meets it inside the main window.
class FormOptions : public ::testing::Test {
  protected:
    FormOptions() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {}

    bool Unlocked() { return form_.findChild<QWidget*>("BitBtn1")->isEnabled(); }
    void Tick(const char* box) { form_.findChild<QCheckBox*>(box)->setChecked(true); }
    std::string Stored(const char* section, const char* key) {
        return SettingsFile(folder_.Path().toStdString() + "/save.ini").Read(section, key, "<none>");
    }
    // 重置, answering the prompt with typed when one comes up.
    void Reset(const QString& typed) {
        ModalScript script;
        script.Then(Fill({{"Password", typed}}, "OKBtn"));
        Click(&form_, "BitBtn2");
    }

    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

TEST_F(FormOptions, UnlockApplyPasswordAndChange) {
    EXPECT_FALSE(Unlocked());
    Reset("unused");  // no parameter password yet: no prompt
    ASSERT_TRUE(Unlocked());

    Tick("CheckBox1");
    Tick("CheckBox5");
    form_.findChild<QTimeEdit*>("DateTimePicker1")->setTime(QTime(17, 30, 5));
    Type(&form_, "Edit43", "D:\\报表\\");
    Click(&form_, "BitBtn1");
    EXPECT_FALSE(Unlocked());
    EXPECT_TRUE(form_.SnapshotTimer()->isActive());
    EXPECT_EQ(Stored("checkbox1", "checked"), "true");
    EXPECT_EQ(Stored("checkbox2", "checked"), "false");
    EXPECT_EQ(Stored("checkbox5", "checked"), "true");
    EXPECT_EQ(Stored("time", "time1"), "17:30:05");
    EXPECT_EQ(Stored("file", "dir"), "D:\\报表\\");

    // Applying again with the timer on keeps its running period.
    const int remaining = form_.SnapshotTimer()->remainingTime();
    QTest::qWait(60);
    Reset("4826");
    Click(&form_, "BitBtn1");
    EXPECT_LE(form_.SnapshotTimer()->remainingTime(), remaining - 40);

    Reset("4825");
    EXPECT_FALSE(Unlocked());
    Reset("4826");
    EXPECT_TRUE(Unlocked());
    Click(&form_, "BitBtn1");

    // The password change works on the locked page and counts at the next prompt.
    Type(&form_, "Edit44", "4826");
    Type(&form_, "Edit45", "新 pw");
    Click(&form_, "BitBtn3");
    EXPECT_EQ(messages_.shown, QStringList({"密码修改成功！"}));
    Reset("4826");
    EXPECT_FALSE(Unlocked());
    Reset("新 pw");
    EXPECT_TRUE(Unlocked());
    EXPECT_TRUE(messages_.errors.isEmpty());
    EXPECT_EQ(messages_.shown.size(), 1) << "wrong passwords are never announced";
}

}  // namespace
}  // namespace kerfolio::test
