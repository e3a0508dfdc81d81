// The office board's reading of the shared server, against a real PostgreSQL started by the test.
#include "office/office_board.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "reports/report.h"
#include "reports/table_writer.h"
#include "share/pg_connection.h"
#include "share/sender.h"
#include "share/server_journals.h"
#include "tests/share/pg_server.h"
#include "tests/share/sender_timing.h"
#include "tests/share/test_journal.h"

namespace kerfolio::share {
namespace {

using namespace std::chrono_literals;
using live::MachineState;
using test::PgServer;
using test::TestJournal;

constexpr std::int64_t kMorning = 1796000000000;  // 30 November 2026, 08:53:20 at +08:00
constexpr std::int64_t kMinute = 60000;

using test::WaitUntil;
SenderOptions Quick() {
    return test::QuickSenderOptions();
}

class OfficeBoardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<PgServer>();
        ASSERT_TRUE(server_->Start());
    }
    // Sends the PC's journal and waits until the server holds all of it.
    void Send(const std::string& name, std::int64_t lastSeq) {
        Sender sender(server_->Folder() / name, server_->Conninfo(), Quick());
        sender.Start();
        ASSERT_TRUE(WaitUntil([&] { return sender.Status().sentSeq == lastSeq; }))
            << sender.Status().lastError;
    }
    void Register(const std::string& pcId, const std::string& name) {
        ASSERT_EQ(server_->Psql("SELECT kerfolio.register_pc('" + pcId + "', '" + name + "', current_user)"),
                  "");
    }
    std::unique_ptr<PgServer> server_;
};

std::string Started(const std::string& amountText) {
    return R"({"cell":"08:00","amount_text":")" + amountText + R"("})";
}

TEST_F(OfficeBoardTest, EachMachineShowsWhatItsPcBoardShows) {
    const std::string a(32, 'a'), b(32, 'b');
    TestJournal pcA(server_->Folder() / "a.sqlite", a);
    pcA.Click("params_changed", 1, kMorning - kMinute, {}, R"({"efficiency":"0"})");
    pcA.Click("mounted", 1, kMorning);
    pcA.Click("started", 1, kMorning + kMinute, "凸模", Started("0x20"));
    pcA.Click("mounted", 2, kMorning);
    pcA.Complete(2, kMorning + kMinute, kMorning + 5 * kMinute, 10);  // done before the archive
    pcA.Click("archived", 0, kMorning + 6 * kMinute, {}, "{}");
    pcA.Click("mounted", 3, kMorning);
    pcA.Click("started", 3, kMorning + kMinute, "垫片", Started("100"));
    pcA.Click("jump_start", 3, kMorning + 2 * kMinute);
    pcA.Click("mounted", 4, kMorning);
    pcA.Click("started", 4, kMorning + kMinute, "块", Started("100"));
    pcA.Click("break_start", 4, kMorning + 2 * kMinute);
    const std::int64_t lastA = pcA.Complete(5, kMorning + kMinute, kMorning + 7 * kMinute, 20);
    TestJournal pcB(server_->Folder() / "b.sqlite", b);
    pcB.Click("mounted", 1, kMorning);
    pcB.Click("cancelled", 1, kMorning + kMinute, {}, "{}");
    const std::int64_t lastB = pcB.Click("mounted", 6, kMorning + 2 * kMinute);
    Send("a.sqlite", lastA);
    Send("b.sqlite", lastB);
    Register(a, "一车间");
    Register(b, "二车间");

    PgConnection conn;
    ASSERT_EQ(conn.Open(server_->Conninfo(), 5s), std::nullopt);
    std::vector<live::OfficePc> pcs;
    std::int64_t unregistered = -1;
    ASSERT_EQ(ReadOfficePcs(conn, kMorning + 60 * kMinute, 0, pcs, unregistered), std::nullopt);
    ASSERT_EQ(pcs.size(), 2u);
    EXPECT_EQ(pcs[0].pcId, a);
    EXPECT_EQ(pcs[1].pcId, b);

    const struct {
        std::size_t pc;
        std::array<MachineState, kMachineCount> states;
    } expected[] = {
        {0,
         {MachineState::Machining, MachineState::Idle, MachineState::Jumping, MachineState::WireBroken,
          MachineState::Idle, MachineState::Idle}},
        {1,
         {MachineState::Idle, MachineState::Idle, MachineState::Idle, MachineState::Idle, MachineState::Idle,
          MachineState::Mounted}},
    };
    for (const auto& e : expected) {
        const live::OfficePc& pc = pcs[e.pc];
        ASSERT_TRUE(pc.view) << pc.pcId;
        for (std::size_t m = 0; m < kMachineCount; ++m)
            EXPECT_EQ(pc.view->machines[m].state, e.states[m]) << pc.pcId << " machine " << m + 1;
        // Just arrived, by the server's clock, whatever the PC's said.
        EXPECT_LT(pc.secondsSinceLast, 60);
        // The PC's own time: its offset, the office's instant.
        EXPECT_EQ(pc.view->utcOffsetS, 28800);
        EXPECT_EQ(FormatTimeText(pc.view->now), "9:53:20");
    }
    const live::MachineView& first = pcs[0].view->machines[0];
    EXPECT_EQ(first.name, "机床1");
    EXPECT_EQ(first.workpiece, "凸模");
    EXPECT_EQ(first.amount, "0x20");                       // as typed, not as the number column holds it
    EXPECT_TRUE(first.estimateIsError) << first.estimate;  // its own efficiency of 0, not the default
    EXPECT_FALSE(pcs[0].view->machines[2].estimateIsError);
    // Only the job after the archive is today's (the test's report line does not read as one).
    EXPECT_EQ(pcs[0].view->today->jobs.size() + static_cast<std::size_t>(pcs[0].view->today->unreadLines),
              1u);
    EXPECT_EQ(pcs[1].view->today->unreadLines, 0);
}

// The office knows PCs by the names the owner gave them; ids nobody named, however many and however
// they sort, are one count and never push a named PC off the board or out of the report.
TEST_F(OfficeBoardTest, IdsNobodyNamedAreOneCountAndNeverHideANamedPc) {
    const std::string first(32, 'e'), second(32, 'd'), silent(32, 'f');
    TestJournal pcA(server_->Folder() / "a.sqlite", first);
    pcA.Complete(1, kMorning, kMorning + kMinute, 5);
    TestJournal pcB(server_->Folder() / "b.sqlite", second);
    Send("a.sqlite", 1);
    Send("b.sqlite", pcB.Click("mounted", 2, kMorning));
    // Named against the order of their ids; the third has sent nothing yet.
    Register(first, "一车间");
    Register(second, "二车间");
    Register(silent, "三车间");
    ASSERT_EQ(server_->Psql("INSERT INTO kerfolio.events(pc_id, seq, utc_ms, utc_offset_s, kind, detail)"
                            " SELECT lpad(g::text, 32, '0'), 1, 0, 0, 'mounted', '{}'"
                            " FROM generate_series(1, 600) g"),
              "");

    PgConnection conn;
    ASSERT_EQ(conn.Open(server_->Conninfo(), 5s), std::nullopt);
    std::vector<live::OfficePc> pcs;
    std::int64_t unregistered = -1;
    ASSERT_EQ(ReadOfficePcs(conn, kMorning, 0, pcs, unregistered), std::nullopt);
    EXPECT_EQ(unregistered, 600);
    ASSERT_EQ(pcs.size(), 3u);
    const struct {
        std::string pcId, name;
        bool heard;
    } expected[] = {{first, "一车间", true}, {silent, "三车间", false}, {second, "二车间", true}};
    for (std::size_t i = 0; i < pcs.size(); ++i) {
        EXPECT_EQ(pcs[i].pcId, expected[i].pcId) << i;
        EXPECT_EQ(pcs[i].name, expected[i].name) << i;
        EXPECT_EQ(pcs[i].heard, expected[i].heard) << i;
        EXPECT_EQ(pcs[i].view != nullptr, expected[i].heard) << i;
    }
    EXPECT_EQ(pcs[2].view->machines[1].state, MachineState::Mounted);

    ServerJournals journals;
    ASSERT_EQ(ReadServerJournals(server_->Conninfo(), 0, INT64_MAX, journals), std::nullopt);
    EXPECT_EQ(journals.unregisteredPcs, 600);
    ASSERT_EQ(journals.pcs.size(), 3u);
    EXPECT_EQ(journals.pcs[0].name, "一车间");
    EXPECT_EQ(journals.pcs[0].rows.jobs.size(), 1u);
    EXPECT_TRUE(journals.pcs[1].rows.jobs.empty());
    ReportRequest request;
    request.readServer = [this](std::int64_t from, std::int64_t to, ServerJournals& out) {
        return ReadServerJournals(server_->Conninfo(), from, to, out);
    };
    const Report report = BuildReport(request);
    ASSERT_EQ(report.overview.size(), 1u);
    EXPECT_EQ(report.overview[0].machine, "一车间/机床1");
    std::ostringstream written;
    WriteTable(report, written);
    EXPECT_NE(written.str().find("未登记的电脑：600 台（其工件不计入报表）"), std::string::npos)
        << written.str();
    EXPECT_EQ(written.str().find(std::string(32, '0').substr(0, 29)), std::string::npos) << written.str();
}

// The board keeps publishing while the server is away, with the last good data and the reason, and
// recovers by itself.
TEST_F(OfficeBoardTest, AServerAwayIsSaidOverTheLastGoodData) {
    TestJournal pc(server_->Folder() / "a.sqlite", std::string(32, 'a'));
    Send("a.sqlite", pc.Click("mounted", 1, kMorning));
    Register(pc.PcId(), "一车间");

    std::mutex mutex;
    std::shared_ptr<const live::OfficeView> latest;
    OfficeBoardOptions options;
    options.period = 100ms;
    options.ioTimeout = 1500ms;
    OfficeBoard board(
        server_->Conninfo(),
        [&](std::shared_ptr<const live::OfficeView> view) {
            std::lock_guard lock(mutex);
            latest = std::move(view);
        },
        options);
    const auto now = [&] {
        std::lock_guard lock(mutex);
        return latest;
    };
    board.Start();
    ASSERT_TRUE(WaitUntil([&] { return now() && now()->problem.empty() && now()->pcs.size() == 1; }));

    const struct {
        const char* name;
        std::function<void()> away, back;
    } cases[] = {
        {"stopped", [&] { server_->Stop(); }, [&] { ASSERT_TRUE(server_->Start()); }},
        {"frozen", [&] { server_->Freeze(); }, [&] { server_->Thaw(); }},
    };
    for (const auto& c : cases) {
        c.away();
        ASSERT_TRUE(WaitUntil([&] { return now() && !now()->problem.empty(); }, 10s)) << c.name;
        const auto away = now();
        EXPECT_EQ(away->pcs.size(), 1u) << c.name;
        EXPECT_TRUE(away->dataAt) << c.name;
        // Views go on: the page's clock moves while the server says nothing.
        ASSERT_TRUE(WaitUntil([&] { return now()->now > away->now; }, 10s)) << c.name;
        c.back();
        EXPECT_TRUE(WaitUntil([&] { return now()->problem.empty(); }, 20s)) << c.name;
    }
}

}  // namespace
}  // namespace kerfolio::share
