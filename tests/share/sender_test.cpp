// The sender against a real PostgreSQL started by the test.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "office/office_board.h"
#include "reports/report.h"
#include "share/messages.h"
#include "share/pg_connection.h"
#include "share/sender.h"
#include "share/server_journals.h"
#include "share/server_schema.h"
#include "tests/share/pg_server.h"
#include "tests/share/sender_timing.h"
#include "tests/share/test_journal.h"

namespace kerfolio::share {
namespace {

using namespace std::chrono_literals;
using test::PgServer;
using test::TestJournal;

constexpr std::int64_t kMorning = 1796000000000;  // 30 November 2026, 00:53 UTC

using test::WaitUntil;
SenderOptions Quick() {
    SenderOptions options = test::QuickSenderOptions();
    options.batchEvents = 200;
    return options;
}

std::string PcId(int n) {
    return std::string(30, '0') + std::to_string(10 + n);
}

class SenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<PgServer>();
        ASSERT_TRUE(server_->Start());
    }
    std::filesystem::path JournalPath(int pc) {
        return server_->Folder() / ("journal" + std::to_string(pc) + ".sqlite");
    }
    long long Count(const std::string& sql) { return std::stoll(server_->Psql(sql)); }
    // The owner's registration of a PC, as the set-up gives it.
    void Register(const std::string& pcId, const std::string& name, const std::string& role,
                  const std::string& database = "postgres") {
        ASSERT_EQ(server_->Psql("SELECT kerfolio.register_pc('" + pcId + "', '" + name + "', '" + role + "')",
                                database),
                  "");
    }
    // Every seq of the PC from 1 to last exactly once, committed in seq order.
    void ExpectAllOnceInOrder(const std::string& pcId, long long last) {
        EXPECT_EQ(
            server_->Psql("SELECT count(*), count(DISTINCT seq), min(seq), max(seq) FROM kerfolio.events"
                          " WHERE pc_id = '" +
                          pcId + "'"),
            std::to_string(last) + "|" + std::to_string(last) + "|1|" + std::to_string(last));
        EXPECT_EQ(
            Count("SELECT count(*) FROM (SELECT received_at < lag(received_at) OVER (ORDER BY seq) AS back"
                  " FROM kerfolio.events WHERE pc_id = '" +
                  pcId + "') t WHERE back"),
            0);
    }
    std::unique_ptr<PgServer> server_;
};

class SeveralPcs : public SenderTest, public ::testing::WithParamInterface<int> {};

TEST_P(SeveralPcs, EveryEventArrivesOnceWhateverTheInterleaving) {
    const int pcs = GetParam();
    std::vector<std::unique_ptr<TestJournal>> journals;
    std::vector<std::unique_ptr<Sender>> senders;
    for (int pc = 0; pc < pcs; ++pc) {
        journals.push_back(std::make_unique<TestJournal>(JournalPath(pc), PcId(pc)));
        for (int i = 0; i < 300; ++i)
            journals.back()->Click("mounted", 1 + i % 6, kMorning + i * 1000);
    }
    // All start at once against an empty database: they race to make the tables too.
    for (int pc = 0; pc < pcs; ++pc) {
        senders.push_back(std::make_unique<Sender>(JournalPath(pc), server_->Conninfo(), Quick()));
        senders.back()->Start();
    }
    // More clicks while the senders run; clocks differ by minutes between PCs.
    for (int i = 0; i < 100; ++i)
        for (int pc = 0; pc < pcs; ++pc) {
            const std::int64_t skew = pc * 7 * 60000;
            if (i % 10 == 0)
                journals[static_cast<std::size_t>(pc)]->Complete(2, kMorning + skew,
                                                                 kMorning + skew + 3600000, 3);
            else
                journals[static_cast<std::size_t>(pc)]->Click("started", 2, kMorning + skew + i * 1000);
        }
    for (auto& sender : senders)
        ASSERT_TRUE(WaitUntil([&] {
            return sender->Status().pending == 0 && sender->Status().sentSeq == 400;
        })) << sender->Status().lastError;
    for (int pc = 0; pc < pcs; ++pc)
        ExpectAllOnceInOrder(PcId(pc), 400);
    EXPECT_EQ(Count("SELECT count(*) FROM kerfolio.jobs"), pcs * 10);
    EXPECT_EQ(Count("SELECT count(*) FROM kerfolio.job_intervals"), pcs * 10);
    EXPECT_EQ(Count("SELECT max(version) FROM kerfolio.migrations"), kSchemaVersion);

    // The shop-wide report: each registered PC's machine under the PC's name, with its own figures.
    for (int pc = 0; pc < pcs; ++pc)
        Register(PcId(pc), "车间" + std::to_string(pc), PgServer::kOwner);
    ReportRequest request;
    request.readServer = [this](std::int64_t from, std::int64_t to, ServerJournals& out) {
        return ReadServerJournals(server_->Conninfo(), from, to, out);
    };
    const Report report = BuildReport(request);
    EXPECT_EQ(report.serverError, "");
    ASSERT_EQ(report.overview.size(), static_cast<std::size_t>(pcs));
    for (int pc = 0; pc < pcs; ++pc) {
        const PeriodSums& row = report.overview[static_cast<std::size_t>(pc)];
        EXPECT_EQ(row.machine, "车间" + std::to_string(pc) + "/机床2");
        EXPECT_EQ(row.jobs, 10);
        EXPECT_EQ(row.amount, 30);
        EXPECT_EQ(row.net, 10 * (3600 - 60));
        EXPECT_EQ(row.jump, 10 * 60);
    }
}

INSTANTIATE_TEST_SUITE_P(PcCounts, SeveralPcs, ::testing::Values(2, 4));

TEST_F(SenderTest, AnHourWithoutTheServerArrivesOnceAndInOrder) {
    TestJournal journal(JournalPath(0), PcId(0));
    Sender sender(JournalPath(0), server_->Conninfo(), Quick());
    sender.Start();
    journal.Click("program_started", 0, kMorning);
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq == 1; })) << sender.Status().lastError;

    server_->Stop();
    // An hour of clicks, one a second.
    for (int s = 1; s <= 3600; ++s)
        journal.Click(s % 2 ? "jump_start" : "jump_end", 1 + s % 6, kMorning + s * 1000);
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().pending == 3600 && sender.Status().failures >= 2; }));
    const SenderStatus away = sender.Status();
    EXPECT_FALSE(away.lastError.empty());
    EXPECT_TRUE(LagPastHour(away, kMorning + 3601 * 1000 + 1000));
    EXPECT_FALSE(LagPastHour(away, kMorning + 1000 + 3599 * 1000));
    EXPECT_EQ(away.pendingSinceMs, kMorning + 1000);

    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq == 3601; })) << sender.Status().lastError;
    EXPECT_EQ(sender.Status().pending, 0);
    EXPECT_TRUE(sender.Status().lastError.empty());
    ExpectAllOnceInOrder(PcId(0), 3601);
}

TEST_F(SenderTest, AFrozenServerIsCutByTimeoutsAndNothingIsLost) {
    TestJournal journal(JournalPath(0), PcId(0));
    Sender sender(JournalPath(0), server_->Conninfo(), Quick());
    sender.Start();
    for (int i = 0; i < 50; ++i)
        journal.Click("started", 1, kMorning + i);
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq == 50; })) << sender.Status().lastError;

    server_->Freeze();
    // The window goes on ticking and writing while the server hangs.
    for (int i = 50; i < 150; ++i) {
        journal.Click("started", 1, kMorning + i);
        const auto before = std::chrono::steady_clock::now();
        (void)sender.Status();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 50ms)
            << "the status must never wait for the network";
    }
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().failures >= 2; }, 30s))
        << sender.Status().pending << " " << sender.Status().sentSeq << " " << sender.Status().lastError;
    EXPECT_NE(sender.Status().lastError.find(kServerTimedOut), std::string::npos)
        << sender.Status().lastError;
    EXPECT_EQ(sender.Status().sentSeq, 50);

    server_->Thaw();
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq == 150; })) << sender.Status().lastError;
    ExpectAllOnceInOrder(PcId(0), 150);
}

TEST_F(SenderTest, ConnectionsCutMidTransactionLoseAndDoubleNothing) {
    TestJournal journal(JournalPath(0), PcId(0));
    for (int i = 0; i < 6000; ++i)
        journal.Click("started", 1 + i % 6, kMorning + i);
    SenderOptions options = Quick();
    options.batchEvents = 300;
    Sender sender(JournalPath(0), server_->Conninfo(), options);
    sender.Start();
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq >= 300; })) << sender.Status().lastError;
    // A session of ours holds the events table, so each of the sender's batches waits inside its
    // transaction until it is cut there.
    PGconn* holder = PQconnectdb(server_->Conninfo().c_str());
    ASSERT_EQ(PQstatus(holder), CONNECTION_OK) << PQerrorMessage(holder);
    PQclear(PQexec(holder, "BEGIN"));
    PGresult* locked = PQexec(holder, "LOCK TABLE kerfolio.events IN EXCLUSIVE MODE");
    ASSERT_EQ(PQresultStatus(locked), PGRES_COMMAND_OK) << PQerrorMessage(holder);
    PQclear(locked);
    int cuts = 0;
    for (int i = 0; i < 5; ++i) {
        cuts += WaitUntil([&] {
            return server_->Psql(
                       "SELECT count(*) FROM (SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                       " WHERE application_name = 'kerfolio' AND wait_event_type = 'Lock') t") == "1";
        });
    }
    PQclear(PQexec(holder, "ROLLBACK"));
    PQfinish(holder);
    EXPECT_EQ(cuts, 5);
    ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq == 6000; })) << sender.Status().lastError;
    ExpectAllOnceInOrder(PcId(0), 6000);
}

// The owner's SQL of the set-up before PCs were registered, for a database made by an older release.
constexpr char kOwnerSql[] = R"(
REVOKE ALL ON DATABASE kerfolio FROM PUBLIC;
GRANT CONNECT ON DATABASE kerfolio TO kerfolio_pc;
CREATE SCHEMA kerfolio;
GRANT USAGE ON SCHEMA kerfolio TO kerfolio_pc;
ALTER DEFAULT PRIVILEGES IN SCHEMA kerfolio GRANT SELECT, INSERT ON TABLES TO kerfolio_pc;
)";

// The set-up as docs/postgresql.md gives it, run by the superuser of a fresh server: each PC's login
// sends its own events and can change nothing else, the office reads, the board lists PCs by name.
class SetUpTest : public SenderTest {
  protected:
    void SetUp() override {
        server_ = std::make_unique<PgServer>("postgres");
        ASSERT_TRUE(server_->Start());
    }
    std::string Run(const std::vector<std::string>& variables) {
        return server_->PsqlFile(KERFOLIO_SETUP_SQL, variables);
    }
    std::string AddPc(const std::string& pcId, const std::string& name, const std::string& login) {
        return Run(
            {"pc_id=" + pcId, "pc_name=" + name, "pc_login=" + login, "pc_password=" + login + "-secret"});
    }
    std::string Login(const std::string& login) {
        return server_->Conninfo(login, login + "-secret", "kerfolio");
    }
};

TEST_F(SetUpTest, EachLoginKeepsToItsPart) {
    const std::string made = Run({"owner_password=owner-secret", "office_password=kerfolio_office-secret"});
    ASSERT_EQ(made.find("ERROR"), std::string::npos) << made;
    // The server finds a PC cut off by a pulled cable in minutes, not hours.
    EXPECT_EQ(server_->Psql("SELECT setting FROM pg_file_settings WHERE name = 'tcp_keepalives_idle'"), "60");

    // Before the owner has made the tables, a reading login says why it cannot read.
    PgConnection office;
    ASSERT_EQ(office.Open(Login("kerfolio_office"), 5s), std::nullopt);
    EXPECT_EQ(Migrate(office), kSchemaMissing);
    ServerJournals journals;
    ASSERT_EQ(ReadServerJournals(server_->Conninfo("kerfolio_owner", "owner-secret", "kerfolio"), 0,
                                 INT64_MAX, journals),
              std::nullopt);
    for (const auto& [pc, name, login] :
         {std::tuple{PcId(0), "一车间", "kerfolio_hall1"}, std::tuple{PcId(1), "二车间", "kerfolio_hall2"}}) {
        const std::string added = AddPc(pc, name, login);
        ASSERT_EQ(added.find("ERROR"), std::string::npos) << added;
    }

    TestJournal journal(JournalPath(0), PcId(0));
    journal.Click("mounted", 1, kMorning);
    journal.Complete(1, kMorning, kMorning + 60000, 2);
    {
        Sender hall1(JournalPath(0), Login("kerfolio_hall1"), Quick());
        hall1.Start();
        ASSERT_TRUE(WaitUntil([&] { return hall1.Status().sentSeq == 2; })) << hall1.Status().lastError;
    }
    const auto asPc = [&](const std::string& sql) {
        return server_->Psql("SET ROLE kerfolio_hall1; " + sql, "kerfolio");
    };
    for (const std::string& sql : std::vector<std::string>{
             "UPDATE kerfolio.events SET kind = 'x'", "DELETE FROM kerfolio.events",
             "TRUNCATE kerfolio.events", "UPDATE kerfolio.jobs SET amount = 0", "DELETE FROM kerfolio.jobs",
             "DROP TABLE kerfolio.events",
             "INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, detail)"
             " VALUES ('x', 1, 0, 0, 'k', '{}') ON CONFLICT (pc_id, seq) DO UPDATE SET kind = 'y'",
             "CREATE TABLE kerfolio.mine(a int)",
             // Rows under another registered PC's id, or under ids nobody registered.
             "INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, detail)"
             " VALUES ('" +
                 PcId(1) + "', 1, 0, 0, 'mounted', '{}')",
             "INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, detail)"
             " SELECT lpad(g::text, 32, '0'), 1, 0, 0, 'mounted', '{}' FROM generate_series(1, 501) g",
             "INSERT INTO kerfolio.jobs SELECT 'another-pc', seq + 100, machine, machine_name, workpiece, "
             "amount, mount_utc_ms, start_utc_ms, finish_utc_ms, utc_offset_s, jump_ms, break_ms, "
             "report_line,"
             " stamped_differs FROM kerfolio.jobs",
             // Registering itself or another PC, or writing the tables' version.
             "INSERT INTO kerfolio.pcs(pc_id, name, role) VALUES ('another-pc', 'x', 'kerfolio_hall1')",
             "UPDATE kerfolio.pcs SET name = 'x'",
             "SELECT kerfolio.register_pc('another-pc', 'x', 'kerfolio_hall1')",
             "INSERT INTO kerfolio.migrations(version) VALUES (99)",
             "UPDATE kerfolio.migrations SET version = 99", "DELETE FROM kerfolio.migrations"})
        EXPECT_NE(asPc(sql).find("ERROR"), std::string::npos) << sql;
    // Another PC's login cannot send this PC's journal.
    journal.Click("mounted", 2, kMorning + 120000);
    Sender intruder(JournalPath(0), Login("kerfolio_hall2"), Quick());
    intruder.Start();
    ASSERT_TRUE(WaitUntil([&] { return !intruder.Status().settingsProblem.empty(); }));
    EXPECT_EQ(intruder.Status().settingsProblem,
              std::string(kPcNotRegistered) + PcId(0) + kPcNotRegisteredUser + "kerfolio_hall2");
    intruder.Stop();
    EXPECT_EQ(server_->Psql("SELECT count(*) FROM kerfolio.events", "kerfolio"), "2");

    // Run again for a PC, the part renames it.
    ASSERT_EQ(AddPc(PcId(0), "一号车间", "kerfolio_hall1").find("ERROR"), std::string::npos);
    ASSERT_EQ(Migrate(office), std::nullopt);
    std::vector<live::OfficePc> pcs;
    std::int64_t unregistered = -1;
    ASSERT_EQ(ReadOfficePcs(office, kMorning, 0, pcs, unregistered), std::nullopt);
    ASSERT_EQ(pcs.size(), 2u);
    EXPECT_EQ(pcs[0].name, "一号车间");
    EXPECT_TRUE(pcs[0].heard);
    EXPECT_EQ(pcs[1].name, "二车间");
    EXPECT_FALSE(pcs[1].heard);
    EXPECT_EQ(unregistered, 0);
    for (const char* sql :
         {"INSERT INTO kerfolio.pcs(pc_id, name, role) VALUES ('o', 'o', 'kerfolio_office')",
          "INSERT INTO kerfolio.migrations(version) VALUES (99)",
          "INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, detail)"
          " VALUES ('o', 1, 0, 0, 'mounted', '{}')"})
        EXPECT_FALSE(office.Exec(sql).Ok()) << sql;
    EXPECT_EQ(server_->Psql("SELECT kind FROM kerfolio.events ORDER BY seq", "kerfolio"),
              "mounted\ncompleted");
}

// A database made before PCs were registered: each id a PC claimed by sending stays its login's,
// nameless until the owner names it, and from then on only the owner writes the version.
TEST_F(SenderTest, AnOlderDatabaseKeepsItsPcsSendingAndTakesTheVersionBack) {
    for (const char* sql : {"CREATE ROLE kerfolio_pc LOGIN PASSWORD 'pc-secret'",
                            "CREATE DATABASE kerfolio OWNER kerfolio_owner"})
        ASSERT_EQ(server_->Psql(sql), "");
    ASSERT_EQ(server_->Psql(kOwnerSql, "kerfolio"), "");
    PgConnection owner;
    ASSERT_EQ(owner.Open(server_->Conninfo(PgServer::kOwner, PgServer::kOwnerPassword, "kerfolio"), 5s),
              std::nullopt);
    ASSERT_EQ(Migrate(owner, 2), std::nullopt);
    const auto asPc = [&](const std::string& sql) {
        return server_->Psql("SET ROLE kerfolio_pc; " + sql, "kerfolio");
    };
    ASSERT_EQ(asPc("INSERT INTO kerfolio.pc_owners(pc_id) VALUES ('" + PcId(0) + "')"), "");

    // Until the owner runs the new release, the PC says the tables are older than it and waits.
    TestJournal journal(JournalPath(0), PcId(0));
    journal.Click("mounted", 1, kMorning);
    Sender pc(JournalPath(0), server_->Conninfo("kerfolio_pc", "pc-secret", "kerfolio"), Quick());
    pc.Start();
    ASSERT_TRUE(WaitUntil([&] { return !pc.Status().settingsProblem.empty(); }));
    EXPECT_EQ(pc.Status().settingsProblem, kSchemaOld);
    ASSERT_EQ(Migrate(owner), std::nullopt);
    ASSERT_TRUE(WaitUntil([&] { return pc.Status().sentSeq == 1; })) << pc.Status().lastError;
    for (const std::string sql :
         {"INSERT INTO kerfolio.migrations(version) VALUES (99)",
          "INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, detail)"
          " VALUES ('another-pc', 1, 0, 0, 'mounted', '{}')"})
        EXPECT_NE(asPc(sql).find("ERROR"), std::string::npos) << sql;
    std::vector<live::OfficePc> pcs;
    std::int64_t unregistered = -1;
    ASSERT_EQ(ReadOfficePcs(owner, kMorning, 0, pcs, unregistered), std::nullopt);
    EXPECT_TRUE(pcs.empty());
    EXPECT_EQ(unregistered, 1);
}

// Another program on the port the settings name: it answers whatever it is sent with an HTTP error
// and hangs up. On loopback only.
class OtherService {
  public:
    OtherService() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0; close(client)) {
                char request[64];
                if (read(client, request, sizeof request) > 0) {
                    constexpr char kAnswer[] = "HTTP/1.1 400 Bad Request\r\n\r\n";
                    (void)!write(client, kAnswer, sizeof kAnswer - 1);
                }
            }
        });
    }
    ~OtherService() {
        shutdown(listener_, SHUT_RDWR);  // wakes the accept
        thread_.join();
        close(listener_);
    }
    int Port() const { return port_; }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Settings an operator must put right are found by the first connection, made at start-up with
// nothing to send, and told apart from a server that cannot be reached, which is an outage.
TEST_F(SenderTest, BadSettingsSayWhyAtStartUpAndTheJournalGoesOn) {
    std::string noServer = server_->Conninfo();
    noServer.replace(noServer.find(" port=") + 6, 5, "1");
    const OtherService web;
    // Tables a later release made: the program leaves them alone and keeps its events.
    ASSERT_EQ(server_->Psql("CREATE DATABASE newer"), "");
    ASSERT_EQ(
        server_->Psql("CREATE SCHEMA kerfolio; CREATE TABLE kerfolio.migrations(version integer PRIMARY KEY);"
                      " INSERT INTO kerfolio.migrations VALUES (" +
                          std::to_string(kSchemaVersion + 1) + ")",
                      "newer"),
        "");
    const std::string otherProgram =
        "host=127.0.0.1 port=" + std::to_string(web.Port()) + " dbname=kerfolio user=kerfolio_pc";
    struct Case {
        std::string conninfo, expected;
        bool settings;
    } cases[] = {
        {"host= = nonsense", kBadConninfo, true},
        {"hostt=" + server_->Folder().string() + " dbname=postgres", kBadConninfo, true},
        {server_->Conninfo(PgServer::kOwner, "wrong"), "password authentication failed", true},
        {server_->Conninfo("nobody", "x"), "password authentication failed", true},
        {server_->Conninfo(PgServer::kOwner, PgServer::kOwnerPassword, "kerfolo"), "does not exist", true},
        {otherProgram, "SSL", true},
        {server_->Conninfo(PgServer::kOwner, PgServer::kOwnerPassword, "newer"), kSchemaTooNew, true},
        {noServer, kConnectFailed, false},
    };
    for (const auto& c : cases) {
        const auto path = server_->Folder() / "j.sqlite";
        std::filesystem::remove(path);
        TestJournal journal(path, PcId(0));
        Sender sender(path, c.conninfo, Quick());
        sender.Start();
        ASSERT_TRUE(WaitUntil([&] { return sender.Status().failures >= 1; }, 5s)) << c.conninfo;
        const SenderStatus status = sender.Status();
        EXPECT_NE(status.lastError.find(c.expected), std::string::npos) << status.lastError;
        EXPECT_EQ(status.settingsProblem, c.settings ? status.lastError : "") << c.conninfo;
        // Clicks are still written while the sender fails.
        EXPECT_EQ(journal.Click("mounted", 1, kMorning), 1);
        ASSERT_TRUE(WaitUntil([&] { return sender.Status().failures >= 2; })) << c.conninfo;
        EXPECT_EQ(sender.Status().sentSeq, 0);
    }
}

}  // namespace
}  // namespace kerfolio::share
