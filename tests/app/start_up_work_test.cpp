#include <gtest/gtest.h>

#include <QDialog>
#include <QFileSystemModel>
#include <QLabel>
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

}  // namespace
}  // namespace kerfolio::test
