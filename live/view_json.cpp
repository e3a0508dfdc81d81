#include "live/view_json.h"

#include <cstdio>

#include "live/iso_time.h"
#include "live/messages.h"

namespace kerfolio::live {

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || c == '<' || c == '>' || c == '&' || byte == 0x7f) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

namespace {

class JsonWriter {
  public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    // "name": for the next value; the comma before it when one is due.
    JsonWriter& Key(std::string_view name) {
        Separate();
        AppendJsonString(out_, name);
        out_ += ':';
        afterKey_ = true;
        return *this;
    }
    JsonWriter& String(std::string_view text) {
        Separate();
        AppendJsonString(out_, text);
        return *this;
    }
    JsonWriter& Number(long long value) {
        Separate();
        out_ += std::to_string(value);
        return *this;
    }
    JsonWriter& Bool(bool value) {
        Separate();
        out_ += value ? "true" : "false";
        return *this;
    }
    JsonWriter& Null() {
        Separate();
        out_ += "null";
        return *this;
    }
    JsonWriter& Open(char bracket) {
        Separate();
        out_ += bracket;
        first_ = true;
        return *this;
    }
    JsonWriter& Close(char bracket) {
        out_ += bracket;
        first_ = false;
        return *this;
    }

  private:
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            first_ = false;
            return;
        }
        if (!first_) out_ += ',';
        first_ = false;
    }

    std::string& out_;
    bool first_ = true;
    bool afterKey_ = false;
};

void WriteTime(JsonWriter& json, const std::optional<TDateTime>& time, int offset) {
    if (time) {
        json.String(FormatIsoTime(*time, offset));
    } else {
        json.Null();
    }
}

void WriteMachine(JsonWriter& json, const MachineView& m, const View& view) {
    const int offset = view.utcOffsetS;
    const auto state = static_cast<std::size_t>(m.state);
    json.Open('{');
    json.Key("number").Number(m.number);
    json.Key("name").String(m.name);
    json.Key("state").String(msg::kStateNames[state]);
    json.Key("state_text").String(msg::kStateTexts[state]);
    json.Key("workpiece").String(m.workpiece);
    json.Key("amount").String(m.amount);
    json.Key("mount_text").String(m.mountText);
    json.Key("mounted_at");
    WriteTime(json, m.mountedAt, offset);
    json.Key("start_text").String(m.startText);
    json.Key("started_at");
    WriteTime(json, m.startedAt, offset);
    json.Key("jump_total").String(m.jumpTotal);
    json.Key("wire_break_total").String(m.breakTotal);
    json.Key("open_interruptions").Open('[');
    for (const OpenInterruption& open : m.open) {
        json.Open('{');
        json.Key("kind").String(open.kind == OpenInterruption::Jump ? "jump" : "wire_break");
        json.Key("start_text").String(open.startText);
        json.Key("since");
        WriteTime(json, open.since, offset);
        json.Key("lasting");
        if (open.since) {
            json.String(FormatSpan(view.now - *open.since));
        } else {
            json.Null();
        }
        json.Close('}');
    }
    json.Close(']');
    json.Key("estimate").Open('{');
    json.Key("text").String(m.estimate);
    json.Key("is_error").Bool(m.estimateIsError);
    json.Key("overdue_text");
    if (m.overdueBy) {
        json.String(FormatSpan(*m.overdueBy));
    } else {
        json.Null();
    }
    json.Close('}');
    json.Close('}');
}

void WriteToday(JsonWriter& json, const TodayJobs& today) {
    json.Open('{');
    json.Key("jobs").Number(static_cast<long long>(today.jobs.size()));
    json.Key("amount").Number(today.amount);
    json.Key("unread_lines").Number(today.unreadLines);
    json.Key("finished").Open('[');
    for (const ArchiveJob& job : today.jobs) {
        json.Open('{');
        json.Key("machine").String(job.machine);
        json.Key("workpiece").String(job.workpiece);
        json.Key("start_text").String(FormatTimeText(job.start / 86'400.0));
        json.Key("finish_text").String(FormatTimeText(job.finish / 86'400.0));
        json.Key("amount").Number(job.amount);
        json.Close('}');
    }
    json.Close(']');
    json.Close('}');
}

void WriteMachinesAndToday(JsonWriter& json, const View& view) {
    json.Key("machines").Open('[');
    for (const MachineView& machine : view.machines)
        WriteMachine(json, machine, view);
    json.Close(']');
    json.Key("today");
    WriteToday(json, view.today ? *view.today : TodayJobs{});
}

}  // namespace

std::string RenderJson(const View& view) {
    std::string out;
    out.reserve(4096);
    JsonWriter json(out);
    json.Open('{');
    json.Key("generated_at").String(FormatIsoTime(view.now, view.utcOffsetS));
    WriteMachinesAndToday(json, view);
    json.Key("share_lag");
    if (view.shareLag.empty()) {
        json.Null();
    } else {
        json.String(view.shareLag);
    }
    json.Close('}');
    out += '\n';
    return out;
}

std::string RenderOfficeJson(const OfficeView& view) {
    std::string out;
    out.reserve(1024 + 4096 * view.pcs.size());
    JsonWriter json(out);
    const int offset = view.utcOffsetS;
    json.Open('{');
    json.Key("generated_at").String(FormatIsoTime(view.now, offset));
    json.Key("server_ok").Bool(view.problem.empty());
    json.Key("server_problem");
    if (view.problem.empty()) {
        json.Null();
    } else {
        json.String(view.problem);
    }
    json.Key("data_at");
    WriteTime(json, view.dataAt, offset);
    json.Key("unregistered_pcs").Number(view.unregisteredPcs);
    json.Key("pcs").Open('[');
    for (const OfficePc& pc : view.pcs) {
        json.Open('{');
        json.Key("pc_id").String(pc.pcId);
        json.Key("name").String(pc.name);
        json.Key("last_arrived_at");
        WriteTime(json, pc.heard ? std::optional<TDateTime>(pc.lastArrived) : std::nullopt, offset);
        json.Key("seconds_since_last");
        if (pc.heard)
            json.Number(pc.secondsSinceLast);
        else
            json.Null();
        json.Key("silent").Bool(pc.heard && pc.secondsSinceLast > kSilentSeconds);
        if (pc.view) {
            json.Key("pc_time").String(FormatIsoTime(pc.view->now, pc.view->utcOffsetS));
            WriteMachinesAndToday(json, *pc.view);
        }
        json.Close('}');
    }
    json.Close(']');
    json.Close('}');
    out += '\n';
    return out;
}

}  // namespace kerfolio::live
