// Two real windows with data folders of their own send to one real PostgreSQL; the office board and the
// shop-wide report read it back. Clicks are driven as an operator gives them: a click on the cell, the
// dialogs answered (tests/app/gui_test_support.h).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>

#include "journal/journal_schema.h"
#include "live/live_server.h"
#include "live/view_html.h"
#include "live/view_json.h"
#include "office/office_board.h"
#include "reports/csv_writer.h"
#include "reports/report.h"
#include "share/server_journals.h"
#include "tests/app/form_window.h"
#include "tests/live/raw_client.h"
#include "tests/share/pg_server.h"

namespace kerfolio::test {
namespace {

// save.ini asks for the shared database through a file beside it (the test server's string is long).
// The first window also serves its own live board, on livePort.
void ShareTo(const QString& folder, const std::string& conninfo, int livePort = 0) {
    QFile conn(folder + "/share.conn");
    ASSERT_TRUE(conn.open(QIODevice::WriteOnly));
    conn.write(QByteArray::fromStdString(conninfo + "\n"));
    QFile ini(folder + "/save.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    // The archive at noon: the night's job is not met by one at midnight.
    ini.write("[share]\r\ndatabase_file=share.conn\r\n[time]\r\ntime1=12:00:00\r\n");
    if (livePort) ini.write(QStringLiteral("[web]\r\nlisten=127.0.0.1:%1\r\n").arg(livePort).toLatin1());
}

// The office board as a browser sees it: every PC's non-idle machines, "machine:state", per PC.
QList<QStringList> BusyMachines(int port) {
    const auto answer = live::testing::Ask(port, "GET", "/board.json");
    QList<QStringList> pcs;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object();
    for (const QJsonValue& pc : root["pcs"].toArray()) {
        QStringList busy;
        for (const QJsonValue& machine : pc["machines"].toArray())
            if (machine["state"].toString() != "idle")
                busy << QStringLiteral("%1:%2")
                            .arg(machine["number"].toInt())
                            .arg(machine["state"].toString());
        pcs << busy;
    }
    return pcs;
}

// An hour of one machine's jobs, every five minutes: mount, start, a jump, the finish.
void AnHourOfJobs(Window& w, int hour) {
    for (int job = 0; job < 12; ++job) {
        const int minute = job * 5;
        w.clock.Set(hour, minute, 0);
        w.ClickCell(15, {Press("OKBtn")});
        w.clock.Set(hour, minute, 30);
        w.ClickCell(16, {Press("OKBtn"),
                         Fill({{"Edit1", QStringLiteral("件%1").arg(job)}, {"Edit2", "100"}}, "OKBtn")});
        w.clock.Set(hour, minute + 1, 0);
        w.ClickCell(17, {Press("OKBtn")});
        w.clock.Set(hour, minute + 2, 0);
        w.ClickCell(18, {Press("OKBtn")});
        w.clock.Set(hour, minute + 4, 0);
        w.ClickCell(21, {Press("OKBtn")});
    }
}

// A job of machine 4 from 23:50 to 00:20 the next day.
void AcrossMidnight(Window& w) {
    w.clock.now = 46'000.0 + (23 * 3600 + 50 * 60) / 86'400.0;
    w.ClickCell(22, {Press("OKBtn")});
    w.ClickCell(23, {Press("OKBtn"), Fill({{"Edit1", QStringLiteral("夜班")}, {"Edit2", "300"}}, "OKBtn")});
    w.clock.now = 46'001.0 + (20 * 60) / 86'400.0;
    w.ClickCell(28, {Press("OKBtn")});
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// The day CSV of a report, every figure of every machine and day.
std::string DayCsv(const ReportRequest& request) {
    std::ostringstream csv;
    WriteCsv(BuildReport(request), CsvEncoding::Utf8WithBom, csv);
    return csv.str();
}

TEST(ShareTwoWindows, ClicksReachTheOfficeBoardAndAnHourAwayArrivesOnce) {
    PgServer server;
    ASSERT_TRUE(server.Start());
    TempFolder folderA, folderB;
    const int livePort = live::testing::FreeLoopbackPort();
    ShareTo(folderA.Path(), server.Conninfo(), livePort);
    ShareTo(folderB.Path(), server.Conninfo());
    Window a(folderA.Path()), b(folderB.Path());
    // The owner registers each PC by name once the senders' first connections have made the tables.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return server.Psql("SELECT to_regclass('kerfolio.pcs') IS NOT NULL") == "t"; }, 15'000));
    for (const auto& [folder, name] : {std::pair{&folderA, "一车间"}, std::pair{&folderB, "二车间"}}) {
        const std::string file = (folder->Path() + "/" + journal::kFileName).toStdString();
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT value FROM meta WHERE key = 'pc_id'", -1, &statement, nullptr);
        ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW) << file;
        const std::string pc = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        ASSERT_EQ(server.Psql("SELECT kerfolio.register_pc('" + pc + "', '" + name + "', current_user)"), "");
    }

    live::LiveServer office("");
    ASSERT_FALSE(office.Start({"127.0.0.1", 0, "127.0.0.1:0"}));
    share::OfficeBoardOptions options;
    options.period = std::chrono::milliseconds(200);
    share::OfficeBoard board(
        server.Conninfo(),
        [&office](std::shared_ptr<const live::OfficeView> view) {
            office.PublishPages(std::make_shared<const live::Pages>(
                live::Pages{live::RenderOfficeJson(*view), live::RenderOfficeHtml(*view)}));
        },
        options);
    board.Start();

    // A mount on one window, a start on the other: both on the office board within seconds.
    a.clock.Set(8, 0, 0);
    a.ClickCell(1, {Press("OKBtn")});
    b.clock.Set(8, 0, 0);
    b.ClickCell(8, {Press("OKBtn")});
    b.ClickCell(9, {Press("OKBtn"), Fill({{"Edit1", "凸模"}, {"Edit2", "100"}}, "OKBtn")});
    QElapsedTimer seen;
    seen.start();
    const auto bothShown = [&] {
        QList<QStringList> pcs = BusyMachines(office.Port());
        std::sort(pcs.begin(), pcs.end());
        return pcs == QList<QStringList>{{"1:mounted"}, {"2:machining"}};
    };
    ASSERT_TRUE(QTest::qWaitFor(bothShown, 15'000)) << BusyMachines(office.Port()).size();
    EXPECT_LT(seen.elapsed(), 5'000);

    // The server away for an hour of work on both windows, then back: every event arrives once.
    server.Stop();
    AnHourOfJobs(a, 9);
    AnHourOfJobs(b, 9);
    AcrossMidnight(a);
    // The first PC's own live board says how far behind the shared database is, then nothing once sent.
    const auto shareLag = [&] {
        const auto answer = live::testing::Ask(livePort, "GET", "/board.json");
        return QJsonDocument::fromJson(QByteArray::fromStdString(answer.body))
            .object()["share_lag"]
            .toString();
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return shareLag().contains("个事件未发送到共享数据库（自 09:00 起）"); }, 40'000))
        << shareLag().toStdString();
    ASSERT_TRUE(server.Start());
    const auto path = [](const TempFolder& f) { return (f.Path() + "/" + journal::kFileName).toStdString(); };
    // Each journal's last seq, as the PC wrote it: the server must hold 1..last once for each.
    const auto lastSeq = [](const std::string& file) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT pc_id, max(seq) FROM events", -1, &statement, nullptr);
        sqlite3_step(statement);
        const std::string pc = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        const long long last = sqlite3_column_int64(statement, 1);
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return std::pair{pc, last};
    };
    for (const TempFolder* folder : {&folderA, &folderB}) {
        const auto [pc, last] = lastSeq(path(*folder));
        ASSERT_GT(last, 60);
        const std::string expected =
            std::to_string(last) + "|" + std::to_string(last) + "|1|" + std::to_string(last);
        const std::string sql =
            "SELECT count(*), count(DISTINCT seq), min(seq), max(seq) FROM kerfolio.events"
            " WHERE pc_id = '" +
            pc + "'";
        // The senders back off while the server is away: up to half a minute before they try again.
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.Psql(sql) == expected; }, 90'000))
            << server.Psql(sql) << " against " << expected;
    }

    // The shop-wide report from the server is the journals' own, day by day, the night's job split at
    // midnight; each journal's machines carry its folder's name, each server PC's its registered name.
    ReportRequest fromJournals;
    fromJournals.journals = {path(folderA), path(folderB)};
    std::string local = DayCsv(fromJournals);
    for (const auto& [folder, name] : {std::pair{&folderA, "一车间"}, std::pair{&folderB, "二车间"}})
        local = Replaced(local, QFileInfo(folder->Path()).fileName().toStdString() + "/",
                         std::string(name) + "/");
    ReportRequest fromServer;
    fromServer.readServer = [&server](std::int64_t from, std::int64_t to, share::ServerJournals& out) {
        return share::ReadServerJournals(server.Conninfo(), from, to, out);
    };
    EXPECT_EQ(DayCsv(fromServer), local);
    // Each PC's hour of twelve jobs; the night's ten minutes before midnight and its job after.
    for (const char* row : {",2025-12-09,12,1200,", ",2025-12-09,0,0,0:10:00,", ",2025-12-10,1,300,0:20:00,"})
        EXPECT_NE(local.find(row), std::string::npos) << row << "\n" << local;
    EXPECT_NE(local.find(",2025-12-09,12,1200,", local.find(",2025-12-09,12,1200,") + 1), std::string::npos);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shareLag().isEmpty(); }, 15'000)) << shareLag().toStdString();
    // And the office board shows both PCs' machine 3 idle again, the earlier jobs still open.
    EXPECT_TRUE(QTest::qWaitFor(bothShown, 10'000));
    board.Stop();
}

// What the settings, the login or the tables hold wrong is said within seconds of start-up, once; a
// server that cannot be reached is an outage, left to the backlog's message.
TEST(ShareTwoWindows, AWrongLoginOrStringIsSaidAtStartUpOnceAndAnAbsentServerIsNot) {
    PgServer server;
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(server.Psql("CREATE DATABASE newer"), "");
    ASSERT_EQ(
        server.Psql("CREATE SCHEMA kerfolio; CREATE TABLE kerfolio.migrations(version integer PRIMARY KEY);"
                    " INSERT INTO kerfolio.migrations VALUES (99)",
                    "newer"),
        "");
    std::string absent = server.Conninfo();
    absent.replace(absent.find(" port=") + 6, 5, "1");
    const struct {
        std::string conninfo;
        QString said;  // empty: nothing is said
    } cases[] = {
        {server.Conninfo(PgServer::kOwner, "wrong"), "password authentication failed"},
        {"hostt=" + server.Folder().string() + " dbname=postgres", "数据库连接字符串无效"},
        {server.Conninfo(PgServer::kOwner, PgServer::kOwnerPassword, "newer"), "表版本比本程序新"},
        {absent, ""},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        ShareTo(folder.Path(), c.conninfo);
        QElapsedTimer started;
        started.start();
        Window w(folder.Path());
        if (!c.said.isEmpty()) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !w.messages.errors.isEmpty(); }, 10'000)) << c.conninfo;
            EXPECT_LT(started.elapsed(), 6'000) << c.conninfo;
        }
        // The sender goes on trying meanwhile; nothing more is said.
        QTest::qWait(6'000);
        ASSERT_EQ(w.messages.errors.size(), c.said.isEmpty() ? 0 : 1)
            << w.messages.errors.join("|").toStdString();
        if (!c.said.isEmpty()) {
            EXPECT_TRUE(w.messages.errors[0].contains(c.said)) << w.messages.errors[0].toStdString();
        }
    }
}

}  // namespace
}  // namespace kerfolio::test
