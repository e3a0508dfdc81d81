#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include "app/form1.h"
#include "app/pages/status_bar.h"
#include "machines/machine_params.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class MachineMenu : public ::testing::Test {
  protected:
    MachineMenu() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {
        form_.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
        form_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form_));
    }

    QLineEdit* Cell(int n) { return form_.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n)); }
    QLabel* Caption(int m) { return form_.findChild<QLabel*>(QStringLiteral("StaticText%1").arg(m)); }
    QMenu* Menu() { return form_.findChild<QMenu*>("PopupMenu1"); }

    void ClickAt(int n, int h, int m, int s, std::initializer_list<ModalScript::Step> steps) {
        clock_.Set(h, m, s);
        EXPECT_TRUE(ClickCellAnswering(&form_, n, steps))
            << "a dialog did not come up after clicking Edit" << n;
        EXPECT_TRUE(NothingPending(form_.Board())) << "Edit" << n;
    }
    void Start(int machine, const QString& amount) {
        const int base = (machine - 1) * 7;
        ClickAt(base + 1, 9, 5, 0, {Press("OKBtn")});
        ClickAt(base + 2, 9, 10, 0, {Press("OKBtn"), Fill({{"Edit1", "凹模"}, {"Edit2", amount}}, "OKBtn")});
    }

    // A right click on the machine's caption, then the item, answering the dialogs it opens.
    void Choose(int machine, const char* item, std::initializer_list<ModalScript::Step> steps = {}) {
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                     Caption(machine)->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Caption(machine), &rightClick);
        ASSERT_TRUE(Menu()->isVisible());
        ASSERT_EQ(form_.Board().EventCode(), 50 + machine);
        ModalScript script;
        for (const auto& step : steps)
            script.Then(step);
        QAction* action = Menu()->findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        QTest::mouseClick(Menu(), Qt::LeftButton, {}, Menu()->actionGeometry(action).center());
        EXPECT_FALSE(Menu()->isVisible());
        EXPECT_TRUE(script.Finished()) << "no dialog after " << item;
        EXPECT_TRUE(NothingPending(form_.Board())) << item;
    }
    // Properties of the machine, with the fields replaced and 修改 pressed.
    void Rename(int machine, std::vector<std::pair<QString, QString>> fields) {
        Choose(machine, "N41", {Fill(std::move(fields), "OKBtn")});
    }

    SettingsFile Settings() { return SettingsFile(SettingsPath(folder_.Path().toStdString())); }

    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

TEST_F(MachineMenu, EstimateReadsTheEfficiencyStoredAMomentAgo) {
    Choose(1, "N11");
    Start(1, "1000");
    Choose(1, "N11");
    Rename(1, {{"Edit6", "60"}});
    Choose(1, "N11");
    Rename(1, {{"Edit6", "0"}});
    Choose(1, "N11");
    EXPECT_EQ(messages_.shown,
              QStringList({"机床1 没有工件加工中，无法估计",
                           "机床1 按机床属性的效率30平方mm每分钟算，工件加工大概在9:38:20完成",
                           "机床1 按机床属性的效率60平方mm每分钟算，工件加工大概在9:21:40完成"}));
    EXPECT_EQ(messages_.errors, QStringList({"Floating point division by zero."}));
}

TEST_F(MachineMenu, CancelMachiningAsksFirstAndOkEmptiesTheJobButKeepsTheTotals) {
    Start(3, "500");
    ClickAt(17, 9, 20, 0, {Press("OKBtn")});
    ClickAt(18, 9, 30, 0, {Press("OKBtn")});
    ClickAt(19, 9, 40, 0, {Press("OKBtn")});  // a wire break stays open

    QString question, line;
    const auto look = [&](QWidget* dlg) {
        question = dlg->findChild<QLabel*>("Label1")->text();
        line = dlg->findChild<QLabel*>("Label2")->text();
    };
    Choose(3, "N21", {Capture(look, "CancelBtn")});
    EXPECT_EQ(question, "你确信要删除以下信息吗！");
    EXPECT_EQ(line, "      机床3 加工中数据");
    EXPECT_EQ(Cell(15)->text(), "9:05:00");

    Choose(3, "N21", {Press("OKBtn")});
    for (int n = 15; n <= 21; ++n)
        EXPECT_EQ(Cell(n)->text(), "") << n;
    EXPECT_EQ(form_.Board().Row(3).WorkName(), "");
    EXPECT_EQ(form_.Board().Row(3).WorkAmount(), "");
    EXPECT_EQ(form_.Board().Row(3).JumpTotal(), "0:10:00");
    EXPECT_TRUE(messages_.shown.isEmpty());

    // A menu dismissed without a choice leaves a following cell click to work as usual.
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 Caption(3)->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Caption(3), &rightClick);
    QTest::keyClick(Menu(), Qt::Key_Escape);
    EXPECT_FALSE(Menu()->isVisible());
    ClickAt(29, 10, 0, 0, {Press("OKBtn")});
    EXPECT_EQ(Cell(29)->text(), "10:00:00");
    EXPECT_EQ(Cell(15)->text(), "");
}

TEST_F(MachineMenu, ANewNameIsStoredAndShownWherePeopleSeeTheMachine) {
    QStringList opened;
    Choose(2, "N41",
           {Capture(
               [&](QWidget* dlg) {
                   for (int i = 1; i <= 7; ++i)
                       opened << TextOf(dlg, QStringLiteral("Edit%1").arg(i));
               },
               "CancelBtn")});
    EXPECT_EQ(opened, QStringList({"机床2", "", "", "", "", "30", ""}));

    Rename(2, {{"Edit1", "CNC-7"}, {"Edit2", "DK7740"}, {"Edit7", "换过导轮"}});
    EXPECT_EQ(Caption(2)->text(), "CNC-7");
    EXPECT_EQ(ReadMachineParams(Settings(), 2, "?"),
              (TMachineParams{"CNC-7", "DK7740", "", "", "", "30", "换过导轮"}));

    QTest::mouseMove(Cell(12));
    EXPECT_EQ(form_.StatusBar()->PanelText(2), "CNC-7 断丝开始");
    QString confirmation, completion;
    ClickAt(
        8, 8, 0, 0,
        {Capture([&](QWidget* dlg) { confirmation = dlg->findChild<QLabel*>("Label2")->text(); }, "OKBtn")});
    EXPECT_EQ(confirmation, "  CNC-7 工件上机：8:00:00");
    ClickAt(9, 8, 1, 0, {Press("OKBtn"), Fill({{"Edit1", "A"}, {"Edit2", "30"}}, "OKBtn")});
    Choose(2, "N11");
    EXPECT_EQ(messages_.shown.last(), "CNC-7 按机床属性的效率30平方mm每分钟算，工件加工大概在8:01:00完成");
    ClickAt(14, 9, 0, 0, {Capture([&](QWidget* dlg) { completion = TextOf(dlg, "Edit1"); }, "OKBtn")});
    EXPECT_EQ(completion, "CNC-7");
    EXPECT_TRUE(form_.NotePad()->toPlainText().startsWith("1    机床:CNC-7   工件名称:A"));

    // The next start reads the stored name.
    RecordingMessages otherMessages;
    TForm1 restarted({folder_.Path().toStdString(), &otherMessages, &clock_});
    EXPECT_EQ(restarted.findChild<QLabel*>("StaticText2")->text(), "CNC-7");
}

TEST_F(MachineMenu, ARefusedWriteKeepsTheDialogOpenWithTheTypedTextAndTheOldCaption) {
    // A settings file that is a folder refuses every write, whoever runs the test.
    ASSERT_TRUE(QDir(folder_.Path()).remove("save.ini"));
    ASSERT_TRUE(QDir(folder_.Path()).mkdir("save.ini"));
    bool stillOpen = false;
    QString kept;
    Choose(5, "N41", {[&](QWidget* dlg) {
               Type(dlg, "Edit1", "新名");
               Type(dlg, "Edit6", "45");
               Click(dlg, "OKBtn");
               stillOpen = dlg->isVisible();
               kept = TextOf(dlg, "Edit1") + "/" + TextOf(dlg, "Edit6");
               Click(dlg, "CancelBtn");
           }});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(kept, "新名/45");
    ASSERT_EQ(messages_.errors.size(), 1);
    EXPECT_TRUE(messages_.errors[0].contains("save.ini")) << messages_.errors[0].toStdString();
    EXPECT_EQ(Caption(5)->text(), "机床5");
}

TEST_F(MachineMenu, TheKeyboardReachesACaptionAndItsMenu) {
    Cell(7)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Caption(2));

    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}}) {
        form_.Board().ClearPendingEvent();
        QTest::keyClick(Caption(2), key, modifiers);
        EXPECT_TRUE(Menu()->isVisible());
        EXPECT_EQ(form_.Board().EventCode(), 52);
        QTest::keyClick(Menu(), Qt::Key_Escape);
    }

    // Up from the top wraps to the last item, 属性.
    QString name;
    ModalScript script;
    script.Then(Capture([&](QWidget* dlg) { name = TextOf(dlg, "Edit1"); }, "CancelBtn"));
    QTest::keyClick(Caption(2), Qt::Key_Menu);
    QTest::keyClick(Menu(), Qt::Key_Up);
    QTest::keyClick(Menu(), Qt::Key_Return);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(name, "机床2");
}

}  // namespace
}  // namespace kerfolio::test
