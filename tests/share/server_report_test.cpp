// kerfolio-report --postgres against a real PostgreSQL the test starts: two PCs' journals sent to it
// give, with every option, the very report their journals give read locally.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "share/sender.h"
#include "share/server_journals.h"
#include "tests/share/pg_server.h"
#include "tests/share/sender_timing.h"
#include "tests/share/test_journal.h"

namespace kerfolio::share {
namespace {

using namespace std::chrono_literals;
using test::PgServer;
using test::TestJournal;

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// The report as an administrator runs it, in a zone whose clocks change.
Outcome Report(const std::vector<std::string>& args, const std::filesystem::path& folder) {
    std::string command = "TZ=Europe/Berlin LC_ALL=C.UTF-8 " + Quote(KERFOLIO_REPORT);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " >" + Quote((folder / "out.txt").string()) + " 2>" + Quote((folder / "err.txt").string());
    Outcome run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(folder / "out.txt");
    run.err = ReadAll(folder / "err.txt");
    return run;
}

// Every row of a query over a report's database, a line each.
std::string Dump(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) text = sqlite3_errmsg(db);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto* value = sqlite3_column_text(statement, c);
                text += std::string(value ? reinterpret_cast<const char*>(value) : "NULL") + "|";
            }
            text += "\n";
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return text;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

std::string Unaligned(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    }
    return out;
}

class ServerReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<PgServer>();
        ASSERT_TRUE(server_->Start());
    }
    void Send(const std::filesystem::path& journal, std::int64_t lastSeq) {
        Sender sender(journal, server_->Conninfo(), test::QuickSenderOptions());
        sender.Start();
        ASSERT_TRUE(test::WaitUntil([&] { return sender.Status().sentSeq == lastSeq; }, 20s))
            << sender.Status().lastError;
        sender.Stop();
    }
    void Register(const std::string& pcId, const std::string& name) {
        ASSERT_EQ(server_->Psql("SELECT kerfolio.register_pc('" + pcId + "', '" + name + "', current_user)"),
                  "");
    }
    std::unique_ptr<PgServer> server_;
};

// Instants of the clock changes of Europe/Berlin in 2026: 25 October 03:00 CEST is 02:00 CET (01:00
// UTC), 29 March 02:00 CET is 03:00 CEST (01:00 UTC).
constexpr std::int64_t kHour = 3'600'000;
constexpr std::int64_t kOct24At20Utc = 1792872000000;
constexpr std::int64_t kMar28At22Utc = 1774735200000;
constexpr std::int64_t kNov2At8Utc = 1793606400000;

TEST_F(ServerReportTest, EveryOptionGivesTheJournalsOwnReportAcrossMidnightAndClockChanges) {
    const std::filesystem::path root = server_->Folder() / "pcs";
    const std::filesystem::path folderA = root / "A车间", folderB = root / "B车间";
    std::filesystem::create_directories(folderA);
    std::filesystem::create_directories(folderB);
    const std::filesystem::path journalA = folderA / "journal.sqlite", journalB = folderB / "journal.sqlite";
    const std::string idA(32, 'a'), idB(32, 'b');
    std::int64_t lastA = 0, lastB = 0;
    {
        TestJournal a(journalA, idA);
        // 22:00 CEST to 04:00 CET: across midnight and the autumn change, a jump across midnight too.
        TestJournal::Job night;
        night.workpiece = "凸模";
        night.amount = 1200;
        night.mountMs = kOct24At20Utc - kHour / 2;
        night.startMs = kOct24At20Utc;
        night.finishMs = kOct24At20Utc + 7 * kHour;
        night.offsetS = 3600;
        night.intervals = {
            {"jump", kOct24At20Utc + 3 * kHour / 2, kOct24At20Utc + 5 * kHour / 2},
            {"break", kOct24At20Utc + 13 * kHour / 2, kOct24At20Utc + 13 * kHour / 2 + 600'000}};
        const std::int64_t nightSeq = a.Complete(night);
        // The next evening to past midnight, its jump total corrected at completion (shared out by time)
        // and its fields changed: the report lists what changed.
        TestJournal::Job corrected;
        corrected.machine = 2;
        corrected.workpiece = "凹模";
        corrected.amount = 300;
        corrected.startMs = kOct24At20Utc + 26 * kHour + kHour / 2;
        corrected.finishMs = kOct24At20Utc + 28 * kHour + kHour / 4;
        corrected.offsetS = 3600;
        corrected.intervals = {{"jump", corrected.startMs + kHour / 4, corrected.startMs + kHour / 2}};
        corrected.jumpMs = kHour / 2;
        corrected.detail =
            R"({"report_no":"2","stamped":{"machine":"机床2","workpiece":"凹模","jump":"0:15:00","amount":"200"},)"
            R"("final":{"machine":"机床2","workpiece":"凹模","jump":"0:30:00","amount":"300"}})";
        corrected.stampedDiffers = true;
        a.Complete(corrected);
        // Across the spring change: 23:00 CET to 05:00 CEST is five hours.
        TestJournal::Job spring;
        spring.amount = 500;
        spring.startMs = kMar28At22Utc;
        spring.finishMs = kMar28At22Utc + 5 * kHour;
        spring.offsetS = 7200;
        spring.intervals = {{"jump", kMar28At22Utc + kHour / 2, kMar28At22Utc + 3 * kHour + kHour / 2}};
        a.Complete(spring);
        a.Archive(kOct24At20Utc + 8 * kHour, (folderA / "archive" / "10-25-26.txt").string(),
                  {{nightSeq, 3}});
        // A week later, outside the ranges asked for below.
        TestJournal::Job later;
        later.machine = 2;
        later.amount = 50;
        later.startMs = kNov2At8Utc;
        later.finishMs = kNov2At8Utc + kHour;
        later.offsetS = 3600;
        lastA = a.Complete(later);

        // A PC eight hours east, whose offsets Berlin's zone does not give: days on its own clock, and
        // an offset that changed between two of its jobs.
        TestJournal b(journalB, idB);
        TestJournal::Job east;
        east.machine = 3;
        east.workpiece = "凸模B";
        east.amount = 800;
        east.startMs = kOct24At20Utc - 5 * kHour;
        east.finishMs = kOct24At20Utc - 5 * kHour / 2;  // 23:00 to 01:30 at +8
        east.intervals = {{"jump", east.startMs + kHour / 2, east.startMs + 2 * kHour},
                          {"break", east.startMs + kHour, east.startMs + kHour + kHour / 4}};
        b.Complete(east);
        TestJournal::Job moved = east;
        moved.amount = 100;
        moved.startMs = kOct24At20Utc + 9 * kHour;
        moved.finishMs = kOct24At20Utc + 11 * kHour;  // its clock put an hour on: 06:00 to 08:00 at +9
        moved.offsetS = 32400;
        moved.intervals = {};
        lastB = b.Complete(moved);
    }
    Send(journalA, lastA);
    Send(journalB, lastB);
    Register(idA, "A车间");
    Register(idB, "B车间");

    const std::filesystem::path out = server_->Folder() / "out";
    std::filesystem::create_directories(out);
    const std::vector<std::string> journals = {"--journal", journalA.string(), "--journal",
                                               journalB.string()};
    // The journals' report names each job's journal where the server's names its PC.
    const auto normal = [&](std::string text) {
        return Replaced(Replaced(text, journalA.string(), "A车间"), journalB.string(), "B车间");
    };
    const struct {
        std::vector<std::string> options;
        std::vector<std::string> alsoLocal;  // journals given with --postgres: read from them, once
    } cases[] = {
        {{}, {}},
        {{"--by", "day"}, {}},
        {{"--by", "week"}, {}},
        {{"--by", "month"}, {}},
        {{"--by", "total"}, {}},
        {{"--from", "2026-10-25", "--to", "2026-10-25"}, {}},
        {{"--from", "2026-03-29", "--to", "2026-10-24", "--by", "month"}, {}},
        {{"--jobs"}, {}},
        {{"--workpiece", "凸模", "--by", "week"}, {}},
        {{"--encoding", "gbk"}, {}},
        {{"--by", "day"}, {"--journal", journalA.string()}},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const std::string& option : c.options)
            name += option + " ";
        SCOPED_TRACE(name);
        const auto run = [&](const std::string& side, std::vector<std::string> sources) {
            std::vector<std::string> args = c.options;
            for (const char* output : {"--csv", "--html", "--sqlite"})
                args.insert(args.end(), {output, (out / (side + (output + 2))).string()});
            args.insert(args.end(), sources.begin(), sources.end());
            std::filesystem::remove(out / (side + "sqlite"));
            return Report(args, out);
        };
        std::vector<std::string> server = c.alsoLocal;
        server.insert(server.end(), {"--postgres", server_->Conninfo()});
        const Outcome local = run("local.", journals);
        const Outcome shared = run("server.", server);
        ASSERT_EQ(local.status, 0) << local.err;
        ASSERT_EQ(shared.status, 0) << shared.err;
        // The table's columns are as wide as their widest cell: a journal's path is wider than a name.
        EXPECT_EQ(Unaligned(normal(shared.out)), Unaligned(normal(local.out)));
        EXPECT_EQ(normal(ReadAll(out / "server.csv")), normal(ReadAll(out / "local.csv")));
        EXPECT_EQ(normal(ReadAll(out / "server.html")), normal(ReadAll(out / "local.html")));
        for (const char* sql : {"SELECT * FROM day_sums", "SELECT * FROM jobs ORDER BY 1, 2, 3, 4"}) {
            EXPECT_EQ(normal(Dump(out / "server.sqlite", sql)), normal(Dump(out / "local.sqlite", sql)))
                << sql;
        }
    }

    // What the day report holds: each PC's machines on the days they ran, the night's split at midnight,
    // the changed fields listed.
    const Outcome day =
        Report({"--by", "day", "--csv", (out / "day.csv").string(), "--postgres", server_->Conninfo()}, out);
    ASSERT_EQ(day.status, 0) << day.err;
    const std::string csv = ReadAll(out / "day.csv");
    for (const char* row : {"A车间/机床1,2026-10-24,", "A车间/机床1,2026-10-25,", "A车间/机床1,2026-03-29,",
                            "A车间/机床2,2026-10-26,", "B车间/机床3,2026-10-24,", "B车间/机床3,2026-10-25,"})
        EXPECT_NE(csv.find(row), std::string::npos) << row << "\n" << csv;
    for (const char* shown : {"完成时修改了", "加工量：200 → 300"})
        EXPECT_NE(day.out.find(shown), std::string::npos) << shown << "\n" << day.out;
}

// A server that cannot be read is a failure with its reason, never a report of an idle shop.
TEST_F(ServerReportTest, AServerThatCannotBeReadFailsAndSaysWhy) {
    const struct {
        std::string conninfo;
        std::string said;
    } cases[] = {
        {server_->Conninfo(PgServer::kOwner, "wrong"), "password authentication failed"},
        {"hostt=nowhere", "hostt"},
    };
    for (const auto& c : cases) {
        const Outcome run = Report({"--postgres", c.conninfo, "--by", "total"}, server_->Folder());
        EXPECT_EQ(run.status, 1) << c.conninfo;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_NE(run.out.find("PostgreSQL"), std::string::npos) << run.out;
    }
    ServerJournals journals;
    EXPECT_NE(ReadServerJournals(cases[0].conninfo, 0, 1, journals), std::nullopt);
    EXPECT_TRUE(journals.pcs.empty());
}

}  // namespace
}  // namespace kerfolio::share
