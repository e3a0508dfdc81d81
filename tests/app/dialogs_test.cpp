#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/completion_dlg.h"
#include "app/dialogs/confirm_dlg.h"
#include "app/dialogs/entry_dlg.h"
#include "app/dialogs/folder_dlg.h"
#include "app/dialogs/password_dlg.h"
#include "app/dialogs/window_placement.h"
#include "app/form1.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class Dialogs : public ::testing::Test {
  protected:
    Dialogs() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {}
    QDialog* Dialog(const char* name) { return form_.findChild<QDialog*>(name); }
    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

// A Cancel without auto-default passed Enter on to OK: a wrong start-up password then ended the
// program. Held Enter on a board cell opened the confirmation and its repeats pressed OK unread.
TEST_F(Dialogs, EnterPressesTheFocusedButtonAndRepeatsAnswerNothing) {
    // Standing alone, so that no button acts on the main window's board.
    TPasswordDlg password(folder_.Path().toStdString());
    TOKBottomDlg confirmation(nullptr);
    TOKBottomDlg1 completion(nullptr);
    TOKBottomDlg2 entry(nullptr);
    TOKBottomDlg3 folders;
    const std::tuple<QDialog*, QString, QString> every[] = {{&password, "OKBtn", "CancelBtn"},
                                                            {&confirmation, "OKBtn", "CancelBtn"},
                                                            {&completion, "OKBtn", "CancelBtn"},
                                                            {&entry, "OKBtn", "CancelBtn"},
                                                            {&folders, "BitBtn1", "BitBtn2"}};
    for (const auto& [dialog, ok, cancel] : every) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        ModalScript script;
        bool openAfterRepeats = false;
        script.Then([&, ok = ok, cancel = cancel](QWidget* modal) {
            for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(modal->findChild<QPushButton*>(ok), &repeat);
            }
            openAfterRepeats = modal->isVisible();
            modal->findChild<QPushButton*>(cancel)->setFocus();
            QTest::keyClick(modal->findChild<QPushButton*>(cancel), Qt::Key_Return);
        });
        EXPECT_EQ(dialog->exec(), QDialog::Rejected);
        EXPECT_TRUE(openAfterRepeats);
    }
}

// A pasted line break split the report line and came back from the snapshot as a blank.
TEST_F(Dialogs, PastedLineBreaksBecomeBlanksInTheField) {
    QList<QLineEdit*> fields = Dialog("TOKBottomDlg1")->findChildren<QLineEdit*>();
    fields << Dialog("TOKBottomDlg2")->findChildren<QLineEdit*>() << form_.findChild<QLineEdit*>("Edit43");
    for (const char* unlimited : {"Edit2", "Edit3", "Edit4", "Edit5", "Edit7"})
        fields << Dialog("TOKBottomDlg4")->findChild<QLineEdit*>(unlimited);
    ASSERT_EQ(fields.size(), 16);
    const std::pair<QString, QString> pastes[] = {
        {"凹模\r\n12", "x凹模 12"}, {"\n\rA\r\n", "x  A "}, {QStringLiteral("A\u2028B\u2029"), "xA B "}};
    for (QLineEdit* field : fields) {
        for (const auto& [pasted, kept] : pastes) {
            field->setText("x");
            QGuiApplication::clipboard()->setText(pasted);
            field->paste();
            EXPECT_EQ(field->text(), kept) << field->objectName().toStdString();
            EXPECT_EQ(field->cursorPosition(), kept.size());
        }
    }
}

// A window manager's frame is taller at the top; centring the client area left dialogs too high.
TEST(WindowPlacement, TheWholeFrameIsCentred) {
    const std::tuple<QSize, QMargins, QRect, QPoint> cases[] = {
        {{233, 93}, {}, {0, 0, 1920, 1080}, {843, 493}},
        {{233, 93}, {1, 24, 1, 1}, {0, 0, 1920, 1080}, {843, 505}},
        {{192, 199}, {4, 30, 4, 4}, {0, 32, 1280, 992}, {544, 441}},
    };
    for (const auto& [client, frame, area, want] : cases) {
        const QPoint at = CentredClientPosition(client, frame, area);
        EXPECT_EQ(at, want) << at.x() << "," << at.y();
    }
}

}  // namespace
}  // namespace kerfolio::test
