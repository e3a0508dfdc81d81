#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include "app/form1.h"
#include "app/pages/status_bar.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class BoardFlow : public ::testing::Test {
  protected:
    BoardFlow() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {}

    QLineEdit* Cell(int n) { return form_.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n)); }
    QString CellText(int n) { return Cell(n)->text(); }

    // Clicks cell n at h:m:s and answers whatever dialogs come up with the given steps.
    void ClickAt(int n, int h, int m, int s, std::initializer_list<ModalScript::Step> steps) {
        clock_.Set(h, m, s);
        EXPECT_TRUE(ClickCellAnswering(&form_, n, steps))
            << "a dialog did not come up after clicking Edit" << n;
        EXPECT_TRUE(NothingPending(form_.Board())) << "Edit" << n;
    }

    void RunJob(int machine, const QString& name, const QString& amount) {
        const int base = (machine - 1) * 7;
        ClickAt(base + 1, 8, 0, 0, {Press("OKBtn")});
        ClickAt(base + 2, 8, 10, 0, {Press("OKBtn"), Fill({{"Edit1", name}, {"Edit2", amount}}, "OKBtn")});
        ClickAt(base + 7, 9, 0, 0, {Press("OKBtn")});
    }

    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

TEST_F(BoardFlow, OneJobOnMachine3EndsInItsReportLine) {
    QString question, eventLine;
    ClickAt(15, 8, 5, 12,
            {Capture(
                [&](QWidget* dlg) {
                    question = dlg->findChild<QLabel*>("Label1")->text();
                    eventLine = dlg->findChild<QLabel*>("Label2")->text();
                },
                "OKBtn")});
    EXPECT_EQ(question, "你确信要输入以下信息吗！");
    EXPECT_EQ(eventLine, "  机床3 工件上机：8:05:12");
    EXPECT_EQ(CellText(15), "8:05:12");

    // The start time is the click's, not the moment OK is pressed.
    ClickAt(16, 8, 20, 40, {Press("OKBtn"), [this](QWidget* dlg) {
                                clock_.Set(8, 23, 0);
                                Type(dlg, "Edit1", "凹模12");
                                Type(dlg, "Edit2", "1500");
                                Click(dlg, "OKBtn");
                            }});
    EXPECT_EQ(CellText(16), "8:20:40");

    ClickAt(17, 9, 0, 0, {Press("OKBtn")});
    EXPECT_EQ(CellText(17), "9:00:00");
    ClickAt(18, 9, 12, 30, {Press("OKBtn")});
    EXPECT_EQ(CellText(17), "");
    EXPECT_EQ(CellText(18), "");
    ClickAt(19, 10, 0, 0, {Press("OKBtn")});
    ClickAt(20, 10, 0, 0, {Press("OKBtn")});  // a zero-length wire break adds nothing

    QString shownFinish;
    ClickAt(21, 11, 47, 5, {Capture([&](QWidget* dlg) { shownFinish = TextOf(dlg, "Edit7"); }, "OKBtn")});
    EXPECT_EQ(shownFinish, "11:47:05");
    EXPECT_EQ(
        form_.NotePad()->toPlainText(),
        "1    机床:机床3   工件名称:凹模12    上机时间:8:05:12    开始加工:8:20:40    跳步时间:0:12:30    "
        "断丝时间:0:00:00    完成时间:11:47:05    加工量:1500");
    for (int n = 15; n <= 21; ++n)
        EXPECT_EQ(CellText(n), "") << n;
    EXPECT_EQ(form_.Board().Row(3).JumpTotal(), "0:00:00");
    EXPECT_TRUE(messages_.shown.isEmpty());
    EXPECT_TRUE(messages_.errors.isEmpty());
}

TEST_F(BoardFlow, CompletionsOnDifferentMachinesShareTheNumbering) {
    RunJob(2, "A", "10");
    RunJob(5, "B", "$1F");
    const QStringList lines = form_.NotePad()->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("1    机床:机床2   工件名称:A    ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("2    机床:机床5   工件名称:B    ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("加工量:$1F"));
}

TEST_F(BoardFlow, RefusalsAreShownInOrderAndOpenNoDialog) {
    ClickAt(9, 8, 0, 0, {});  // start before mount
    ClickAt(1, 8, 0, 0, {Press("OKBtn")});
    ClickAt(2, 8, 0, 0, {Press("OKBtn"), Fill({{"Edit1", "A"}, {"Edit2", "1"}}, "OKBtn")});
    ClickAt(3, 8, 1, 0, {Press("OKBtn")});
    ClickAt(5, 8, 2, 0, {Press("OKBtn")});
    ClickAt(7, 9, 0, 0, {});  // jump and wire break both open
    EXPECT_EQ(messages_.shown, QStringList({"工件还未上机！请小心点按", "工件加工正跳步中，无法结束！",
                                            "工件加工正断丝中，无法结束！"}));
    EXPECT_EQ(CellText(9), "");
    EXPECT_EQ(CellText(7), "");
}

TEST_F(BoardFlow, CancelEverywhereLeavesTheRowAsItWas) {
    ClickAt(36, 8, 0, 0, {Press("CancelBtn")});
    EXPECT_EQ(CellText(36), "");
    ClickAt(36, 8, 0, 0, {Press("OKBtn")});
    // Cancel in the entry dialog: no start, and the typed text waits for the next opening.
    ClickAt(37, 8, 5, 0, {Press("OKBtn"), Fill({{"Edit1", "凸模"}, {"Edit2", "77"}}, "CancelBtn")});
    EXPECT_EQ(CellText(37), "");
    QString keptName, keptAmount;
    ClickAt(37, 8, 6, 0,
            {Press("OKBtn"), Capture(
                                 [&](QWidget* dlg) {
                                     keptName = TextOf(dlg, "Edit1");
                                     keptAmount = TextOf(dlg, "Edit2");
                                 },
                                 "OKBtn")});
    EXPECT_EQ(keptName, "凸模");
    EXPECT_EQ(keptAmount, "77");
    EXPECT_EQ(CellText(37), "8:06:00");
    // Cancel, Esc and the close box of the completion dialog keep the job running.
    ClickAt(42, 9, 0, 0, {Press("CancelBtn")});
    ClickAt(42, 9, 1, 0, {[](QWidget* dlg) { QTest::keyClick(dlg, Qt::Key_Escape); }});
    ClickAt(42, 9, 2, 0, {[](QWidget* dlg) { dlg->close(); }});
    EXPECT_EQ(CellText(42), "");
    EXPECT_EQ(CellText(37), "8:06:00");
    EXPECT_EQ(form_.NotePad()->toPlainText(), "");
    EXPECT_EQ(form_.Board().JobCount(), 0);
}

TEST_F(BoardFlow, EveryDialogOpensWithTheFocusOnOk) {
    QStringList focused;
    const auto noteFocus = [&](QWidget*) { focused << QApplication::focusWidget()->objectName(); };
    const auto typeAndOk = [](QWidget* dlg) {
        Type(dlg, "Edit1", "A");
        Type(dlg, "Edit2", "1");
        dlg->findChild<QLineEdit*>("Edit2")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter in a field still means OK
    };
    for (const int machine : {1, 2}) {
        const int base = (machine - 1) * 7;
        ClickAt(base + 1, 8, 0, 0, {Capture(noteFocus, "OKBtn")});
        ClickAt(base + 2, 8, 1, 0, {Capture(noteFocus, "OKBtn"), [&](QWidget* dlg) {
                                        noteFocus(dlg);
                                        typeAndOk(dlg);
                                    }});
        EXPECT_EQ(CellText(base + 2), "8:01:00");
        ClickAt(base + 7, 9, 0, 0, {[&](QWidget* dlg) {
                    noteFocus(dlg);
                    dlg->findChild<QLineEdit*>("Edit3")->setFocus();
                    Click(dlg, "CancelBtn");
                }});
    }
    EXPECT_EQ(focused, QStringList(8, "OKBtn"));
}

TEST_F(BoardFlow, RefusedEntryEmptiesTheFieldsAndChangesNothing) {
    ClickAt(8, 8, 0, 0, {Press("OKBtn")});
    ClickAt(9, 8, 1, 0, {Press("OKBtn"), Fill({{"Edit1", "A"}, {"Edit2", "12mm"}}, "OKBtn")});
    EXPECT_EQ(messages_.shown, QStringList({"加工量不能有字符！"}));
    QString name = "?";
    ClickAt(9, 8, 2, 0,
            {Press("OKBtn"), Capture([&](QWidget* dlg) { name = TextOf(dlg, "Edit1"); }, "OKBtn")});
    EXPECT_EQ(name, "");
    EXPECT_EQ(messages_.shown.last(), "工件名称或加工量不能为空！");
    EXPECT_EQ(CellText(9), "");
}

TEST_F(BoardFlow, AnIntervalThatCannotBeAddedShowsTheErrorAndKeepsTheEndTime) {
    form_.Board().SetCell(4, ecMount, "7:00:00");
    form_.Board().SetCell(4, ecStart, "7:10:00");
    form_.Board().SetCell(4, ecJumpStart, "ab:cd");
    ClickAt(25, 9, 30, 0, {Press("OKBtn")});
    EXPECT_EQ(messages_.errors, QStringList({"'ab:cd' is not a valid time."}));
    EXPECT_EQ(CellText(25), "9:30:00");
    EXPECT_EQ(CellText(24), "ab:cd");
    EXPECT_EQ(form_.Board().Row(4).JumpTotal(), "0:00:00");
}

TEST_F(BoardFlow, KeyboardStampsAFocusedCellAndCellsCannotBeTypedInto) {
    Cell(29)->setFocus();
    ModalScript script;
    script.Then([](QWidget* dlg) { QTest::keyClick(dlg, Qt::Key_Return); });  // Enter is OK
    clock_.Set(7, 7, 7);
    QTest::keyClick(Cell(29), Qt::Key_Space);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(CellText(29), "7:07:07");
    QTest::keyClicks(Cell(29), "x");
    EXPECT_EQ(CellText(29), "7:07:07");
}

TEST_F(BoardFlow, CellsExposeTheirTextsAndHints) {
    form_.Board().SetCell(6, ecBreakStart, "1:02:03");
    QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(Cell(40));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Value), "1:02:03");
    EXPECT_EQ(cell->text(QAccessible::Name), "机床6 断丝始");
    QAccessibleInterface* label =
        QAccessible::queryAccessibleInterface(form_.findChild<QLabel*>("StaticText6"));
    EXPECT_EQ(label->text(QAccessible::Name), "机床6");

    form_.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QTest::mouseMove(Cell(18));
    EXPECT_EQ(form_.StatusBar()->PanelText(2), "机床3 跳步结束");
    form_.Board().SetCaption(3, "CNC-7");
    QTest::mouseMove(Cell(18), QPoint(3, 3));
    EXPECT_EQ(form_.StatusBar()->PanelText(2), "CNC-7 跳步结束");
}

// A machine named "<u>5号" showed as an underlined "5号", and an efficiency typed as "<b>" made the
// error box read "'' is not a valid integer value.": names and texts from the operator or a file
// were taken for markup wherever a label or a message box showed them.
TEST_F(BoardFlow, NamesAndTextsThatLookLikeMarkupShowAsTyped) {
    const auto shownText = [](QWidget* label) {
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(label);
        return shown != nullptr ? shown->text(QAccessible::Name) : QString();
    };
    form_.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    form_.Board().SetCaption(5, "<u>5号");
    EXPECT_EQ(shownText(form_.findChild<QLabel*>("StaticText5")), "<u>5号");
    QTest::mouseMove(Cell(29));
    EXPECT_EQ(shownText(form_.StatusBar()->findChild<QLabel*>("Panel2")), "<u>5号 工件上机");
    QString eventLine;
    ClickAt(29, 8, 0, 0,
            {Capture([&](QWidget* dlg) { eventLine = shownText(dlg->findChild<QLabel*>("Label2")); },
                     "CancelBtn")});
    EXPECT_EQ(eventLine, "  <u>5号 工件上机：8:00:00");

    Messages boxes;
    for (const QString& text : {QStringLiteral("'<b>' is not a valid integer value"),
                                QStringLiteral("<u>5号 没有工件加工中，无法估计")}) {
        QString boxText;
        ModalScript script;
        script.Then([&](QWidget* box) {
            boxText = shownText(box->findChild<QLabel*>("qt_msgbox_label"));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        boxes.Error(text);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(boxText, Messages::WithFullStop(text));
    }
}

}  // namespace
}  // namespace kerfolio::test
