#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <memory>

#include "storage/settings_file.h"
#include "tests/app/form_window.h"
#include "tests/app/small_disk.h"

namespace kerfolio::test {
namespace {

// Rows as another program reads them: columns joined by '|', rows by '\n'.
QString Query(const QString& folder, const char* sql) {
    sqlite3* db = nullptr;
    QString out;
    if (sqlite3_open_v2((folder + "/journal.sqlite").toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, sql,
            [](void* sink, int columns, char** values, char**) {
                auto& text = *static_cast<QString*>(sink);
                if (!text.isEmpty()) text += '\n';
                for (int i = 0; i < columns; ++i)
                    text += (i ? "|" : "") + QString::fromUtf8(values[i] ? values[i] : "NULL");
                return 0;
            },
            &out, nullptr);
    }
    sqlite3_close(db);
    return out;
}

int JournalMessages(const RecordingMessages& messages) {
    int count = 0;
    for (const QString& text : messages.shown + messages.errors)
        count += text.contains(QStringLiteral("事件日志")) ? 1 : 0;
    return count;
}

// Everything a snapshot holds, as the window shows it.
QStringList Board(Window& w) {
    QStringList state;
    for (int cell = 1; cell <= kCellCount; ++cell)
        state << w.Cell(cell);
    for (int m = 1; m <= kMachineCount; ++m) {
        const TMachineRow& row = w.form.Board().Row(m);
        state << QString::fromStdString(row.JumpTotal() + "|" + row.BreakTotal() + "|" + row.WorkName() +
                                        "|" + row.WorkAmount());
    }
    state << QString::number(w.form.Board().JobCount()) << w.form.NotePad()->toPlainText();
    return state;
}

TEST(Journal, EveryConfirmedClickIsOnRecordWithItsInstant) {
    TempFolder folder;
    {
        Window w(folder.Path());
        FillDay(w);
        w.ClickCell(2, {});  // refused: machine 1 is free again, nothing to record
        w.ClickCell(15, {Press("OKBtn")});
        w.ClickCell(16, {Press("OKBtn"), Press("CancelBtn")});  // the entry given up: no start
        w.ClickCell(11, {Press("OKBtn")});
        w.ClickCell(14, {Fill({{"Edit2", "凸模 C"}, {"Edit7", "23:55:00"}}, "OKBtn")});
        w.form.close();
    }
    EXPECT_EQ(Query(folder.Path(),
                    "SELECT group_concat(kind || coalesce(machine, ''), ' ') FROM "
                    "(SELECT * FROM events ORDER BY seq)"),
              "program_started mounted1 started1 completed1 mounted2 started2 jump_start2 mounted3 jump_end2 "
              "completed2 program_closed");
    // The board's local time and the instant agree: 7:00 on day 46000.
    const qint64 local = (46'000LL - 25'569) * 86'400'000 + 7 * 3'600'000LL;
    EXPECT_EQ(Query(folder.Path(),
                    "SELECT utc_ms + utc_offset_s * 1000 FROM events WHERE kind = 'mounted' "
                    "ORDER BY seq LIMIT 1"),
              QString::number(local));
    EXPECT_EQ(Query(folder.Path(),
                    "SELECT jobs.workpiece, stamped_differs, json_extract(e.detail, '$.stamped.workpiece'), "
                    "json_extract(e.detail, '$.stamped.finish'), json_extract(e.detail, '$.final.finish'), "
                    "finish_utc_ms - e.utc_ms FROM jobs JOIN events e USING(seq) ORDER BY seq"),
              "凹模|0|凹模|7:30:00|7:30:00|0\n凸模 C|1|凸模 B|23:50:00|23:55:00|300000");
    EXPECT_EQ(Query(folder.Path(),
                    "SELECT json_extract(detail, '$.amount_text'), amount FROM events "
                    "WHERE kind = 'started' AND machine = 2"),
              "0x20|32");
}

struct CrashCase {
    const char* name;
    bool autoLoad;
    bool cleanClose;
    bool restored;
    // Done to the journal between the end of the run and the next start, with another PC's folder.
    void (*meddle)(const QString& folder, const QString& otherPc) = nullptr;
    const char* told = nullptr;  // what the next start then says
};

void RemoveJournal(const QString& folder) {
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(folder + "/journal.sqlite" + suffix);
}

void CopyJournalFrom(const QString& to, const QString& from) {
    RemoveJournal(to);
    for (const char* suffix : {"", "-wal"})
        QFile::copy(from + "/journal.sqlite" + suffix, to + "/journal.sqlite" + suffix);
}

TEST(Journal, AStartAfterACrashBringsBackTheClicksSinceTheSnapshot) {
    const CrashCase cases[] = {
        {"crash, 自动调入", true, false, true},
        {"crash, no 自动调入", false, false, false},
        {"clean close, 自动调入", true, true, false},
        // Losses the start can see are told, and nothing of another PC reaches the board.
        {"crash, journal deleted", true, false, false,
         [](const QString& f, const QString&) { RemoveJournal(f); }, "原有的事件日志已不在"},
        {"crash, journal damaged", true, false, false,
         [](const QString& f, const QString&) {
             RemoveJournal(f);
             QFile file(f + "/journal.sqlite");
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray(8192, 'x'));
         },
         "已损坏"},
        {"crash, another PC's journal copied in", true, false, false, CopyJournalFrom, "另一台电脑"},
        {"clean close, another PC's journal copied in", true, true, false, CopyJournalFrom, "另一台电脑"},
    };
    // Another PC's day: machine 5 mounted and started, and then that PC died.
    TempFolder otherPc;
    {
        Window other(otherPc.Path());
        other.clock.Set(6, 0, 0);
        other.ClickCell(29, {Press("OKBtn")});
        other.ClickCell(30, {Press("OKBtn"), Fill({{"Edit1", "别处"}, {"Edit2", "5"}}, "OKBtn")});
    }
    for (const CrashCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        SettingsFile settings(folder.Path().toStdString() + "/save.ini");
        ASSERT_TRUE(settings.Write("checkbox2", "checked", c.autoLoad ? "true" : "false"));
        QStringList atSnapshot, atEnd;
        {
            auto w = std::make_unique<Window>(folder.Path());
            w->clock.Set(7, 0, 0);
            w->ClickCell(1, {Press("OKBtn")});
            w->ClickCell(2, {Press("OKBtn"), Fill({{"Edit1", "凹模"}, {"Edit2", "100"}}, "OKBtn")});
            ASSERT_TRUE(w->form.SaveSnapshot());
            atSnapshot = Board(*w);
            w->clock.Set(7, 30, 0);
            w->ClickCell(3, {Press("OKBtn")});
            w->ClickCell(4, {Press("OKBtn")});
            w->ClickCell(7, {Press("OKBtn")});
            w->ClickCell(8, {Press("OKBtn")});
            w->ClickCell(9, {Press("OKBtn"), Fill({{"Edit1", "凸模"}, {"Edit2", "0x20"}}, "OKBtn")});
            w->clock.Set(8, 0, 0);
            w->ClickCell(12, {Press("OKBtn")});
            atEnd = Board(*w);
            // A clean close without the timed snapshot keeps the snapshot saved on purpose.
            if (c.cleanClose) w->form.close();
        }  // without a close: the program died
        if (c.meddle) c.meddle(folder.Path(), otherPc.Path());
        Window again(folder.Path());
        if (!c.autoLoad) {
            EXPECT_EQ(again.Cell(2), "");
        } else {
            EXPECT_EQ(Board(again), c.restored ? atEnd : atSnapshot);
        }
        EXPECT_EQ(again.messages.shown.filter(QStringLiteral("已从事件日志恢复")).size(), c.restored ? 1 : 0)
            << again.messages.shown.join('|').toStdString();
        if (c.told) {
            EXPECT_EQ(again.messages.shown.filter(QString::fromUtf8(c.told)).size(), 1)
                << again.messages.shown.join('|').toStdString();
        }
        if (!c.restored) continue;
        // Restored once: a second crash right away brings back the same board, not the clicks twice.
        again.ClickCell(13, {Press("OKBtn")});
        const QStringList afterRestart = Board(again);
        Window third(folder.Path());
        EXPECT_EQ(Board(third), afterRestart);
    }
}

struct TroubleCase {
    const char* name;
    void (*prepare)(const QString& folder);  // before the window starts
    bool fillDisk;                           // the disk fills once the window is up, room comes back after
    void (*mend)(const QString& folder);
    const char* resumed;  // the journal's events once it can write again
};

TEST(Journal, AJournalThatCannotBeWrittenNeverStopsTheLog) {
    const TroubleCase cases[] = {
        {"damaged file",
         [](const QString& folder) {
             QFile file(folder + "/journal.sqlite");
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray(8192, 'x'));
         },
         false, nullptr, nullptr},
        {"a folder in its place", [](const QString& folder) { QDir(folder).mkdir("journal.sqlite"); }, false,
         [](const QString& folder) { QDir(folder).rmdir("journal.sqlite"); }, "mounted6"},
        // The same file goes on: what it held before the disk filled is still there, nothing set aside.
        {"full disk", nullptr, true, nullptr, "program_started mounted6"},
    };
    // The same clicks in a folder without trouble give the files to compare with.
    const auto clicks = [](Window& w) {
        FillDay(w);
        FinishMachine2(w);
        w.clock.Set(23, 59, 0);
        w.ClickCell(29, {Press("OKBtn")});
    };
    TempFolder plain;
    {
        Window w(plain.Path());
        clicks(w);
        EXPECT_TRUE(w.form.SaveSnapshot());
        EXPECT_EQ(JournalMessages(w.messages), 0);
    }
    for (const TroubleCase& c : cases) {
        SmallDisk disk;
        SCOPED_TRACE(std::string(c.name) + (c.fillDisk ? std::string(" on a ") + disk.Kind() : ""));
        const QString folder = disk.Path();
        if (c.prepare) c.prepare(folder);
        Window w(folder);
        if (c.fillDisk) disk.Fill();
        clicks(w);
        if (c.fillDisk) disk.MakeRoom();
        EXPECT_TRUE(w.form.SaveSnapshot());
        EXPECT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
        EXPECT_EQ(JournalMessages(w.messages), 1) << w.messages.shown.join('|').toStdString();
        // save.ini names its own folder as the archive's; everything else byte for byte.
        for (const char* name : {"/save.ini", "/temp.sav"}) {
            // Which journal the folder has is its own: the one that could not be opened has none.
            const QRegularExpression pcId("\\[journal\\]\r\npc_id=[0-9a-f]*\r\n");
            EXPECT_EQ(
                QString::fromLatin1(FileBytes(folder + name).replace(folder.toUtf8(), "F")).remove(pcId),
                QString::fromLatin1(FileBytes(plain.Path() + name).replace(plain.Path().toUtf8(), "F"))
                    .remove(pcId))
                << name;
        }
        if (!c.resumed) continue;
        if (c.mend) c.mend(folder);
        w.ClickCell(36, {Press("OKBtn")});
        EXPECT_EQ(Query(folder,
                        "SELECT group_concat(kind || coalesce(machine, ''), ' ') FROM "
                        "(SELECT * FROM events ORDER BY seq)"),
                  c.resumed);
        EXPECT_EQ(JournalMessages(w.messages), 1);
        EXPECT_EQ(QDir(folder).entryList({"journal-damaged-*"}, QDir::Files), QStringList{});
    }
}

// An administrator's set-up: the program folder not the operator's to write, save.ini and temp.sav
// writable by all. The journal then lives in the user's folder, and a crash still loses no click.
TEST(Journal, AReadOnlyDataFolderKeepsItsJournalInTheUsersFolder) {
    TempFolder folder, user;
    qputenv("XDG_DATA_HOME", user.Path().toUtf8());
    SettingsFile settings(folder.Path().toStdString() + "/save.ini");
    ASSERT_TRUE(settings.Write("checkbox2", "checked", "true"));
    {
        Window before(folder.Path());  // the folder still writable: its journal beside save.ini
        before.form.close();
    }
    for (const char* name : {"/save.ini", "/temp.sav"})
        QFile::setPermissions(folder.Path() + name, QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup |
                                                        QFile::WriteGroup | QFile::ReadOther |
                                                        QFile::WriteOther);
    QFile::setPermissions(folder.Path(),
                          QFile::ReadUser | QFile::ExeUser | QFile::ReadGroup | QFile::ExeGroup);
    QStringList atEnd;
    {
        Window w(folder.Path());
        // The journal left beside save.ini is named once, and kept.
        EXPECT_EQ(w.messages.shown.filter(QStringLiteral("数据文件夹不能写入")).size(), 1)
            << w.messages.shown.join('|').toStdString();
        w.messages.shown.clear();
        w.ClickCell(1, {Press("OKBtn")});
        EXPECT_TRUE(w.form.SaveSnapshot());
        w.ClickCell(2, {Press("OKBtn"), Fill({{"Edit1", "凹模"}, {"Edit2", "100"}}, "OKBtn")});
        atEnd = Board(w);
        EXPECT_EQ(JournalMessages(w.messages), 0) << w.messages.shown.join('|').toStdString();
    }
    Window again(folder.Path());
    EXPECT_EQ(Board(again), atEnd);
    EXPECT_EQ(again.messages.shown.filter(QStringLiteral("快照之后的 1 个操作")).size(), 1)
        << again.messages.shown.join('|').toStdString();
    EXPECT_EQ(QDir(folder.Path()).entryList({"journal*"}, QDir::Files), QStringList{"journal.sqlite"});
    EXPECT_EQ(QDir(user.Path() + "/Kerfolio/journals").entryList({"journal-*.sqlite"}, QDir::Files).size(),
              1);
    QFile::setPermissions(folder.Path(), QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace kerfolio::test
