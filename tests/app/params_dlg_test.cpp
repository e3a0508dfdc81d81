#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs/params_dlg.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

enum class Input { Typed, Pasted, InputMethod };

void Put(QLineEdit* edit, Input how, const QString& text) {
    edit->setFocus();
    edit->end(false);
    switch (how) {
        case Input::Typed:
            for (const QChar ch : text) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(edit, &press);
            }
            break;
        case Input::Pasted:
            QApplication::clipboard()->setText(text);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            break;
        case Input::InputMethod: {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QApplication::sendEvent(edit, &commit);
            break;
        }
    }
}

TEST(MachineParamsDialog, FieldsTakeOnlyWholeGbkCharactersThatFit) {
    struct Case {
        const char* field;
        const char* stored;
        Input how;
        const char* put;
        const char* shown;
    } cases[] = {
        {"Edit1", "", Input::Typed, "ABCDEFGHI", "ABCDEFG"},
        {"Edit1", "", Input::Typed, "机床12号", "机床12"},  // 号 would be bytes 7 and 8
        {"Edit1", "机床12", Input::Typed, "3", "机床123"},
        {"Edit1", "", Input::Pasted, "机床机床", "机床机"},
        {"Edit1", "机床1", Input::Pasted, "ABCDEFG", "机床1AB"},
        {"Edit1", "", Input::InputMethod, "一号机床", "一号机"},
        {"Edit1", "ABCDEF", Input::InputMethod, "号", "ABCDEF"},
        {"Edit6", "", Input::Typed, "1234", "123"},
        {"Edit6", "9", Input::Typed, "号", "9号"},
        {"Edit6", "99", Input::Pasted, "号", "99"},
        {"Edit6", "", Input::Pasted, "2.5", "2.5"},
        // The other fields have no limit.
        {"Edit7", "", Input::Pasted, "换过导轮，丝筒也换过", "换过导轮，丝筒也换过"},
        // A character the settings file cannot hold would come back as "?": it does not go in at all,
        // in any field, and takes no room from the limit.
        {"Edit1", "", Input::Pasted, "CNC\U0001F527-7", "CNC-7"},
        {"Edit1", "ABCDE", Input::InputMethod, "\U0001F527号", "ABCDE号"},
        {"Edit2", "", Input::Typed, "DK한7740", "DK7740"},
        {"Edit3", "", Input::Pasted, "320\U0001F600x400", "320x400"},
        {"Edit4", "", Input::InputMethod, "한", ""},
        {"Edit5", "0.01", Input::Typed, "한", "0.01"},
        {"Edit6", "", Input::Pasted, "6한0", "60"},
        {"Edit7", "", Input::InputMethod, "换过\U0001F600导轮", "换过导轮"},
        // What the file held shows whole, even a character that did not decode, and stays while typing.
        {"Edit7", "导\uFFFD轮", Input::Typed, "新", "导\uFFFD轮新"},
    };
    TOKBottomDlg4 dialog(nullptr);
    dialog.show();
    for (const auto& c : cases) {
        TMachineParams record{"", "", "", "", "", "", ""};
        *record.Fields()[QString(c.field).back().digitValue() - 1] = c.stored;
        dialog.SetRecord(record);
        Put(dialog.findChild<QLineEdit*>(c.field), c.how, QString::fromUtf8(c.put));
        EXPECT_EQ(TextOf(&dialog, c.field), QString::fromUtf8(c.shown)) << c.field << " " << c.put;
    }
}

TEST(MachineParamsDialog, StoredValuesShowWholeAndCanOnlyBeShortened) {
    TOKBottomDlg4 dialog(nullptr);
    dialog.show();
    dialog.SetRecord({"一号线切割机", "", "", "", "", "1200", ""});
    EXPECT_EQ(TextOf(&dialog, "Edit1"), "一号线切割机");
    EXPECT_EQ(TextOf(&dialog, "Edit6"), "1200");
    auto* name = dialog.findChild<QLineEdit*>("Edit1");
    name->end(false);
    QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_EQ(name->text(), "一号线切割");
    Put(name, Input::Typed, "X");
    EXPECT_EQ(name->text(), "一号线切割");
    EXPECT_EQ(dialog.Record().Caption, "一号线切割");

    // A stored character that did not decode can still be edited around and deleted.
    dialog.SetRecord({"", "", "", "", "", "", "导\uFFFD轮"});
    auto* remarks = dialog.findChild<QLineEdit*>("Edit7");
    remarks->end(false);
    QTest::keyClick(remarks, Qt::Key_Backspace);
    QTest::keyClick(remarks, Qt::Key_Backspace);
    EXPECT_EQ(remarks->text(), "导");
}

}  // namespace
}  // namespace kerfolio::test
