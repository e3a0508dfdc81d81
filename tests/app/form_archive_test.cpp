#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimeEdit>

#include "app/pages/status_bar.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"
#include "tests/app/form_window.h"

namespace kerfolio::test {
namespace {

// The options as the operator left them on screen; the tick reads them there, locked or not.
void SetArchive(Window& w, bool on, const QString& folder, QTime time) {
    w.form.findChild<QCheckBox*>("CheckBox3")->setChecked(on);
    w.form.findChild<QLineEdit*>("Edit43")->setText(folder);
    w.form.findChild<QTimeEdit*>("DateTimePicker1")->setTime(time);
}

// The day's file as the program names it: the regional short date, unsafe characters as "-".
QString DayFile(const QString& folder, const FixedClock& clock) {
    QString date =
        QLocale::system().toString(QDate(1899, 12, 30).addDays(qint64(clock.now)), QLocale::ShortFormat);
    for (QChar c : QStringLiteral("/\\:*?\"<>|"))
        date.replace(c, QLatin1Char('-'));
    return folder + "/" + date + ".txt";
}

QByteArray Gbk(const QString& text) {
    return QByteArray::fromStdString(ToGbk(text.toStdString()));
}

TEST(FormArchive, AtItsSecondTheNotePadGoesToTheDayFileAndNumberingStartsAgain) {
    TempFolder folder;
    Window w(folder.Path());
    FillDay(w);
    const QString firstLine = w.form.NotePad()->toPlainText();
    SetArchive(w, true, folder.Path(), QTime(23, 55, 0));

    w.clock.Set(23, 54, 59);
    w.form.Timer1Timer();
    EXPECT_EQ(w.form.NotePad()->toPlainText(), firstLine) << "one second early: nothing happens";
    w.clock.now = 46'000.0 + (23 * 3600 + 55 * 60 + 0.6) / 86'400.0;  // inside the matching second
    w.form.Timer1Timer();
    w.form.Timer1Timer();  // a second tick within the same second archives nothing more
    EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), Gbk(firstLine));
    EXPECT_EQ(w.form.NotePad()->toPlainText(), "");
    EXPECT_EQ(w.form.StatusBar()->PanelText(1), "23:55:00");

    w.clock.Set(23, 58, 0);
    FinishMachine2(w);
    const QString secondLine = w.form.NotePad()->toPlainText();
    EXPECT_TRUE(secondLine.startsWith("1    机床:机床2")) << secondLine.toStdString();

    // The archive time moved later the same day: the day's file keeps the first lines.
    SetArchive(w, true, folder.Path() + "/", QTime(23, 59, 0));
    w.clock.Set(23, 59, 0);
    w.form.Timer1Timer();
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), Gbk(firstLine + "\r\n" + secondLine));
    EXPECT_EQ(w.form.NotePad()->toPlainText(), "");
}

TEST(FormArchive, OffOrFailingTheNotePadAndNumberingStay) {
    TempFolder folder;
    Window w(folder.Path());
    FillDay(w);
    const QString notePad = w.form.NotePad()->toPlainText();
    w.clock.Set(12, 0, 0);

    SetArchive(w, false, folder.Path(), QTime(12, 0, 0));
    w.form.Timer1Timer();
    EXPECT_EQ(QDir(folder.Path()).entryList({"*.txt"}), QStringList());

    SetArchive(w, true, folder.Path() + "/missing", QTime(12, 0, 0));
    w.clock.Set(12, 0, 0);
    w.form.Timer1Timer();
    ASSERT_EQ(w.messages.errors.size(), 1);
    EXPECT_TRUE(w.messages.errors[0].startsWith("Cannot create file \"" +
                                                DayFile(folder.Path() + "/missing", w.clock)))
        << w.messages.errors[0].toStdString();
    EXPECT_EQ(w.form.NotePad()->toPlainText(), notePad);
    FinishMachine2(w);
    EXPECT_TRUE(w.form.NotePad()->toPlainText().contains("\n2    机床:机床2"));
}

TEST(FormArchive, RunsWhileTheCompletionDialogIsOpen) {
    TempFolder folder;
    Window w(folder.Path());
    FillDay(w);
    const QString firstLine = w.form.NotePad()->toPlainText();
    SetArchive(w, true, folder.Path(), QTime(0, 0, 0));
    w.clock.Set(0, 0, 0);
    w.ClickCell(11, {Press("OKBtn")});
    w.ClickCell(14, {[&](QWidget* completion) {
                    w.form.Timer1Timer();
                    Click(completion, "OKBtn");
                }});
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), Gbk(firstLine));
    EXPECT_TRUE(w.form.NotePad()->toPlainText().startsWith("1    机床:机床2"));
    EXPECT_EQ(w.form.Board().JobCount, 1);
}

// Killed a moment after the archive, before the five-minute snapshot: the next start must not bring
// back the archived jobs for the next archive to write again.
TEST(FormArchive, AKillRightAfterTheArchiveArchivesNoJobTwice) {
    TempFolder folder;
    SettingsFile settings(folder.Path().toStdString() + "/save.ini");
    ASSERT_TRUE(settings.Write("checkbox1", "checked", "true"));  // the five-minute snapshot
    QString firstDay;
    QByteArray archived;
    {
        Window w(folder.Path());
        FillDay(w);
        ASSERT_TRUE(w.form.SaveSnapshot());  // the last timed save, the job still in the NotePad
        SetArchive(w, true, folder.Path(), QTime(23, 55, 0));
        w.clock.Set(23, 55, 0);
        w.form.Timer1Timer();
        firstDay = DayFile(folder.Path(), w.clock);
        archived = FileBytes(firstDay);
        ASSERT_TRUE(archived.startsWith(Gbk("1    机床:机床1")));
        EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
    }  // gone without its close, as a kill leaves it

    ASSERT_TRUE(settings.Write("checkbox2", "checked", "true"));  // the snapshot loaded at start-up
    Window w(folder.Path());
    EXPECT_EQ(w.form.NotePad()->toPlainText(), "");
    EXPECT_EQ(w.form.Board().JobCount, 0);
    EXPECT_EQ(w.form.Board().Cell(2, ecJumpStart), "23:50:00") << "the board itself came back";
    SetArchive(w, true, folder.Path(), QTime(23, 55, 0));
    w.clock.Set(23, 55, 0);
    w.clock.now += 1;  // the next day's archive
    w.form.Timer1Timer();
    EXPECT_EQ(FileBytes(firstDay), archived);
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), QByteArray()) << "no job archived twice";
}

}  // namespace
}  // namespace kerfolio::test
