#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/form1.h"
#include "app/termination.h"
#include "storage/settings_file.h"
#include "tests/app/form_window.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

TEST(FormSnapshot, SaveNowThenLoadNowInAnotherRunRestoresBoardAndNotePad) {
    TempFolder folder;
    QString notePad;
    {
        Window first(folder.Path());
        FillDay(first);
        notePad = first.form.NotePad()->toPlainText();
        first.Unlock();
        first.Press("Button2");
        EXPECT_TRUE(first.messages.errors.isEmpty()) << first.messages.errors.join('|').toStdString();
    }
    // On disk: GBK with CR LF, as the workshop's other tools read it.
    const QByteArray sav = FileBytes(folder.Path() + "/temp.sav");
    EXPECT_TRUE(
        sav.startsWith("1    \xbb\xfa\xb4\xb2:\xbb\xfa\xb4\xb2"
                       "1"))
        << sav.toStdString();
    EXPECT_FALSE(sav.endsWith("\r\n"));
    const QByteArray ini = FileBytes(folder.Path() + "/save.ini");
    EXPECT_TRUE(ini.contains("[save]\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("m2=\xcd\xb9\xc4\xa3 B\r\n"));
    EXPECT_TRUE(ini.contains("\r\nE=1"));

    Window second(folder.Path());
    EXPECT_EQ(second.Cell(10), "");
    second.Unlock();
    second.Press("Button3");
    EXPECT_TRUE(second.messages.errors.isEmpty());
    EXPECT_EQ(second.form.NotePad()->toPlainText(), notePad);
    EXPECT_EQ(second.Cell(8), "8:00:00");
    EXPECT_EQ(second.Cell(9), "8:00:00");
    EXPECT_EQ(second.Cell(10), "23:50:00");
    EXPECT_EQ(second.form.Board().Row(2).WorkAmount(), "0x20");
    EXPECT_EQ(second.form.Board().JobCount(), 1);

    // The open jump goes on from the loaded start, across midnight.
    second.clock.Set(0, 5, 0);
    second.ClickCell(11, {Press("OKBtn")});
    EXPECT_EQ(second.form.Board().Row(2).JumpTotal(), "0:15:00");
    second.clock.Set(1, 0, 0);
    second.ClickCell(14, {Press("OKBtn")});
    EXPECT_TRUE(
        second.form.NotePad()->toPlainText().endsWith("跳步时间:0:15:00    断丝时间:0:00:00    "
                                                      "完成时间:1:00:00    加工量:0x20"));
    EXPECT_TRUE(second.form.NotePad()->toPlainText().contains("\n2    机床:机床2"));
}

TEST(FormSnapshot, AFailedLoadChangesNothing) {
    TempFolder folder;
    Window w(folder.Path());
    FillDay(w);
    SettingsFile(folder.Path().toStdString() + "/save.ini").Write("save", "11", "6:00:00");
    const QString notePad = w.form.NotePad()->toPlainText();
    w.Unlock();
    w.Press("Button3");  // keys exist, temp.sav does not
    ASSERT_EQ(w.messages.errors.size(), 1);
    EXPECT_TRUE(w.messages.errors[0].startsWith("Cannot open file \"")) << w.messages.errors[0].toStdString();
    EXPECT_TRUE(w.messages.errors[0].contains("temp.sav"));
    EXPECT_EQ(w.Cell(1), "");
    EXPECT_EQ(w.Cell(10), "23:50:00");
    EXPECT_EQ(w.form.NotePad()->toPlainText(), notePad);
    EXPECT_EQ(w.form.Board().JobCount(), 1);
}

TEST(FormSnapshot, ASaveThatCannotWriteNamesTheFileAndKeepsTheTimerOn) {
    TempFolder folder;
    QFile blocker(folder.Path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Window w(folder.Path() + "/file/data");  // a folder below a plain file cannot exist, even for root
    w.Unlock();
    w.form.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    w.Press("BitBtn1");
    w.messages.errors.clear();
    w.Unlock();
    w.Press("Button2");
    ASSERT_EQ(w.messages.errors.size(), 1);
    EXPECT_TRUE(w.messages.errors[0].startsWith("Cannot create file \""))
        << w.messages.errors[0].toStdString();
    EXPECT_TRUE(w.messages.errors[0].contains("temp.sav"));
    EXPECT_TRUE(w.form.SnapshotTimer()->isActive());
}

TEST(FormSnapshot, ACloseWhoseSnapshotFailsStaysOpenOnceThenEnds) {
    TempFolder folder;
    QFile blocker(folder.Path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Window w(folder.Path() + "/file/data");
    w.form.show();
    EXPECT_FALSE(w.form.close()) << "the board would be lost without a word";
    ASSERT_EQ(w.messages.errors.size(), 1);
    EXPECT_TRUE(w.messages.errors[0].contains("temp.sav"));
    EXPECT_TRUE(w.form.close()) << "the operator can always end the program";
    EXPECT_EQ(w.messages.errors.size(), 2);
}

TEST(FormSnapshot, ACloseThatCannotAskForTheSnapshotFileStillSavesInsteadOfEnding) {
    TempFolder folder;
    // temp.sav cannot be looked at (a link to itself here; a network folder gone away does the same).
    ASSERT_TRUE(QFile::link("temp.sav", folder.Path() + "/temp.sav"));
    Window w(folder.Path());
    FillDay(w);
    EXPECT_TRUE(w.form.close());
    EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
    EXPECT_TRUE(FileBytes(folder.Path() + "/temp.sav").startsWith("1    "));
}

TEST(FormSnapshot, TheTimerSavesAndTheFirstCloseSavesOnlyWhenNoSnapshotExists) {
    TempFolder folder;
    {
        Window w(folder.Path());
        FillDay(w);
        w.form.close();  // no temp.sav yet: the close writes the snapshot
    }
    const QByteArray firstSav = FileBytes(folder.Path() + "/temp.sav");
    EXPECT_TRUE(firstSav.startsWith("1    "));
    {
        Window w(folder.Path());
        w.Unlock();
        w.Press("Button3");
        EXPECT_EQ(w.Cell(10), "23:50:00");
        w.form.Board().SetCell(1, ecMount, "9:00:00");
        w.form.close();  // a snapshot exists: closing writes nothing
    }
    EXPECT_FALSE(FileBytes(folder.Path() + "/save.ini").contains("11=9:00:00"));
    {
        Window w(folder.Path());
        w.form.Board().SetCell(1, ecMount, "9:00:00");
        w.form.SnapshotTimer()->setInterval(1);
        w.form.SnapshotTimer()->start();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return FileBytes(folder.Path() + "/save.ini").contains("11=9:00:00"); }));
    }
}

TEST(FormSnapshot, WithTheFiveMinuteSnapshotOnACloseKeepsWhatChangedSinceTheLastSave) {
    TempFolder folder;
    const QString sav = folder.Path() + "/temp.sav";
    {
        Window w(folder.Path());
        w.form.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        FillDay(w);
        ASSERT_TRUE(w.form.SaveSnapshot());
        FinishMachine2(w);  // a job finished after the last timer save
        w.form.close();
    }
    EXPECT_TRUE(FileBytes(sav).contains("\r\n2    \xbb\xfa\xb4\xb2:")) << FileBytes(sav).toStdString();
    {
        // Loaded and left alone: nothing new, so the snapshot on disk is not touched.
        Window w(folder.Path());
        w.form.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        w.form.LoadSnapshot();
        QFile file(sav);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("kept");
        file.close();
        w.form.close();
    }
    EXPECT_EQ(FileBytes(sav), "kept");
}

TEST(FormSnapshot, TheEndOfAShiftBySignalGoesThroughTheSameClose) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    CloseOnTermination(&w.form, [&] { w.form.close(); });
    FillDay(w);
    ASSERT_TRUE(w.form.SaveSnapshot());
    FinishMachine2(w);
    ::raise(SIGTERM);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return FileBytes(folder.Path() + "/temp.sav").contains("\r\n2    "); }));
}

}  // namespace
}  // namespace kerfolio::test
