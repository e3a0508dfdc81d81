#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
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

using live::testing::Ask;
using live::testing::RawClient;

QJsonObject BoardJson(int port, const std::string& key) {
    const auto answer = Ask(port, "GET", "/board.json?key=" + key);
    EXPECT_EQ(answer.status, 200);
    return QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object();
}

std::string AnyPort() {
    return "127.0.0.1:" + std::to_string(live::testing::FreeLoopbackPort());
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
    const int occupant = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(occupant, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(occupant, 1), 0);
    ::getsockname(occupant, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string takenText = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const std::string longKey(99, 'k');
    const struct {
        std::string listen;
        std::string key;
        const char* reason;
    } cases[] = {
        {takenText, "", live::msg::kAddressInUse},
        {"localhost:8470", "", live::msg::kBadAddress},
        {"127.0.0.1:0", "", live::msg::kPortZero},
        {AnyPort(), longKey, live::msg::kKeyTooLong},
        {AnyPort(),
         [] {
             std::string key;
             for (int i = 0; i < 50; ++i)
                 key += "密";  // 100 bytes in GBK, read back as 49 whole characters
             return key;
         }(),
         live::msg::kKeyTooLong},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        SettingsFile settings(folder.Path().toStdString() + "/save.ini");
        settings.Write("web", "listen", c.listen);
        if (!c.key.empty()) settings.Write("web", "key", c.key);
        Window w(folder.Path());
        ASSERT_EQ(w.messages.errors.size(), 1) << c.listen;
        EXPECT_EQ(w.messages.errors[0],
                  QStringLiteral("实时看板无法在 %1 上监听：%2.")
                      .arg(QString::fromStdString(c.listen), QString::fromUtf8(c.reason)));
        EXPECT_EQ(w.form.Live()->Port(), 0);
        w.ClickCell(1, {Press("OKBtn")});  // the board works as ever
        EXPECT_FALSE(w.Cell(1).isEmpty());
    }
    ::close(occupant);
}

TEST_F(LiveBoard, ABrowserSeesAClickAndTheNotePadWithinATick) {
    Web(AnyPort().c_str(), "k1");
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
    Web(AnyPort().c_str(), "k1");
    Window w(folder_.Path());
    const int port = w.form.Live()->Port();
    ASSERT_GT(port, 0);
    QTest::qWait(20);  // the first view published
    QTimer* clock = w.form.findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(clock, nullptr);
    QSignalSpy ticks(clock, &QTimer::timeout);

    std::string ranges = "bytes=0-";
    for (int i = 1; i < 3000; ++i)
        ranges += ",0-";
    const std::string smuggled = "GET /board.json?key=k1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const struct {
        const char* name;
        std::string request;
        int status;
    } cases[] = {
        {"many ranges", "GET /board.json?key=k1 HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: " + ranges + "\r\n\r\n",
         200},
        {"body on GET",
         "GET /board.json?key=k1 HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 45\r\n\r\n" + smuggled, 400},
        {"two lengths",
         "GET /?key=k1 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: 45\r\n\r\n" + smuggled,
         400},
        {"length with chunks",
         "POST /?key=k1 HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\nTransfer-Encoding: "
         "chunked\r\n\r\n0\r\n\r\n",
         400},
        {"post", "POST /board.json?key=k1 HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\n\r\nx", 405},
        {"no key", "GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 403},
        {"wrong key", "GET /?key=k2 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 403},
        {"key, cookie taken", "GET /?key=k1 HTTP/1.1\r\nHost: x\r\nCookie: kerfolio_key=6b31\r\n\r\n", 303},
        {"oversized",
         "GET /?key=k1 HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(64 * 1024, 'x') + "\r\n\r\n", 0},
    };
    for (const auto& c : cases) {
        RawClient client(port, 3000);
        client.Send(c.request);
        const std::string all = client.ReceiveAll();
        const auto answer = live::testing::Parse(all, client.ClosedByServer());
        if (c.status != 0) {
            EXPECT_EQ(answer.status, c.status) << c.name;
        } else {
            EXPECT_NE(answer.status, 200) << c.name;  // whatever refusal, never the page
        }
        EXPECT_EQ(all.find("HTTP/1.1", 1), std::string::npos) << c.name << ": answered twice";
        EXPECT_LT(all.size(), 64u * 1024) << c.name;
    }

    // Two browsers' idle sockets (kept alive and preconnected), clients sending a byte at a time and a
    // flood of connections: another viewer is answered meanwhile and every tick still comes.
    const int ticksBefore = static_cast<int>(ticks.count());
    std::atomic<int> viewerStatus = 0;
    std::atomic<long long> viewerMs = 0;
    std::atomic<bool> done = false;
    std::thread others([&] {
        std::vector<std::unique_ptr<RawClient>> idle;
        for (int i = 0; i < 8; ++i) {
            idle.push_back(std::make_unique<RawClient>(port));
            if (i % 4 == 0) idle.back()->Send("GET /?key=k1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        }
        std::vector<std::unique_ptr<RawClient>> slow;
        for (int i = 0; i < 10; ++i)
            slow.push_back(std::make_unique<RawClient>(port));
        std::vector<std::unique_ptr<RawClient>> flood;
        for (int i = 0; i < 200; ++i)
            flood.push_back(std::make_unique<RawClient>(port, 100));
        const std::string request = "GET /board.json?key=k1 HTTP/1.1\r\nHost: x\r\n\r\n";
        for (std::size_t i = 0; i < 3; ++i) {
            for (auto& client : slow)
                client->Send(request.substr(i, 1));
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        flood.clear();  // one address's connections over its limit would refuse this viewer too
        // Until the server has seen those closes it still counts them, and turns the viewer away at once
        // as one too many: the viewer tries again, as a browser does, and its answered request is timed.
        // A request left waiting is not tried again.
        for (int attempt = 0; attempt < 50 && viewerStatus == 0 && viewerMs < 1000; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const auto start = std::chrono::steady_clock::now();
            viewerStatus = Ask(port, "GET", "/board.json?key=k1").status;
            viewerMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
        }
        done = true;
    });
    // The window's loop runs until the clients are done, however long a loaded machine takes for them.
    QElapsedTimer waited;
    waited.start();
    while ((!done || waited.elapsed() < 4200) && waited.elapsed() < 60'000)
        QTest::qWait(50);
    others.join();
    EXPECT_EQ(viewerStatus, 200);
    // Well before the 5 s that would mean it waited behind the idle and slow sockets.
    EXPECT_LT(viewerMs, 3000);
    EXPECT_GE(ticks.count() - ticksBefore, waited.elapsed() / 1000 - 1);
}

TEST_F(LiveBoard, WithoutAKeyOnlyThisPcsNamesAreAnswered) {
    Web(AnyPort().c_str());
    Window w(folder_.Path());
    const int port = w.form.Live()->Port();
    ASSERT_GT(port, 0);
    QTest::qWait(20);
    const std::string ours = "127.0.0.1:" + std::to_string(port);
    const struct {
        std::string host;
        int status;
    } cases[] = {{ours, 200}, {"localhost", 200}, {"board.example.com", 403}, {"127.0.0.1.example.com", 403}};
    for (const auto& c : cases)
        EXPECT_EQ(Ask(port, "GET", "/board.json", {}, c.host).status, c.status) << c.host;
}

}  // namespace
}  // namespace kerfolio::test
