#include "share/server_report.h"

#include <chrono>
#include <cstdio>
#include <ostream>

#include "share/messages.h"
#include "share/pg_connection.h"
#include "share/server_schema.h"

namespace kerfolio::share {

namespace {

std::string Hours(long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(ms) / 3600000.0);
    return text;
}

}  // namespace

std::optional<std::string> ReadServerReport(const std::string& conninfo, bool byDay, ServerReport& report) {
    report = {};
    PgConnection conn;
    if (auto problem = conn.Open(conninfo, std::chrono::seconds(30))) return problem;
    conn.SetTimeout(std::chrono::minutes(10));  // a year of a large shop is a long query, not a hung one
    // An owner's run makes or updates the tables; a reading role only checks them.
    if (auto problem = Migrate(conn)) return problem;
    PgResult pcs = conn.Exec(
        "SELECT p.pc_id, p.name, coalesce(c.n, 0),"
        " coalesce(to_char(e.received_at AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), ''), e.utc_ms"
        " FROM kerfolio.pcs p"
        " LEFT JOIN (SELECT pc_id, count(*) AS n, max(seq) AS last FROM kerfolio.events GROUP BY pc_id) c"
        " ON c.pc_id = p.pc_id LEFT JOIN kerfolio.events e ON e.pc_id = c.pc_id AND e.seq = c.last"
        " WHERE p.name IS NOT NULL ORDER BY p.name, p.pc_id");
    if (!pcs.Ok()) return pcs.Error();
    for (int r = 0; r < pcs.Rows(); ++r)
        report.pcs.push_back(
            {pcs.Text(r, 0), pcs.Text(r, 1), pcs.Integer(r, 2), pcs.Text(r, 3), pcs.Integer(r, 4)});
    PgResult unregistered = conn.Exec(
        "SELECT count(DISTINCT pc_id) FROM kerfolio.events e WHERE NOT EXISTS"
        " (SELECT 1 FROM kerfolio.pcs p WHERE p.pc_id = e.pc_id AND p.name IS NOT NULL)");
    if (!unregistered.Ok()) return unregistered.Error();
    report.unregisteredPcs = unregistered.Integer(0, 0);
    const std::string day = byDay ? "to_char(to_timestamp((j.finish_utc_ms / 1000 + j.utc_offset_s)::double "
                                    "precision) AT TIME ZONE 'UTC',"
                                    " 'YYYY-MM-DD')"
                                  : "''";
    PgResult rows = conn.Exec(
        "SELECT j.pc_id, p.name, j.machine, max(j.machine_name), " + day +
        " AS day, count(*), sum(j.amount), sum(j.finish_utc_ms - j.start_utc_ms - j.jump_ms - j.break_ms),"
        " sum(j.jump_ms), sum(j.break_ms) FROM kerfolio.jobs j"
        " JOIN kerfolio.pcs p ON p.pc_id = j.pc_id AND p.name IS NOT NULL"
        " GROUP BY p.name, j.pc_id, j.machine, day ORDER BY p.name, j.pc_id, j.machine, day");
    if (!rows.Ok()) return rows.Error();
    for (int r = 0; r < rows.Rows(); ++r)
        report.rows.push_back({rows.Text(r, 0), rows.Text(r, 1), static_cast<int>(rows.Integer(r, 2)),
                               rows.Text(r, 3), rows.Text(r, 4), rows.Integer(r, 5), rows.Integer(r, 6),
                               rows.Integer(r, 7), rows.Integer(r, 8), rows.Integer(r, 9)});
    return std::nullopt;
}

void WriteServerReport(const ServerReport& report, std::ostream& out) {
    out << "电脑\t编号\t事件数\t最后事件到达(UTC)\n";
    for (const auto& pc : report.pcs)
        out << pc.name << '\t' << pc.pcId << '\t' << pc.events << '\t' << pc.lastReceived << '\n';
    if (report.unregisteredPcs > 0)
        out << kUnregisteredPcs << report.unregisteredPcs << kUnregisteredPcsUnit << "（其工件不计入下表）\n";
    out << "\n电脑\t机床\t名称\t日期\t件数\t数量\t切割(小时)\t跳步(小时)\t断丝(小时)\n";
    for (const auto& row : report.rows)
        out << row.pcName << '\t' << row.machine << '\t' << row.machineName << '\t' << row.day << '\t'
            << row.jobs << '\t' << row.amount << '\t' << Hours(row.cutMs) << '\t' << Hours(row.jumpMs) << '\t'
            << Hours(row.breakMs) << '\n';
}

int RunServerReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string conninfo;
    bool byDay = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--postgres" && hasValue) {
            conninfo = args[++i];
        } else if (args[i] == "--by" && hasValue && (args[i + 1] == "day" || args[i + 1] == "total")) {
            byDay = args[++i] == "day";
        } else {
            err << "kerfolio-report: --postgres 只能与 --by day|total 一起使用：" << args[i] << "\n";
            return 2;
        }
    }
    if (conninfo.empty()) {
        err << "kerfolio-report: --postgres 需要连接字符串\n";
        return 2;
    }
    ServerReport report;
    if (auto problem = ReadServerReport(conninfo, byDay, report)) {
        err << "kerfolio-report: " << *problem << "\n";
        return 1;
    }
    WriteServerReport(report, out);
    return 0;
}

}  // namespace kerfolio::share
