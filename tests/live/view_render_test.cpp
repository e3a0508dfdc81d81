#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "live/view_html.h"
#include "live/view_json.h"
#include "live_board_driver.h"
#include "storage/report_line.h"

namespace kerfolio::live {
namespace {

using testing::At;
using testing::Click;
using testing::kDay;

const std::array<std::string, kMachineCount> kEfficiencies = {"30", "0", "30", "30", "30", "30"};

// A board with something in every field, texts chosen to break a careless writer.
std::shared_ptr<const View> BusyView() {
    TJobBoard board;
    Click(board, 1, ecMount, At("22:00:00"));
    Click(board, 1, ecStart, At("22:10:00"), "凸模 \"A\\B\"\t</script>", "1000");
    Click(board, 1, ecJumpStart, At("23:50:00"));
    Click(board, 2, ecMount, At("22:00:00"));
    Click(board, 2, ecStart, At("22:05:00"));
    board.SetCaption(3, "<b>三号</b> & \x01");
    TodayJobsReader reader;
    reader.Replace(0, {BuildReportLine(1, {"机床4", "垫片", "20:00:00", "20:05:00", "0:00:00", "0:01:00",
                                           "21:00:00", "250"}),
                       "garbage"});
    return BuildView(board, kEfficiencies, std::make_shared<const TodayJobs>(reader.Jobs()),
                     At("0:10:05", kDay + 1), 28800, "尚有 3 个事件未发送 <b>");
}

QJsonObject Parse(const std::string& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << json;
    return document.object();
}

TEST(LiveJson, ParsesWithTheDocumentedFields) {
    const QJsonObject root = Parse(RenderJson(*BusyView()));
    EXPECT_EQ(root.keys(), (QStringList{"generated_at", "machines", "share_lag", "today"}));
    EXPECT_EQ(root["share_lag"].toString(), "尚有 3 个事件未发送 <b>");
    EXPECT_EQ(root["generated_at"].toString(), "2026-12-09T00:10:05+08:00");
    const QJsonArray machines = root["machines"].toArray();
    ASSERT_EQ(machines.size(), kMachineCount);
    const QStringList machineKeys = {"amount", "estimate",   "jump_total",         "mount_text", "mounted_at",
                                     "name",   "number",     "open_interruptions", "start_text", "started_at",
                                     "state",  "state_text", "wire_break_total",   "workpiece"};
    for (const QJsonValue& machine : machines)
        EXPECT_EQ(machine.toObject().keys(), machineKeys);

    const QJsonObject first = machines[0].toObject();
    EXPECT_EQ(first["number"].toInt(), 1);
    EXPECT_EQ(first["state"].toString(), "jumping");
    EXPECT_EQ(first["state_text"].toString(), "跳步中");
    EXPECT_EQ(first["workpiece"].toString(), "凸模 \"A\\B\"\t</script>");
    EXPECT_EQ(first["amount"].toString(), "1000");
    EXPECT_EQ(first["mounted_at"].toString(), "2026-12-08T22:00:00+08:00");
    EXPECT_EQ(first["start_text"].toString(), "22:10:00");
    const QJsonObject jump = first["open_interruptions"].toArray()[0].toObject();
    EXPECT_EQ(jump["kind"].toString(), "jump");
    EXPECT_EQ(jump["since"].toString(), "2026-12-08T23:50:00+08:00");
    EXPECT_EQ(jump["lasting"].toString(), "0:20:05");
    EXPECT_EQ(first["estimate"].toObject()["is_error"].toBool(), false);

    const QJsonObject second = machines[1].toObject();
    EXPECT_EQ(second["state"].toString(), "machining");
    EXPECT_EQ(second["estimate"].toObject()["text"].toString(), "Floating point division by zero.");
    EXPECT_EQ(second["estimate"].toObject()["is_error"].toBool(), true);

    const QJsonObject third = machines[2].toObject();
    EXPECT_EQ(third["name"].toString(), "<b>三号</b> & \x01");
    EXPECT_EQ(third["state"].toString(), "idle");
    EXPECT_TRUE(third["mounted_at"].isNull());
    EXPECT_TRUE(third["open_interruptions"].toArray().isEmpty());

    const QJsonObject today = root["today"].toObject();
    EXPECT_EQ(today["jobs"].toInt(), 1);
    EXPECT_EQ(today["amount"].toInt(), 250);
    EXPECT_EQ(today["unread_lines"].toInt(), 1);
    const QJsonObject job = today["finished"].toArray()[0].toObject();
    EXPECT_EQ(job["machine"].toString(), "机床4");
    EXPECT_EQ(job["finish_text"].toString(), "21:00:00");
    EXPECT_EQ(job["amount"].toInt(), 250);
}

TEST(LiveJson, StringsNeverCloseTheirQuotesOrAnEnclosingPage) {
    const struct {
        const char* text;
        const char* literal;
    } cases[] = {
        {"plain", "\"plain\""},
        {"a\"b", "\"a\\\"b\""},
        {"a\\b", "\"a\\\\b\""},
        {"\n\r\t", "\"\\n\\r\\t\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\""},
        {"</script>&", "\"\\u003c/script\\u003e\\u0026\""},
        {"机床", "\"机床\""},
    };
    for (const auto& c : cases) {
        std::string out;
        AppendJsonString(out, c.text);
        EXPECT_EQ(out, c.literal);
    }
}

TEST(LiveHtml, EscapesEveryBoardTextAndNeedsNoScript) {
    const std::string html = RenderHtml(*BusyView());
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<b>三号"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;三号&lt;/b&gt; &amp;"), std::string::npos);
    EXPECT_NE(html.find("<p class=\"lag\">尚有 3 个事件未发送 &lt;b&gt;</p>"), std::string::npos);
    EXPECT_NE(html.find("凸模 &quot;A\\B&quot;"), std::string::npos);
    EXPECT_NE(html.find("<meta http-equiv=\"refresh\" content=\"5\">"), std::string::npos);
    EXPECT_NE(html.find("name=\"viewport\""), std::string::npos);
    EXPECT_NE(html.find("@media print"), std::string::npos);
    EXPECT_NE(html.find("2026-12-09 0:10:05"), std::string::npos);
    for (const char* shown :
         {"跳步中", "加工中", "空闲", "跳步 自 <time datetime=\"2026-12-08T23:50:00+08:00\">",
          "已持续 0:20:05", "Floating point division by zero.", "件数 1", "加工量合计 250", "垫片"}) {
        EXPECT_NE(html.find(shown), std::string::npos) << shown;
    }
}

// The office board: each PC's cards as the live board draws them, when each PC was last heard from,
// and the server's absence over the data last read.
TEST(OfficeRender, EachPcSaysWhenItWasLastHeardFrom) {
    OfficeView office;
    office.now = At("10:00:00", kDay + 1);
    office.utcOffsetS = 28800;
    office.pcs = {{"pc<1>", At("9:59:30", kDay + 1), 30, BusyView(), "", true},
                  {"pc2", At("8:00:00", kDay + 1), 7200, BusyView(), "一车间", true},
                  {"pc3", 0, 0, nullptr, "二车间", false}};
    office.problem = "server closed the connection <x>";
    office.dataAt = At("9:59:58", kDay + 1);
    office.unregisteredPcs = 501;

    const QJsonObject root = Parse(RenderOfficeJson(office));
    EXPECT_EQ(root.keys(), (QStringList{"data_at", "generated_at", "pcs", "server_ok", "server_problem",
                                        "unregistered_pcs"}));
    EXPECT_EQ(root["unregistered_pcs"].toInt(), 501);
    EXPECT_FALSE(root["server_ok"].toBool());
    EXPECT_EQ(root["server_problem"].toString(), "server closed the connection <x>");
    EXPECT_EQ(root["data_at"].toString(), "2026-12-09T09:59:58+08:00");
    const QJsonArray pcs = root["pcs"].toArray();
    ASSERT_EQ(pcs.size(), 3);
    EXPECT_EQ(pcs[0].toObject().keys(), (QStringList{"last_arrived_at", "machines", "name", "pc_id",
                                                     "pc_time", "seconds_since_last", "silent", "today"}));
    EXPECT_EQ(pcs[1]["name"].toString(), "一车间");
    // Registered, never heard from: no arrival, no machines.
    EXPECT_EQ(pcs[2].toObject().keys(),
              (QStringList{"last_arrived_at", "name", "pc_id", "seconds_since_last", "silent"}));
    EXPECT_TRUE(pcs[2]["last_arrived_at"].isNull());
    EXPECT_TRUE(pcs[2]["seconds_since_last"].isNull());
    EXPECT_FALSE(pcs[2]["silent"].toBool());
    EXPECT_EQ(pcs[0]["pc_id"].toString(), "pc<1>");
    EXPECT_EQ(pcs[0]["last_arrived_at"].toString(), "2026-12-09T09:59:30+08:00");
    EXPECT_FALSE(pcs[0]["silent"].toBool());
    EXPECT_TRUE(pcs[1]["silent"].toBool());
    EXPECT_EQ(pcs[1]["machines"].toArray().size(), kMachineCount);
    EXPECT_EQ(pcs[1]["machines"].toArray()[0].toObject()["state"].toString(), "jumping");

    const std::string html = RenderOfficeHtml(office);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("pc<1>"), std::string::npos);
    for (const char* shown :
         {"电脑 pc&lt;1&gt;", "0:00:30 前", "class=\"pc silent\"><h2>电脑 一车间", "2:00:00 前",
          "<h2>电脑 二车间</h2><p class=\"arrived\">尚未收到本机的事件</p></section>", "未登记的电脑：501 台",
          "已超过 10 分钟没有新事件", "共享数据库暂时无法读取：server closed the connection &lt;x&gt;",
          "读取时间 <time datetime=\"2026-12-09T09:59:58+08:00\">", "跳步中"})
        EXPECT_NE(html.find(shown), std::string::npos) << shown;

    // Nothing read yet, and nothing to read.
    const OfficeView empty{At("10:00:00"), 28800, {}, {}, std::nullopt};
    EXPECT_NE(RenderOfficeHtml(empty).find("还没有登记任何电脑"), std::string::npos);
    EXPECT_EQ(RenderOfficeHtml(empty).find("未登记的电脑"), std::string::npos);
    const QJsonObject none = Parse(RenderOfficeJson(empty));
    EXPECT_TRUE(none["server_ok"].toBool());
    EXPECT_TRUE(none["data_at"].isNull());
    EXPECT_TRUE(none["pcs"].toArray().isEmpty());
}

}  // namespace
}  // namespace kerfolio::live
