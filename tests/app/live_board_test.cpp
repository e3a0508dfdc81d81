#include <gtest/gtest.h>
#include <httplib.h>

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "app/live_publisher.h"
#include "live/messages.h"
#include "storage/settings_file.h"
#include "tests/app/form_window.h"
#include "tests/live/raw_client.h"

namespace kerfolio::test {
namespace {

// TCP sockets of this process in the listening state, found through /proc: what a port scan of every
// address and port would find, without mistaking another program's socket for ours.
int ListeningSockets() {
    std::set<std::string> listening;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream file(table);
        std::string line;
        std::getline(file, line);
        while (std::getline(file, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >>
                inode;
            if (state == "0A") listening.insert("socket:[" + inode + "]");
        }
    }
    int count = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        char target[64] = {};
        const ssize_t length = ::readlink(fd.path().c_str(), target, sizeof target - 1);
        if (length > 0 && listening.count(std::string(target, static_cast<std::size_t>(length))) != 0)
            ++count;
    }
    return count;
}

QJsonObject BoardJson(int port, const std::string& key) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(5);
    const auto result = client.Get(("/board.json?key=" + key).c_str());
    EXPECT_TRUE(result);
    if (!result) return {};
    EXPECT_EQ(result->status, 200);
    return QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
}

class LiveBoard : public ::testing::Test {
  protected:
    void Web(const char* listen, const char* key = nullptr) {
        SettingsFile settings(folder_.Path().toStdString() + "/save.ini");
        if (listen) settings.Write("web", "listen", listen);
        if (key) settings.Write("web", "key", key);
    }
    TempFolder folder_;
};

TEST_F(LiveBoard, OffUnlessTheSettingsNameAnAddress) {
    const struct {
        const char* listen;
        const char* key;
    } cases[] = {{nullptr, nullptr}, {"", nullptr}, {"   ", "secret"}, {nullptr, "secret"}};
    for (const auto& c : cases) {
        TempFolder folder;
        SettingsFile settings(folder.Path().toStdString() + "/save.ini");
        if (c.listen) settings.Write("web", "listen", c.listen);
        if (c.key) settings.Write("web", "key", c.key);
        const int before = ListeningSockets();
        Window w(folder.Path());
        QTest::qWait(20);
        EXPECT_EQ(w.form.Live()->Port(), 0);
        EXPECT_EQ(ListeningSockets(), before) << (c.listen ? c.listen : "(none)");
        EXPECT_TRUE(w.messages.errors.isEmpty());
    }
}

TEST_F(LiveBoard, AnAddressThatCannotBeUsedIsOneErrorBoxAndTheWindowRunsOn) {
    httplib::Server occupant;
    const int taken = occupant.bind_to_any_port("127.0.0.1");
    ASSERT_GT(taken, 0);
    const std::string takenText = "127.0.0.1:" + std::to_string(taken);
    const struct {
        std::string listen;
        const char* reason;
    } cases[] = {{takenText, live::msg::kAddressInUse}, {"localhost:8470", live::msg::kBadAddress}};
    for (const auto& c : cases) {
        TempFolder folder;
        SettingsFile(folder.Path().toStdString() + "/save.ini").Write("web", "listen", c.listen);
        Window w(folder.Path());
        ASSERT_EQ(w.messages.errors.size(), 1) << c.listen;
        EXPECT_EQ(w.messages.errors[0],
                  QStringLiteral("实时看板无法在 %1 上监听：%2.")
                      .arg(QString::fromStdString(c.listen), QString::fromUtf8(c.reason)));
        EXPECT_EQ(w.form.Live()->Port(), 0);
        w.ClickCell(1, {Press("OKBtn")});  // the board works as ever
        EXPECT_FALSE(w.Cell(1).isEmpty());
    }
}

TEST_F(LiveBoard, ABrowserSeesAClickAndTheNotePadWithinATick) {
    Web("127.0.0.1:0", "k1");
    const int before = ListeningSockets();
    Window w(folder_.Path());
    const int port = w.form.Live()->Port();
    ASSERT_GT(port, 0);
    EXPECT_EQ(ListeningSockets(), before + 1);
    EXPECT_TRUE(w.messages.errors.isEmpty());
    FillDay(w);  // machine 2 in an open jump since 23:50
    QTest::qWait(20);
    QJsonArray machines = BoardJson(port, "k1")["machines"].toArray();
    EXPECT_EQ(machines[0].toObject()["state"].toString(), "idle");
    EXPECT_EQ(machines[1].toObject()["state"].toString(), "jumping");
    EXPECT_EQ(machines[1].toObject()["workpiece"].toString(), "凸模 B");
    EXPECT_EQ(machines[1].toObject()["open_interruptions"].toArray()[0].toObject()["start_text"].toString(),
              "23:50:00");

    FinishMachine2(w);
    QTest::qWait(20);
    const QJsonObject board = BoardJson(port, "k1");
    EXPECT_EQ(board["today"].toObject()["finished"].toArray()[0].toObject()["workpiece"].toString(), "凹模");
    EXPECT_EQ(board["machines"].toArray()[1].toObject()["state"].toString(), "idle");
    EXPECT_EQ(board["today"].toObject()["jobs"].toInt(), 2);
    EXPECT_EQ(board["today"].toObject()["finished"].toArray()[1].toObject()["workpiece"].toString(),
              "凸模 B");

    // The NotePad emptied (as the daily archive does) and loaded back from the snapshot.
    ASSERT_TRUE(w.form.SaveSnapshot());
    w.form.NotePad()->clear();
    QTest::qWait(20);
    EXPECT_EQ(BoardJson(port, "k1")["today"].toObject()["jobs"].toInt(), 0);
    w.form.LoadSnapshot();
    QTest::qWait(20);
    const QJsonObject today = BoardJson(port, "k1")["today"].toObject();
    EXPECT_EQ(today["jobs"].toInt(), 2);
    EXPECT_EQ(today["amount"].toInt(), 100 + 0x20);
}

TEST_F(LiveBoard, HostileClientsGetErrorsAndTheClockKeepsTicking) {
    Web("127.0.0.1:0", "k1");
    Window w(folder_.Path());
    const int port = w.form.Live()->Port();
    ASSERT_GT(port, 0);
    QTest::qWait(20);
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(5);
    EXPECT_EQ(client.Get("/board.json?key=k1")->status, 200);
    EXPECT_EQ(client.Get("/?key=k1")->status, 200);
    EXPECT_EQ(client.Get("/board.json")->status, 403);
    EXPECT_EQ(client.Get("/?key=k2")->status, 403);
    EXPECT_EQ(client.Post("/board.json?key=k1", "x", "text/plain")->status, 405);
    EXPECT_EQ(client.Get("/admin?key=k1")->status, 404);
    {
        live::testing::RawClient oversized(port);
        oversized.Send("GET /?key=k1 HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(64 * 1024, 'x') +
                       "\r\n\r\n");
        EXPECT_EQ(oversized.ReceiveAll().find("200 OK"), std::string::npos);
    }

    // One byte a second from one client; another is answered meanwhile and every tick still comes.
    QTimer* clock = w.form.findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(clock, nullptr);
    QSignalSpy ticks(clock, &QTimer::timeout);
    std::atomic<bool> slowDone = false;
    std::atomic<int> otherStatus = 0;
    std::thread slow([&] {
        live::testing::RawClient trickle(port);
        const std::string request = "GET /board.json?key=k1 HTTP/1.1\r\nHost: x\r\n\r\n";
        for (std::size_t i = 0; i < 4 && trickle.Send(request.substr(i, 1)); ++i)
            std::this_thread::sleep_for(std::chrono::seconds(1));
        slowDone = true;
    });
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        httplib::Client quick("127.0.0.1", port);
        quick.set_read_timeout(5);
        const auto result = quick.Get("/board.json?key=k1");
        otherStatus = result ? result->status : -1;
    });
    QTest::qWait(4200);
    other.join();
    slow.join();
    EXPECT_TRUE(slowDone);
    EXPECT_EQ(otherStatus, 200);
    EXPECT_GE(ticks.count(), 4);
}

}  // namespace
}  // namespace kerfolio::test
