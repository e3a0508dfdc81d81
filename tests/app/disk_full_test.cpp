#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDate>
#include <QPlainTextEdit>
#include <QTimeEdit>
#include <functional>

#include "board/stamping.h"
#include "tests/app/form_window.h"
#include "tests/app/small_disk.h"

namespace kerfolio::test {
namespace {

struct Operation {
    const char* name;
    const char* file;  // the file the error box must name
    std::function<void(Window&, const QString& folder)> run;
};

void ArchiveAtNoon(Window& w, const QString& folder) {
    w.form.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
    w.form.findChild<QLineEdit*>("Edit43")->setText(folder);
    w.form.findChild<QTimeEdit*>("DateTimePicker1")->setTime(QTime(12, 0, 0));
    w.clock.now = std::floor(w.clock.now) + 1.5;  // each run on a day of its own, noon
    w.Tick();
}

// Properties of machine 4 with a new name and 修改; a refused store leaves the dialog open, so close it.
void RenameMachine4(Window& w) {
    static int renames = 0;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
        Type(dialog, "Edit1", QStringLiteral("M%1").arg(++renames));
        Click(dialog, "OKBtn");
        if (dialog->isVisible()) Click(dialog, "CancelBtn");
    });
    TargetMachine(w.form.Board(), 4);
    w.form.N41Click();
    EXPECT_TRUE(script.Finished());
}

TEST(DiskFull, AFailedWriteNamesTheFileKeepsTheOldOneAndTheProgramGoesOn) {
    const Operation operations[] = {
        {"snapshot save", "temp.sav", [](Window& w, const QString&) { w.form.SaveSnapshot(); }},
        {"options apply", "save.ini",
         [](Window& w, const QString&) {
             w.Unlock();
             auto* time = w.form.findChild<QTimeEdit*>("DateTimePicker1");
             time->setTime(time->time().addSecs(60));  // every apply stores something new
             w.Press("BitBtn1");
         }},
        {"daily archive", ".txt", [](Window& w, const QString& folder) { ArchiveAtNoon(w, folder); }},
        {"parameter store", "save.ini", [](Window& w, const QString&) { RenameMachine4(w); }},
    };
    for (const Operation& op : operations) {
        SmallDisk disk;
        SCOPED_TRACE(std::string(op.name) + " on a " + disk.Kind());
        Window w(disk.Path());
        FillDay(w);
        op.run(w, disk.Path());  // the files as they were before the disk filled up
        ASSERT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
        FinishMachine2(w);
        const auto before = disk.Files();
        const QString notePad = w.form.NotePad()->toPlainText();

        disk.Fill();
        op.run(w, disk.Path());
        disk.MakeRoom();
        ASSERT_EQ(w.messages.errors.size(), 1);
        EXPECT_TRUE(w.messages.errors[0].startsWith("Cannot create file \""))
            << w.messages.errors[0].toStdString();
        EXPECT_TRUE(w.messages.errors[0].contains(op.file)) << w.messages.errors[0].toStdString();
        EXPECT_EQ(disk.Files(), before) << "old files byte for byte, no temporary left";
        EXPECT_EQ(w.form.NotePad()->toPlainText(), notePad);

        op.run(w, disk.Path());  // with room again the same action works
        EXPECT_EQ(w.messages.errors.size(), 1);
        EXPECT_NE(disk.Files(), before);
    }
}

}  // namespace
}  // namespace kerfolio::test
