#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimeEdit>

#include "app/pages/status_bar.h"
#include "board/clock_tick.h"
#include "storage/archive_record.h"
#include "storage/daily_archive.h"
#include "storage/data_folder.h"
#include "storage/file_lock.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"
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

// Day d after the test's first day (46'000, 2025-12-09), at a time of day.
TDateTime At(int d, int h, int m, int s = 0) {
    return 46'000.0 + d + (h * 3600 + m * 60 + s) / 86'400.0;
}

QStringList DayFiles(const QString& folder) {
    return QDir(folder).entryList({"*.txt"}, QDir::Files);
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
    w.Tick();
    EXPECT_EQ(w.form.NotePad()->toPlainText(), firstLine) << "one second early: nothing happens";
    w.clock.now = 46'000.0 + (23 * 3600 + 55 * 60 + 0.6) / 86'400.0;  // inside the matching second
    w.Tick();
    w.Tick();  // a second tick within the same second archives nothing more
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
    w.Tick();
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
    w.Tick();
    EXPECT_EQ(QDir(folder.Path()).entryList({"*.txt"}), QStringList());

    SetArchive(w, true, folder.Path() + "/missing", QTime(12, 0, 0));
    w.clock.Set(12, 0, 0);
    w.Tick();
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
                    w.form.Timer1Timer();  // the day file is written while the job is confirmed
                    Click(completion, "OKBtn");
                }});
    w.Settle();
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), Gbk(firstLine));
    EXPECT_TRUE(w.form.NotePad()->toPlainText().startsWith("1    机床:机床2"));
    EXPECT_EQ(w.form.Board().JobCount(), 1);
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
        w.Tick();
        firstDay = DayFile(folder.Path(), w.clock);
        archived = FileBytes(firstDay);
        ASSERT_TRUE(archived.startsWith(Gbk("1    机床:机床1")));
        EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
    }  // gone without its close, as a kill leaves it

    ASSERT_TRUE(settings.Write("checkbox2", "checked", "true"));  // the snapshot loaded at start-up
    Window w(folder.Path());
    EXPECT_EQ(w.form.NotePad()->toPlainText(), "");
    EXPECT_EQ(w.form.Board().JobCount(), 0);
    EXPECT_EQ(w.form.Board().Cell(2, ecJumpStart), "23:50:00") << "the board itself came back";
    SetArchive(w, true, folder.Path(), QTime(23, 55, 0));
    w.clock.Set(23, 55, 0);
    w.clock.now += 1;  // the next day's archive
    w.Tick();
    EXPECT_EQ(FileBytes(firstDay), archived);
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), QByteArray()) << "no job archived twice";
}

const QString kLastRunLines =
    QStringLiteral("1    机床:机床1   工件名称:凹模\n2    机床:机床3   工件名称:凸模");

// What an earlier run left: the options, the record of its last archive, its NotePad in temp.sav.
void LeaveLastRun(const QString& folder, QTime time, bool on, std::optional<TDateTime> archived) {
    SettingsFile settings(folder.toStdString() + "/save.ini");
    ASSERT_TRUE(settings.WriteEntries({{"file", "dir", folder.toStdString() + "/archive"},
                                       {"time", "time1", time.toString("H:mm:ss").toStdString()},
                                       {"checkbox2", "checked", "true"},
                                       {"checkbox3", "checked", on ? "true" : "false"}}));
    if (archived) {
        ASSERT_TRUE(WriteArchiveRecord(settings, SecondOf(*archived)));
    }
    WorkSnapshot snapshot;
    snapshot.notePad = kLastRunLines.toStdString();
    snapshot.jobCount = 2;
    ASSERT_EQ(SaveWorkSnapshot(folder.toStdString(), snapshot), std::nullopt);
}

TEST(FormArchive, AMissedMomentIsMadeUpOnceUnderTheFirstMissedDate) {
    struct Row {
        const char* name;
        QTime time;
        bool on;
        std::optional<TDateTime> archived;  // the last archive moment recorded
        TDateTime start;
        std::optional<TDateTime> jump;  // a tick after the clock jumped (a PC suspended)
        std::optional<int> fileDay;     // the day whose file gets the NotePad
        bool said;                      // that a missed archive was made up
    } rows[] = {
        {"closed across the moment", {23, 50}, true, At(-1, 23, 50), At(1, 7, 45), {}, 0, true},
        {"PC off three days", {23, 50}, true, At(-1, 23, 50), At(3, 7, 45), {}, 0, true},
        {"back before the moment", {23, 50}, true, At(-1, 23, 50), At(0, 18, 0), {}, {}, false},
        {"off at night, archive at midnight", {0, 0}, true, At(0, 0, 0), At(1, 7, 45), {}, 1, true},
        {"suspended", {23, 50}, true, At(-1, 23, 50), At(0, 23, 49, 59), At(1, 8, 0), 0, true},
        {"first run: no record", {23, 50}, true, {}, At(1, 7, 45), {}, {}, false},
        {"archive off", {23, 50}, false, At(-1, 23, 50), At(3, 7, 45), {}, {}, false},
        {"clock put back", {23, 50}, true, At(5, 23, 50), At(0, 14, 0), At(0, 23, 50), 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const QString archive = folder.Path() + "/archive";
        ASSERT_TRUE(QDir().mkpath(archive));
        LeaveLastRun(folder.Path(), row.time, row.on, row.archived);
        Window w(folder.Path(), row.start);
        if (row.jump) {
            w.clock.now = *row.jump;
            w.Tick();
        }
        EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
        if (row.fileDay) {
            const FixedClock day(At(*row.fileDay, 12, 0));
            EXPECT_EQ(DayFiles(archive), QStringList{QFileInfo(DayFile(archive, day)).fileName()});
            EXPECT_EQ(FileBytes(DayFile(archive, day)), Gbk(kLastRunLines.split('\n').join("\r\n")));
            EXPECT_EQ(w.form.NotePad()->toPlainText(), "");
            EXPECT_EQ(w.form.Board().JobCount(), 0);
        } else {
            EXPECT_EQ(DayFiles(archive), QStringList());
            EXPECT_EQ(w.form.NotePad()->toPlainText(), kLastRunLines);
        }
        const QString hint = w.form.StatusBar()->PanelText(4);
        EXPECT_EQ(
            hint.contains("错过") && row.fileDay &&
                hint.endsWith(QFileInfo(DayFile(archive, FixedClock(At(*row.fileDay, 0, 0)))).fileName()),
            row.said)
            << hint.toStdString();
    }
}

TEST(FormArchive, AFailedArchiveIsTriedEveryMinuteUnderItsDateUntilTheNextMoment) {
    struct Row {
        const char* name;
        int backAfter;           // seconds after the moment the folder is there again
        std::vector<int> ticks;  // seconds after the moment
        int fileDay;
        int boxes;
    } rows[] = {
        {"back after 30 s", 30, {30, 59, 60}, 0, 1},
        {"back after two minutes", 90, {60, 120}, 0, 1},
        {"back only after the next moment", 86'400 + 30, {60, 120, 3'600, 86'400, 86'460}, 1, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const QString away = folder.Path() + "/away";
        Window w(folder.Path());
        FillDay(w);
        const QString lines = w.form.NotePad()->toPlainText();
        SetArchive(w, true, away, QTime(23, 55, 0));
        w.clock.now = At(0, 23, 55);
        w.Tick();
        ASSERT_EQ(w.messages.errors.size(), 1);
        EXPECT_EQ(w.form.NotePad()->toPlainText(), lines);
        for (const int tick : row.ticks) {
            if (tick >= row.backAfter) QDir().mkpath(away);
            w.clock.now = At(0, 23, 55) + tick / 86'400.0;
            w.Tick();
        }
        EXPECT_EQ(w.messages.errors.size(), row.boxes);
        const FixedClock day(At(row.fileDay, 12, 0));
        EXPECT_EQ(DayFiles(away), QStringList{QFileInfo(DayFile(away, day)).fileName()});
        EXPECT_EQ(FileBytes(DayFile(away, day)), Gbk(lines));
        EXPECT_EQ(w.form.NotePad()->toPlainText(), "");
        EXPECT_TRUE(w.form.StatusBar()->PanelText(4).contains("重试存档成功"))
            << w.form.StatusBar()->PanelText(4).toStdString();
    }
}

// The share the last archive went to is away: its mount point is a plain folder on the local disk, and
// lines written there would hide once the share is back.
TEST(FormArchive, AFolderThatWasOnAShareIsNotWrittenWhileTheShareIsAway) {
    TempFolder folder;
    const QString share = folder.Path() + "/share";
    QDir().mkpath(share);
    SettingsFile settings(SettingsPath(folder.Path().toStdString()));
    ASSERT_TRUE(WriteArchiveMount(
        settings, {"", "nfs4", "srv:/export", QFileInfo(share).canonicalFilePath().toStdString()}));
    Window w(folder.Path());
    FillDay(w);
    const QString lines = w.form.NotePad()->toPlainText();
    SetArchive(w, true, share + "/pc1", QTime(23, 55, 0));
    QDir().mkpath(share + "/pc1");
    w.clock.now = At(0, 23, 55);
    w.Tick();
    ASSERT_EQ(w.messages.errors.size(), 1);
    EXPECT_TRUE(w.messages.errors[0].contains("srv:/export")) << w.messages.errors[0].toStdString();
    EXPECT_EQ(DayFiles(share + "/pc1"), QStringList());
    EXPECT_EQ(w.form.NotePad()->toPlainText(), lines);

    // Another folder chosen: the next minute's try goes there, and its file system is what counts now.
    const QString local = folder.Path() + "/local";
    QDir().mkpath(local);
    SetArchive(w, true, local, QTime(23, 55, 0));
    w.clock.now = At(0, 23, 56);
    w.Tick();
    EXPECT_EQ(w.messages.errors.size(), 1);
    EXPECT_EQ(FileBytes(DayFile(local, FixedClock(At(0, 12, 0)))), Gbk(lines));
    const auto now = ReadArchiveMount(settings);
    ASSERT_TRUE(now);
    const auto expected = FindFolderMount(local.toStdString());
    ASSERT_TRUE(expected);
    EXPECT_EQ(now->type, expected->type);
    EXPECT_EQ(now->mountPoint, expected->mountPoint);
}

// A share that hangs holds the archive up: the window goes on ticking, and a job finished meanwhile
// stays in the NotePad as the new day's first.
TEST(FormArchive, TheWindowTicksWhileTheArchiveWaitsAndKeepsLinesAddedMeanwhile) {
    TempFolder folder;
    Window w(folder.Path());
    FillDay(w);
    const QString firstLine = w.form.NotePad()->toPlainText();
    SetArchive(w, true, folder.Path(), QTime(23, 55, 0));
    w.clock.now = At(0, 23, 55);
    FileLock other;  // another PC archiving into the folder
    ASSERT_EQ(other.Take(ArchiveLockPath(DayFile(folder.Path(), w.clock).toStdString()),
                         std::chrono::milliseconds(0)),
              0);
    w.form.Timer1Timer();
    ASSERT_TRUE(w.form.ArchiveBusy());
    w.clock.now = At(0, 23, 56);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.form.StatusBar()->PanelText(1) == "23:56:00"; }, 3'000));
    FinishMachine2(w);
    ASSERT_TRUE(w.form.ArchiveBusy());
    other.Release();
    w.Settle();
    EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
    EXPECT_EQ(FileBytes(DayFile(folder.Path(), w.clock)), Gbk(firstLine));
    EXPECT_TRUE(w.form.NotePad()->toPlainText().startsWith("1    机床:机床2"))
        << w.form.NotePad()->toPlainText().toStdString();
    EXPECT_EQ(w.form.NotePad()->document()->blockCount(), 1);
    EXPECT_EQ(w.form.Board().JobCount(), 1);
}

}  // namespace
}  // namespace kerfolio::test
