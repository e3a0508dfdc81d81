#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "app/completion_dlg.h"
#include "app/confirm_dlg.h"
#include "app/entry_dlg.h"
#include "app/folder_dlg.h"
#include "app/form1.h"
#include "app/password_dlg.h"
#include "app/window_placement.h"
#include "tests/app/gui_test_support.h"

// Readable failure output for positions.
inline void PrintTo(const QPoint& point, std::ostream* os) {
    *os << '(' << point.x() << ", " << point.y() << ')';
}

namespace kerfolio::test {
namespace {

// Every dialog of the program, standing alone, with the names of its two buttons.
struct DialogCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>(const TempFolder&)> make;
    QString ok;
    QString cancel;
};

std::vector<DialogCase> EveryDialog() {
    return {
        {"password",
         [](const TempFolder& f) { return std::make_unique<TPasswordDlg>(f.Path().toStdString()); }, "OKBtn",
         "CancelBtn"},
        {"confirmation", [](const TempFolder&) { return std::make_unique<TOKBottomDlg>(nullptr); }, "OKBtn",
         "CancelBtn"},
        {"completion", [](const TempFolder&) { return std::make_unique<TOKBottomDlg1>(nullptr); }, "OKBtn",
         "CancelBtn"},
        {"entry", [](const TempFolder&) { return std::make_unique<TOKBottomDlg2>(nullptr); }, "OKBtn",
         "CancelBtn"},
        {"folder", [](const TempFolder&) { return std::make_unique<TOKBottomDlg3>(); }, "BitBtn1", "BitBtn2"},
    };
}

QPushButton* Button(QWidget* dialog, const QString& name) {
    auto* button = dialog->findChild<QPushButton*>(name);
    EXPECT_NE(button, nullptr) << name.toStdString();
    return button;
}

void SendKey(QWidget* target, int key, bool autoRepeat) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Escape ? "\x1b" : "\r", autoRepeat);
    QApplication::sendEvent(target, &press);
}

// A Cancel without auto-default once passed Enter on to the default OK: a wrong start-up password
// then ended the program, and the folder dialog filled the field.
TEST(Dialogs, EnterPressesTheFocusedButton) {
    TempFolder folder;
    for (const DialogCase& c : EveryDialog()) {
        for (const bool onOk : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (onOk ? " OK" : " Cancel"));
            std::unique_ptr<QDialog> dialog = c.make(folder);
            ModalScript script;
            script.Then([&](QWidget* modal) {
                QPushButton* button = Button(modal, onOk ? c.ok : c.cancel);
                button->setFocus();
                QTest::keyClick(button, Qt::Key_Return);
            });
            EXPECT_EQ(dialog->exec(), onOk ? QDialog::Accepted : QDialog::Rejected);
            EXPECT_TRUE(script.Finished());
        }
    }
}

// Enter held on a board cell opens the confirmation with the focus on OK; its repeats must not
// confirm what the operator has not read. Message boxes too.
TEST(Dialogs, AnAutoRepeatedEnterOrEscAnswersNothing) {
    TempFolder folder;
    std::vector<std::pair<std::string, std::function<void()>>> showings;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    for (const DialogCase& c : EveryDialog()) {
        QDialog* dialog = dialogs.emplace_back(c.make(folder)).get();
        showings.emplace_back(c.name, [dialog] { dialog->exec(); });
    }
    showings.emplace_back("message box", [] { Messages().Information("机床1"); });

    for (const auto& [name, show] : showings) {
        SCOPED_TRACE(name);
        bool openAfterRepeats = false;
        int defaultClicks = -1;
        ModalScript script;
        script.Then([&](QWidget* modal) {
            QPushButton* defaultButton = nullptr;
            for (QPushButton* button : modal->findChildren<QPushButton*>())
                if (button->isDefault()) defaultButton = button;
            ASSERT_NE(defaultButton, nullptr);
            defaultButton->setFocus();
            QSignalSpy clicks(defaultButton, &QPushButton::clicked);
            for (QWidget* target : {static_cast<QWidget*>(defaultButton), modal}) {
                SendKey(target, Qt::Key_Return, true);
                SendKey(target, Qt::Key_Enter, true);
                SendKey(target, Qt::Key_Escape, true);
            }
            openAfterRepeats = modal->isVisible();
            defaultClicks = int(clicks.count());
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        show();
        EXPECT_TRUE(script.Finished());
        EXPECT_TRUE(openAfterRepeats);
        EXPECT_EQ(defaultClicks, 0);
    }
}

// A pasted line break split the report line and came back from the snapshot as a blank.
TEST(Dialogs, PastedLineBreaksBecomeBlanksInEverySingleLineField) {
    TempFolder folder;
    RecordingMessages messages;
    FixedClock clock;
    TForm1 form({folder.Path().toStdString(), &messages, &clock});
    std::vector<QLineEdit*> fields;
    fields.push_back(form.findChild<QWidget*>("TOKBottomDlg2")->findChild<QLineEdit*>("Edit1"));
    fields.push_back(form.findChild<QWidget*>("TOKBottomDlg2")->findChild<QLineEdit*>("Edit2"));
    for (int i = 1; i <= 8; ++i)
        fields.push_back(form.findChild<QWidget*>("TOKBottomDlg1")
                             ->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(i)));
    fields.push_back(form.findChild<QLineEdit*>("Edit43"));

    const struct {
        QString pasted;
        QString kept;
    } pastes[] = {
        {"凹模\r\n12", "凹模 12"},  {"凹模\n12", "凹模 12"},
        {"凹模\r12", "凹模 12"},    {QStringLiteral("A\u2028B\u2029C"), "A B C"},
        {"\r\n\r\nA\n\n", "  A  "}, {"A\n\rB", "A  B"},
    };
    for (QLineEdit* field : fields) {
        ASSERT_NE(field, nullptr);
        SCOPED_TRACE(field->parentWidget()->objectName().toStdString() + "/" +
                     field->objectName().toStdString());
        for (const auto& paste : pastes) {
            field->setText("x");
            field->setCursorPosition(1);
            QGuiApplication::clipboard()->setText(paste.pasted);
            field->paste();
            EXPECT_EQ(field->text(), "x" + paste.kept);
            EXPECT_EQ(field->cursorPosition(), field->text().size()) << "the cursor stays after the paste";
        }
    }
}

// Under a window manager the frame is taller at the top; centring the client area alone left every
// dialog about half a title bar too high.
TEST(Dialogs, TheWholeWindowFrameIncludedIsCentred) {
    const struct {
        QSize client;
        QMargins frame;
        QRect area;
        QPoint clientAt;
    } cases[] = {
        {{233, 93}, {}, {0, 0, 1920, 1080}, {843, 493}},
        {{233, 93}, {1, 24, 1, 1}, {0, 0, 1920, 1080}, {843, 505}},
        {{192, 199}, {4, 30, 4, 4}, {0, 32, 1280, 992}, {544, 441}},
        {{246, 133}, {1, 24, 1, 1}, {100, 0, 801, 601}, {377, 245}},
    };
    for (const auto& c : cases) {
        const QPoint at = CentredClientPosition(c.client, c.frame, c.area);
        EXPECT_EQ(at, c.clientAt) << c.client.width() << "x" << c.client.height() << " top " << c.frame.top();
        const QRect whole = QRect(at, c.client).marginsAdded(c.frame);
        EXPECT_LE(std::abs(whole.left() - c.area.left() - (c.area.right() - whole.right())), 1);
        EXPECT_LE(std::abs(whole.top() - c.area.top() - (c.area.bottom() - whole.bottom())), 1);
    }

    // And the dialogs and message boxes use it.
    TempFolder folder;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    std::vector<std::function<void()>> showings;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    for (const DialogCase& c : EveryDialog()) {
        QDialog* dialog = dialogs.emplace_back(c.make(folder)).get();
        showings.emplace_back([dialog] { dialog->exec(); });
    }
    showings.emplace_back([] { Messages().Error("x"); });
    for (const auto& show : showings) {
        QRect frame;
        ModalScript script;
        script.Then([&](QWidget* modal) {
            frame = modal->frameGeometry();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        show();
        EXPECT_LE((frame.center() - area.center()).manhattanLength(), 2) << frame.x() << "," << frame.y();
    }
}

}  // namespace
}  // namespace kerfolio::test
