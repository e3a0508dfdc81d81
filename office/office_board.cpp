#include "office/office_board.h"

#include <ctime>
#include <map>

#include "board/job_board.h"
#include "journal/event.h"
#include "journal/replay.h"
#include "share/pg_connection.h"
#include "share/server_schema.h"
#include "storage/save_ini.h"
#include "storage/utc_offset.h"

namespace kerfolio::share {

namespace {

// The PCs the owner registered by name, in the order of their names. Only the owner writes the
// register, so a PC's login cannot crowd the board with made-up PCs.
constexpr char kPcs[] = R"sql(
WITH pcs AS (SELECT pc_id, left(name, 100) AS name FROM kerfolio.pcs WHERE name IS NOT NULL
  ORDER BY name, pc_id LIMIT 1000)
)sql";

// A registered PC that has sent nothing yet has no arrival (NULLs).
constexpr char kArrivals[] = R"sql(
SELECT p.pc_id, p.name, e.utc_offset_s,
  greatest(0, floor(extract(epoch FROM clock_timestamp() - e.received_at)))::bigint
FROM pcs p LEFT JOIN LATERAL (SELECT x.utc_offset_s, x.received_at FROM kerfolio.events x
  WHERE x.pc_id = p.pc_id ORDER BY x.seq DESC LIMIT 1) e ON true
ORDER BY p.name, p.pc_id
)sql";

// The ids in the events nobody gave a name, one index probe each instead of a scan of a year's rows.
constexpr char kUnregistered[] = R"sql(
WITH RECURSIVE ids(pc_id) AS (
  SELECT min(pc_id) FROM kerfolio.events
  UNION ALL
  SELECT (SELECT min(x.pc_id) FROM kerfolio.events x WHERE x.pc_id > ids.pc_id) FROM ids
  WHERE ids.pc_id IS NOT NULL)
SELECT count(*) FROM ids WHERE pc_id IS NOT NULL AND NOT EXISTS (
  SELECT 1 FROM kerfolio.pcs r WHERE r.pc_id = ids.pc_id AND r.name IS NOT NULL)
)sql";

// Each machine's events since it was last emptied, its latest name and efficiency; split where the
// board's machine count goes.
constexpr char kMachines[] = R"sql(
, m AS (SELECT p.pc_id, n.machine,
  greatest(0,
    (SELECT x.seq FROM kerfolio.events x WHERE x.pc_id = p.pc_id AND x.machine = n.machine
       AND x.kind = 'completed' ORDER BY x.seq DESC LIMIT 1),
    (SELECT x.seq FROM kerfolio.events x WHERE x.pc_id = p.pc_id AND x.machine = n.machine
       AND x.kind = 'cancelled' ORDER BY x.seq DESC LIMIT 1)) AS cleared,
  (SELECT left(x.machine_name, 100) FROM kerfolio.events x WHERE x.pc_id = p.pc_id
     AND x.machine = n.machine ORDER BY x.seq DESC LIMIT 1) AS caption,
  (SELECT left(x.detail::jsonb ->> 'efficiency', 40) FROM kerfolio.events x WHERE x.pc_id = p.pc_id
     AND x.machine = n.machine AND x.kind = 'params_changed' ORDER BY x.seq DESC LIMIT 1) AS efficiency
  FROM pcs p CROSS JOIN generate_series(1, )sql";
constexpr char kMachinesAfterCount[] = R"sql() n(machine))
SELECT m.pc_id, m.machine, m.caption, m.efficiency, e.seq, e.kind, e.utc_ms, e.utc_offset_s,
  coalesce(left(e.workpiece, 200), ''), coalesce(left(e.detail::jsonb ->> 'amount_text', 40), '')
FROM m LEFT JOIN LATERAL (SELECT * FROM kerfolio.events x WHERE x.pc_id = m.pc_id
  AND x.machine = m.machine AND x.seq > m.cleared ORDER BY x.seq LIMIT 200) e ON true
ORDER BY m.pc_id, m.machine, e.seq
)sql";

// The jobs since each PC's latest archive: what its NotePad lists.
constexpr char kToday[] = R"sql(
, a AS (SELECT p.pc_id, coalesce((SELECT x.seq FROM kerfolio.events x WHERE x.pc_id = p.pc_id
  AND x.machine IS NULL AND x.kind = 'archived' ORDER BY x.seq DESC LIMIT 1), 0) AS archived FROM pcs p)
SELECT a.pc_id, j.report_line, j.amount FROM a CROSS JOIN LATERAL (SELECT y.seq,
  left(y.report_line, 300) AS report_line, y.amount FROM kerfolio.jobs y
  WHERE y.pc_id = a.pc_id AND y.seq > a.archived ORDER BY y.seq LIMIT 300) j
ORDER BY a.pc_id, j.seq
)sql";

struct PcState {
    std::string name;
    bool heard = false;
    int offsetS = 0;
    std::int64_t secondsSince = 0;
    TJobBoard board;
    std::array<std::string, kMachineCount> efficiencies;
    std::vector<journal::StoredEvent> events;
    std::shared_ptr<live::TodayJobs> today = std::make_shared<live::TodayJobs>();
};

std::int64_t SystemUtcMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::optional<std::string> ReadOfficePcs(PgConnection& conn, std::int64_t nowUtcMs,
                                         std::int32_t officeOffsetS, std::vector<live::OfficePc>& pcs,
                                         std::int64_t& unregisteredPcs) {
    // One snapshot for the three reads, so a PC's jobs and machines agree.
    if (PgResult begin = conn.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"); !begin.Ok())
        return begin.Error();
    const auto fail = [&conn](const PgResult& result) -> std::optional<std::string> {
        if (conn.IsOpen()) conn.Exec("ROLLBACK");
        return result.Error();
    };
    PgResult arrivals = conn.Exec(std::string(kPcs) + kArrivals);
    if (!arrivals.Ok()) return fail(arrivals);
    PgResult machines =
        conn.Exec(std::string(kPcs) + kMachines + std::to_string(kMachineCount) + kMachinesAfterCount);
    if (!machines.Ok()) return fail(machines);
    PgResult today = conn.Exec(std::string(kPcs) + kToday);
    if (!today.Ok()) return fail(today);
    PgResult unregistered = conn.Exec(kUnregistered);
    if (!unregistered.Ok()) return fail(unregistered);
    if (PgResult commit = conn.Exec("COMMIT"); !commit.Ok()) return fail(commit);

    std::map<std::string, PcState> states;
    std::vector<std::string> order;  // by name, as the server sorted them
    for (int r = 0; r < arrivals.Rows(); ++r) {
        order.push_back(arrivals.Text(r, 0));
        PcState& pc = states[order.back()];
        pc.name = arrivals.Text(r, 1);
        pc.heard = !arrivals.IsNull(r, 2);
        pc.offsetS = pc.heard ? static_cast<int>(arrivals.Integer(r, 2)) : officeOffsetS;
        pc.secondsSince = arrivals.Integer(r, 3);
        pc.efficiencies.fill(std::string(save_ini::kDefaultEfficiency));
    }
    for (int r = 0; r < machines.Rows(); ++r) {
        const auto found = states.find(machines.Text(r, 0));
        if (found == states.end()) continue;  // a PC whose first event came after the first read
        PcState& pc = found->second;
        const int machine = static_cast<int>(machines.Integer(r, 1));
        if (machine < 1 || machine > kMachineCount) continue;
        if (!machines.IsNull(r, 2)) pc.board.SetCaption(machine, machines.Text(r, 2));
        if (!machines.IsNull(r, 3))
            pc.efficiencies[static_cast<std::size_t>(machine - 1)] = machines.Text(r, 3);
        if (machines.IsNull(r, 4)) continue;  // nothing since it was emptied
        journal::StoredEvent event;
        event.seq = machines.Integer(r, 4);
        event.kind = machines.Text(r, 5);
        event.stamp = {machines.Integer(r, 6), static_cast<std::int32_t>(machines.Integer(r, 7))};
        event.machine = machine;
        event.workpiece = machines.Text(r, 8);
        event.amountText = machines.Text(r, 9);
        pc.events.push_back(std::move(event));
    }
    for (int r = 0; r < today.Rows(); ++r) {
        const auto found = states.find(today.Text(r, 0));
        if (found != states.end())
            live::AddJournalJob(*found->second.today, today.Text(r, 1), today.Integer(r, 2));
    }

    std::vector<live::OfficePc> read;
    read.reserve(states.size());
    for (const std::string& pcId : order) {
        PcState& pc = states[pcId];
        live::OfficePc office;
        office.pcId = pcId;
        office.name = pc.name;
        office.heard = pc.heard;
        if (pc.heard) {
            std::string notePad;
            // The rules that took each click take it again: the machine shows what the PC's board shows.
            journal::Replay(pc.events, {}, pc.board, notePad);
            office.secondsSinceLast = pc.secondsSince;
            office.lastArrived = journal::LocalDateTime({nowUtcMs - pc.secondsSince * 1000, officeOffsetS});
            office.view = live::BuildView(pc.board, pc.efficiencies, std::move(pc.today),
                                          journal::LocalDateTime({nowUtcMs, pc.offsetS}), pc.offsetS);
        }
        read.push_back(std::move(office));
    }
    pcs = std::move(read);
    unregisteredPcs = unregistered.Integer(0, 0);
    return std::nullopt;
}

OfficeBoard::OfficeBoard(std::string conninfo, Publish publish, OfficeBoardOptions options)
    : conninfo_(std::move(conninfo)), publish_(std::move(publish)), options_(std::move(options)) {}

OfficeBoard::~OfficeBoard() {
    Stop();
}

void OfficeBoard::Start() {
    thread_.Start([this] { Run(); });
}

void OfficeBoard::Stop() {
    thread_.Stop();
}

void OfficeBoard::Run() {
    PgConnection conn;
    std::vector<live::OfficePc> pcs;
    std::int64_t unregistered = 0;
    std::optional<TDateTime> dataAt;
    for (;;) {
        const std::int64_t started = options_.clock ? options_.clock() : SystemUtcMs();
        const std::int32_t offset = UtcOffsetS(started / 1000);
        std::optional<std::string> problem;
        if (!conn.IsOpen()) {
            problem = conn.Open(conninfo_, options_.ioTimeout);
            conn.SetTimeout(options_.ioTimeout);
            // An owner's first run makes the tables; a reading role only checks them.
            if (!problem) problem = Migrate(conn);
            if (problem) conn.Close();
        }
        if (!problem) problem = ReadOfficePcs(conn, started, offset, pcs, unregistered);
        if (problem) {
            conn.Close();  // opened afresh next time
        } else {
            dataAt = journal::LocalDateTime({started, offset});
        }
        auto view = std::make_shared<live::OfficeView>();
        const std::int64_t now = options_.clock ? options_.clock() : SystemUtcMs();
        view->now = journal::LocalDateTime({now, offset});
        view->utcOffsetS = offset;
        view->pcs = pcs;
        view->unregisteredPcs = unregistered;
        view->problem = problem.value_or(std::string());
        view->dataAt = dataAt;
        publish_(std::move(view));

        if (thread_.Sleep(options_.period)) return;
    }
}

}  // namespace kerfolio::share
