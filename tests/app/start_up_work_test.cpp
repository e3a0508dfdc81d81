#include <gtest/gtest.h>

#include <QDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "tests/app/form_window.h"
#include "tests/app/options_test_support.h"

namespace kerfolio::test {
namespace {

// Start-up leaves the folder tree unread until its dialog is first shown, and then it works as ever.
TEST(StartUpWork, FolderTreeIsReadOnlyWhenItsDialogFirstShows) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    EXPECT_TRUE(w.form.findChildren<QFileSystemModel*>().isEmpty());

    w.Unlock();
    ModalScript script;
    script.Then([&](QWidget* modal) {
        SelectFolder(modal, folder.Path());
        Click(modal, "BitBtn1");
    });
    script.Then(Press("BitBtn2"));  // the second showing reuses the same tree
    w.Press("Button1");
    EXPECT_EQ(TextOf(&w.form, "Edit43"), QDir::toNativeSeparators(folder.Path()));
    w.Press("Button1");
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(w.form.findChildren<QFileSystemModel*>().size(), 1);
}

// Labels are placed, not sized, when they are made; on screen every one, on every page and dialog,
// shows its whole text.
TEST(StartUpWork, EveryLabelFitsItsTextWhenShown) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.show();
    int checked = 0;
    const auto checkShownLabels = [&checked](QWidget* top) {
        for (QLabel* label : top->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->wordWrap() || !label->isVisible()) continue;
            const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
            EXPECT_GE(label->contentsRect().width(), textWidth)
                << top->objectName().toStdString() << "/" << label->objectName().toStdString();
            ++checked;
        }
    };
    auto* tabs = w.form.findChild<QTabWidget*>("PageControl1");
    ASSERT_NE(tabs, nullptr);
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        checkShownLabels(tabs->currentWidget());
    }
    for (QDialog* dialog : w.form.findChildren<QDialog*>()) {
        dialog->show();
        checkShownLabels(dialog);
        dialog->hide();
    }
    EXPECT_GE(checked, 7 + 4 + 8 + 2 + 1) << "board headers, Options, completion, entry, password";
}

// The cells draw their own thin frame on a white ground; the frame must close on every side and leave
// the text its room, whatever the cell shows.
TEST(StartUpWork, BoardCellDrawsItsFrameAndGround) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    const QColor frame(0x8a, 0x8a, 0x8a);
    for (const QString& text : {QString(), QStringLiteral("23:59:59"), QStringLiteral("8:05:09")}) {
        for (int n : {1, 18, 42}) {
            auto* cell = w.form.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
            ASSERT_NE(cell, nullptr);
            cell->setText(text);
            const QImage image = cell->grab().toImage();
            const int right = image.width() - 1;
            const int bottom = image.height() - 1;
            for (const QPoint p : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                                   QPoint(right / 2, 0), QPoint(right / 2, bottom), QPoint(0, bottom / 2),
                                   QPoint(right, bottom / 2)}) {
                EXPECT_EQ(image.pixelColor(p), frame) << n << " " << p.x() << "," << p.y();
            }
            EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white)) << n;
            EXPECT_EQ(image.pixelColor(right - 1, bottom - 1), QColor(Qt::white)) << n;
            const QMargins margins = cell->textMargins();
            EXPECT_LE(cell->fontMetrics().horizontalAdvance(text),
                      cell->contentsRect().width() - margins.left() - margins.right())
                << n;
        }
    }
}

// Faces given late still arrive before anything is drawn: every bold field and button shows bold.
TEST(StartUpWork, BoldFieldsAreBoldOnScreen) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.show();
    auto* tabs = w.form.findChild<QTabWidget*>("PageControl1");
    tabs->setCurrentIndex(2);
    auto* password = w.form.findChild<QDialog*>("TPasswordDlg");
    ASSERT_NE(password, nullptr);
    password->show();
    const std::pair<QWidget*, const char*> fields[] = {
        {tabs->currentWidget(), "Edit44"},
        {tabs->currentWidget(), "Edit45"},
        {password, "Password"},
        {password, "OKBtn"},
        {password, "CancelBtn"},
        {password, "Label1"},
    };
    for (const auto& [top, name] : fields) {
        auto* widget = top->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_TRUE(widget->isVisible()) << name;
        EXPECT_TRUE(widget->font().bold()) << name;
    }
    password->hide();
}

}  // namespace
}  // namespace kerfolio::test
