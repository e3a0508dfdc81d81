#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "app/form1.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class Layout : public ::testing::Test {
  protected:
    Layout() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {}
    template <typename T>
    T* Find(const QString& name) {
        T* widget = form_.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

// What the operator's hands cannot change, and how the window first meets them.
TEST_F(Layout, TheWindowHoldsItsShapeAndItsRecord) {
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    auto* memo = Find<QPlainTextEdit>("Memo1");
    auto* tabs = Find<QTabWidget>("PageControl1");
    const struct {
        const char* what;
        std::function<void()> act;
        std::function<bool()> holds;
    } cases[] = {
        {"opens on the help page", [] {},
         [&] { return tabs->currentWidget() == Find<QWidget>("TabSheet4"); }},
        {"cannot be made smaller", [&] { form_.resize(200, 100); },
         [&] { return form_.size() == QSize(487, 258); }},
        {"keys do not edit the NotePad",
         [&] {
             tabs->setCurrentWidget(Find<QWidget>("TabSheet2"));
             memo->setFocus();
             QTest::keyClicks(memo, "1 x");
             QTest::keyClick(memo, Qt::Key_Return);
         },
         [&] { return memo->toPlainText().isEmpty(); }},
        {"the NotePad writes in the window's font", [] {}, [&] { return memo->font() == form_.font(); }},
    };
    for (const auto& c : cases) {
        c.act();
        EXPECT_TRUE(c.holds()) << c.what;
    }
}

TEST_F(Layout, EveryCellIsAReadOnlyHandCellWideEnoughForATime) {
    for (int n = 1; n <= 42; ++n) {
        auto* cell = Find<QLineEdit>(QStringLiteral("Edit%1").arg(n));
        EXPECT_TRUE(cell->isReadOnly());
        EXPECT_EQ(cell->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_GE(cell->contentsRect().width() - 2, cell->fontMetrics().horizontalAdvance("23:59:59")) << n;
    }
    // The clock panel, in the face the status bar really gets: a two-digit hour once lost its last digit
    // under the panel's frame.
    auto* clock = Find<QLabel>("Panel1");
    for (const char* time : {"23:59:59", "20:00:00", "18:00:03"})
        EXPECT_GE(clock->contentsRect().width() - clock->indent(),
                  clock->fontMetrics().horizontalAdvance(time))
            << time << " in " << QFontInfo(clock->font()).family().toStdString();
}

TEST_F(Layout, DialogButtonsStartTheTabOrderWithOkAsDefault) {
    for (const char* name : {"TOKBottomDlg", "TOKBottomDlg1", "TOKBottomDlg2", "TOKBottomDlg4"}) {
        auto* dialog = Find<QDialog>(name);
        auto* ok = dialog->findChild<QPushButton*>("OKBtn");
        auto* cancel = dialog->findChild<QPushButton*>("CancelBtn");
        ASSERT_TRUE(ok && cancel) << name;
        EXPECT_TRUE(dialog->isModal());
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ok->nextInFocusChain(), cancel) << name;
    }
}

// Labels placed by hand are fitted to their texts when their dialog first shows, not at start-up; a
// label never fitted keeps a default box that cuts its text or covers the field beside it.
TEST_F(Layout, DialogLabelsFitTheirTextsOnceShown) {
    const std::pair<const char*, QStringList> dialogs[] = {
        {"TPasswordDlg", {"Label1"}},
        {"TOKBottomDlg4", {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8"}},
    };
    for (const auto& [name, labels] : dialogs) {
        auto* dialog = Find<QDialog>(name);
        ASSERT_NE(dialog, nullptr);
        dialog->show();
        for (const QString& labelName : labels) {
            auto* label = dialog->findChild<QLabel*>(labelName);
            ASSERT_NE(label, nullptr) << name << " " << labelName.toStdString();
            EXPECT_EQ(label->size(), label->sizeHint()) << name << " " << labelName.toStdString();
            for (auto* edit : dialog->findChildren<QLineEdit*>()) {
                EXPECT_FALSE(label->geometry().intersects(edit->geometry()))
                    << name << " " << labelName.toStdString() << " covers "
                    << edit->objectName().toStdString();
            }
        }
        dialog->hide();
    }
}

// The Options page once drew its group titles and buttons in another face than the window's.
TEST_F(Layout, OptionsControlsUseTheWindowsFont) {
    auto* tabs = form_.findChild<QTabWidget*>("PageControl1");
    tabs->setCurrentWidget(form_.findChild<QWidget*>("TabSheet3"));
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QWidgetList controls;
    for (QWidget* control : form_.findChild<QWidget*>("TabSheet3")->findChildren<QWidget*>())
        if (qobject_cast<QGroupBox*>(control) || qobject_cast<QAbstractButton*>(control)) controls << control;
    ASSERT_GE(controls.size(), 15);
    for (QWidget* control : controls)
        EXPECT_EQ(QFontInfo(control->font()).family(), QFontInfo(form_.font()).family())
            << control->objectName().toStdString();
}

// A dialog is a window of its own and takes no font from the main window unless told to; the dialogs
// once showed their fields and buttons in another face and size than the window's.
TEST_F(Layout, DialogsUseTheWindowsFont) {
    const QFontInfo window(form_.font());
    for (const char* name : {"TPasswordDlg", "TOKBottomDlg", "TOKBottomDlg1", "TOKBottomDlg2",
                             "TOKBottomDlg3", "TOKBottomDlg4"}) {
        auto* dialog = Find<QDialog>(name);
        ASSERT_NE(dialog, nullptr);
        dialog->show();
        int checked = 0;
        for (QWidget* control : dialog->findChildren<QWidget*>()) {
            if (!qobject_cast<QLineEdit*>(control) && !qobject_cast<QAbstractButton*>(control)) continue;
            const QFontInfo info(control->font());
            EXPECT_EQ(info.family(), window.family()) << name << " " << control->objectName().toStdString();
            EXPECT_EQ(info.pixelSize(), window.pixelSize())
                << name << " " << control->objectName().toStdString();
            ++checked;
        }
        EXPECT_GE(checked, 2) << name;
        dialog->hide();
    }
}

}  // namespace
}  // namespace kerfolio::test
