#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "live/view_html.h"
#include "live/view_json.h"
#include "live_board_driver.h"
#include "reports/report_line.h"

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
                     At("0:10:05", kDay + 1), 480);
}

QJsonObject Parse(const std::string& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << json;
    return document.object();
}

TEST(LiveJson, ParsesWithTheDocumentedFields) {
    const QJsonObject root = Parse(RenderJson(*BusyView()));
    EXPECT_EQ(root.keys(), (QStringList{"generated_at", "machines", "today"}));
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

}  // namespace
}  // namespace kerfolio::live
