#include "live/view_html.h"

#include "live/iso_time.h"
#include "live/messages.h"
#include "storage/xml_escape.h"

namespace kerfolio::live {
namespace {

constexpr char kStyle[] = R"(
body{font-family:"WenQuanYi Zen Hei","Noto Sans CJK SC","Microsoft YaHei",sans-serif;margin:0;padding:0.8em;
background:#f3f4f6;color:#111;line-height:1.45}
h1{font-size:1.4em;margin:0 0 0.2em}
.now{margin:0 0 0.8em;color:#333}
.grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(17em,1fr));gap:0.8em}
.machine{background:#fff;border:1px solid #ccc;border-left:0.5em solid #9ca3af;border-radius:0.3em;padding:0.5em 0.8em}
.machine h2{font-size:1.15em;margin:0 0 0.3em;display:flex;justify-content:space-between;gap:0.5em}
.state{font-weight:bold;white-space:nowrap}
@media screen{.s-mounted{border-left-color:#2563eb}.s-mounted .state{color:#1d4ed8}
.s-machining{border-left-color:#16a34a}.s-machining .state{color:#15803d}
.s-jumping{border-left-color:#d97706}.s-jumping .state{color:#b45309}
.s-wire_broken{border-left-color:#dc2626}.s-wire_broken .state{color:#b91c1c}
.s-idle .state{color:#6b7280}}
dl{display:grid;grid-template-columns:auto 1fr;gap:0.1em 0.8em;margin:0}
dt{color:#555}dd{margin:0;overflow-wrap:anywhere}
.open{color:#b91c1c;font-weight:bold}.error{color:#b91c1c}
.today{margin-top:1em;background:#fff;border:1px solid #ccc;border-radius:0.3em;padding:0.5em 0.8em;overflow-x:auto}
.today h2{font-size:1.15em;margin:0 0 0.3em}
table{border-collapse:collapse;width:100%}th,td{border-bottom:1px solid #ddd;padding:0.2em 0.4em;text-align:left}
td.n{text-align:right}
.pc{margin:0 0 1.5em}.pc>h2{font-size:1.25em;margin:0 0 0.2em}.arrived{margin:0 0 0.5em;color:#333}
.silent>h2,.silent .arrived,.away,.lag{color:#b91c1c;font-weight:bold}
footer{margin-top:1em;color:#666;font-size:0.85em}
@media print{body{background:#fff;font-size:10pt}.machine,.today{border:1px solid #000;border-left-width:1px;
break-inside:avoid}.state,.open,.error{color:#000}.grid{grid-template-columns:repeat(2,1fr)}footer{display:none}}
)";

void Escaped(std::string& out, std::string_view text) {
    AppendEscapedXml(out, text);
}

void Row(std::string& out, const char* label, std::string_view value, const char* cls = nullptr) {
    out += "<dt>";
    out += label;
    out += "</dt><dd";
    if (cls) {
        out += " class=\"";
        out += cls;
        out += '"';
    }
    out += '>';
    Escaped(out, value);
    out += "</dd>";
}

void Time(std::string& out, const std::optional<TDateTime>& at, const std::string& text, int offset) {
    if (!at) {
        Escaped(out, text);
        return;
    }
    out += "<time datetime=\"";
    out += FormatIsoTime(*at, offset);
    out += "\">";
    Escaped(out, text);
    out += "</time>";
}

void TimeRow(std::string& out, const char* label, const std::optional<TDateTime>& at, const std::string& text,
             int offset) {
    out += "<dt>";
    out += label;
    out += "</dt><dd>";
    Time(out, at, text, offset);
    out += "</dd>";
}

void Machine(std::string& out, const MachineView& m, const View& view) {
    const auto state = static_cast<std::size_t>(m.state);
    out += "<section class=\"machine s-";
    out += msg::kStateNames[state];
    out += "\"><h2><span>";
    Escaped(out, m.name);
    out += "</span><span class=\"state\">";
    out += msg::kStateTexts[state];
    out += "</span></h2><dl>";
    Row(out, msg::kWorkpiece, m.workpiece);
    Row(out, msg::kAmount, m.amount);
    TimeRow(out, msg::kMounted, m.mountedAt, m.mountText, view.utcOffsetS);
    TimeRow(out, msg::kStarted, m.startedAt, m.startText, view.utcOffsetS);
    Row(out, msg::kJumpTotal, m.jumpTotal);
    Row(out, msg::kBreakTotal, m.breakTotal);
    for (const OpenInterruption& open : m.open) {
        out += "<dt>";
        out += msg::kOpen;
        out += "</dt><dd class=\"open\">";
        out += open.kind == OpenInterruption::Jump ? msg::kJump : msg::kWireBreak;
        out += ' ';
        out += msg::kSince;
        out += ' ';
        Time(out, open.since, open.startText, view.utcOffsetS);
        if (open.since) {
            out += "，";
            out += msg::kLasting;
            out += ' ';
            out += FormatSpan(view.now - *open.since);
        }
        out += "</dd>";
    }
    Row(out, msg::kEstimate, m.estimate, m.estimateIsError ? "error" : nullptr);
    if (m.overdueBy) Row(out, msg::kOverdue, FormatSpan(*m.overdueBy), "open");
    out += "</dl></section>\n";
}

void Today(std::string& out, const TodayJobs& today) {
    out += "<section class=\"today\"><h2>";
    out += msg::kToday;
    out += "</h2><p>";
    out += msg::kTodayCount;
    out += ' ';
    out += std::to_string(today.jobs.size());
    out += "，";
    out += msg::kTodayAmount;
    out += ' ';
    out += std::to_string(today.amount);
    if (today.unreadLines > 0) {
        out += "，";
        out += msg::kUnreadLines;
        out += ' ';
        out += std::to_string(today.unreadLines);
    }
    out += "</p>";
    if (today.jobs.empty()) {
        out += "<p>";
        out += msg::kNoJobsYet;
        out += "</p></section>\n";
        return;
    }
    out += "<table><thead><tr>";
    for (const char* header : msg::kJobHeaders) {
        out += "<th>";
        out += header;
        out += "</th>";
    }
    out += "</tr></thead><tbody>";
    for (const ArchiveJob& job : today.jobs) {
        out += "<tr><td>";
        Escaped(out, job.machine);
        out += "</td><td>";
        Escaped(out, job.workpiece);
        out += "</td><td>";
        out += FormatTimeText(job.start / 86'400.0);
        out += "</td><td>";
        out += FormatTimeText(job.finish / 86'400.0);
        out += "</td><td class=\"n\">";
        out += std::to_string(job.amount);
        out += "</td></tr>";
    }
    out += "</tbody></table></section>\n";
}

// Date and time of day, in a <time> that carries the offset.
void DateTime(std::string& out, TDateTime at, int offset) {
    out += "<time datetime=\"";
    const std::string iso = FormatIsoTime(at, offset);
    out += iso;
    out += "\">";
    out += iso.substr(0, 10);
    out += ' ';
    out += FormatTimeText(at);
    out += "</time>";
}

// Everything up to the first line under the title: which clock, and its time.
void Head(std::string& out, const char* title, const char* clockLabel, TDateTime now, int offset) {
    out +=
        "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<meta http-equiv=\"refresh\" content=\"";
    out += std::to_string(msg::kRefreshSeconds);
    out += "\"><title>";
    out += title;
    out += "</title><style>";
    out += kStyle;
    out += "</style></head>\n<body><h1>";
    out += title;
    out += "</h1><p class=\"now\">";
    out += clockLabel;
    out += ' ';
    DateTime(out, now, offset);
    out += "</p>\n";
}

void Machines(std::string& out, const View& view) {
    out += "<div class=\"grid\">\n";
    for (const MachineView& machine : view.machines)
        Machine(out, machine, view);
    out += "</div>\n";
}

void Foot(std::string& out) {
    out += "<footer>";
    out += msg::kRefreshNote;
    out += "</footer></body></html>\n";
}

}  // namespace

std::string RenderHtml(const View& view) {
    std::string out;
    out.reserve(8192);
    Head(out, msg::kPageTitle, msg::kPcTime, view.now, view.utcOffsetS);
    if (!view.shareLag.empty()) {
        out += "<p class=\"lag\">";
        Escaped(out, view.shareLag);
        out += "</p>\n";
    }
    out += "<main class=\"grid\">\n";
    for (const MachineView& machine : view.machines)
        Machine(out, machine, view);
    out += "</main>\n";
    Today(out, view.today ? *view.today : TodayJobs{});
    Foot(out);
    return out;
}

std::string RenderOfficeHtml(const OfficeView& view) {
    std::string out;
    out.reserve(4096 + 8192 * view.pcs.size());
    Head(out, msg::kOfficeTitle, msg::kOfficeTime, view.now, view.utcOffsetS);
    if (!view.problem.empty()) {
        out += "<p class=\"away\">";
        out += msg::kServerAway;
        Escaped(out, view.problem);
        out += "<br>";
        if (view.dataAt) {
            out += msg::kDataFrom;
            out += ' ';
            DateTime(out, *view.dataAt, view.utcOffsetS);
        } else {
            out += msg::kNeverRead;
        }
        out += "</p>\n";
    } else if (view.pcs.empty()) {
        out += "<p>";
        out += msg::kNoPcsYet;
        out += "</p>\n";
    }
    if (view.unregisteredPcs > 0) {
        // One line however many: ids nobody named never take a registered PC's place.
        std::string line = msg::kUnregisteredPcs;
        line.replace(line.find("%1"), 2, std::to_string(view.unregisteredPcs));
        out += "<p class=\"unregistered\">";
        out += line;
        out += "</p>\n";
    }
    out += "<main>\n";
    for (const OfficePc& pc : view.pcs) {
        const bool silent = pc.heard && pc.secondsSinceLast > kSilentSeconds;
        out += silent ? "<section class=\"pc silent\"><h2>" : "<section class=\"pc\"><h2>";
        out += msg::kPc;
        out += ' ';
        Escaped(out, pc.name.empty() ? pc.pcId : pc.name);
        out += "</h2><p class=\"arrived\">";
        if (!pc.heard) {
            out += msg::kNotHeardYet;
            out += "</p></section>\n";
            continue;
        }
        out += msg::kLastArrived;
        out += ' ';
        DateTime(out, pc.lastArrived, view.utcOffsetS);
        out += "（";
        out += FormatSpan(static_cast<double>(pc.secondsSinceLast) / 86'400);
        out += ' ';
        out += msg::kAgo;
        out += "）";
        if (silent) {
            out += "，";
            out += msg::kSilent;
        }
        out += "</p>\n";
        if (pc.view) {
            Machines(out, *pc.view);
            Today(out, pc.view->today ? *pc.view->today : TodayJobs{});
        }
        out += "</section>\n";
    }
    out += "</main>\n";
    Foot(out);
    return out;
}

}  // namespace kerfolio::live
