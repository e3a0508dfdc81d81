#include "live/live_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

#include "live/messages.h"
#include "live_board_driver.h"
#include "raw_client.h"

namespace kerfolio::live {
namespace {

using Clock = std::chrono::steady_clock;
using testing::At;
using testing::RawClient;

const std::array<std::string, kMachineCount> kEfficiencies = {"30", "30", "30", "30", "30", "30"};

std::shared_ptr<const View> SomeView() {
    TJobBoard board;
    testing::Click(board, 1, ecMount, At("8:00:00"));
    board.SetCaption(2, "二号 <机>");
    return BuildView(board, kEfficiencies, nullptr, At("9:00:00"), 480);
}

ListenAddress Loopback() {
    return {"127.0.0.1", 0, "127.0.0.1:0"};
}

class Served {
  public:
    explicit Served(std::string key = {}, ServerLimits limits = {}) : server_(std::move(key), limits) {
        const auto error = server_.Start(Loopback());
        EXPECT_FALSE(error) << *error;
        server_.Publish(SomeView());
    }
    int Port() const { return server_.Port(); }
    LiveServer& Server() { return server_; }

  private:
    LiveServer server_;
};

httplib::Result Ask(int port, const std::string& method, const std::string& path,
                    httplib::Headers headers = {}) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(5);
    httplib::Request request;
    request.method = method;
    request.path = path;
    request.headers = std::move(headers);
    return client.send(request);
}

TEST(LiveServer, AnswersOnlyReadsOfItsTwoPages) {
    Served served;
    const struct {
        const char* method;
        const char* path;
        int status;
        const char* contentType;
        const char* bodyHas;
    } cases[] = {
        {"GET", "/", 200, "text/html; charset=utf-8", "二号 &lt;机&gt;"},
        {"GET", "/?refresh=1", 200, "text/html; charset=utf-8", "已上机"},
        {"GET", "/board.json", 200, "application/json; charset=utf-8", "\"state\":\"mounted\""},
        {"HEAD", "/board.json", 200, "application/json; charset=utf-8", ""},
        {"HEAD", "/", 200, "text/html; charset=utf-8", ""},
        {"POST", "/", 405, "text/plain; charset=utf-8", msg::kMethodNotAllowed},
        {"PUT", "/board.json", 405, nullptr, nullptr},
        {"DELETE", "/board.json", 405, nullptr, nullptr},
        {"PATCH", "/", 405, nullptr, nullptr},
        {"OPTIONS", "/", 405, nullptr, nullptr},
        {"GET", "/index.html", 404, "text/plain; charset=utf-8", msg::kNotFound},
        {"GET", "/board.json/", 404, nullptr, nullptr},
        {"GET", "/../etc/passwd", 404, nullptr, nullptr},
        {"HEAD", "/nothing", 404, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto result = Ask(served.Port(), c.method, c.path);
        ASSERT_TRUE(result) << c.method << " " << c.path << " " << httplib::to_string(result.error());
        EXPECT_EQ(result->status, c.status) << c.method << " " << c.path;
        if (c.contentType) {
            EXPECT_EQ(result->get_header_value("Content-Type"), c.contentType) << c.path;
        }
        if (c.bodyHas) {
            EXPECT_NE(result->body.find(c.bodyHas), std::string::npos) << c.method << " " << c.path;
        }
        if (std::string(c.method) == "HEAD") {
            EXPECT_EQ(result->body, "") << c.path;
        }
        if (c.status == 405) {
            EXPECT_EQ(result->get_header_value("Allow"), "GET, HEAD");
        }
        EXPECT_EQ(result->get_header_value("Cache-Control"), "no-store");
    }
}

TEST(LiveServer, AKeyInTheSettingsIsAskedOfEveryRequest) {
    Served served("s3cret;=");
    const struct {
        const char* path;
        const char* cookie;
        int status;
        bool setsCookie;
    } cases[] = {
        {"/", nullptr, 403, false},
        {"/board.json", nullptr, 403, false},
        {"/?key=wrong", nullptr, 403, false},
        {"/?key=s3cret", nullptr, 403, false},
        {"/?key=s3cret;=x", nullptr, 403, false},
        {"/?key=s3cret%3B%3D", nullptr, 200, true},
        {"/board.json?key=s3cret%3b%3d", nullptr, 200, true},
        {"/", "kerfolio_key=7333637265743b3d", 200, false},
        {"/board.json", "theme=dark; kerfolio_key=7333637265743b3d; x=1", 200, false},
        {"/", "kerfolio_key=s3cret;=", 403, false},
        {"/", "kerfolio_key=s3cret%3B%3D", 403, false},
        {"/", "other_key=7333637265743b3d", 403, false},
        {"/nothing?key=s3cret%3B%3D", nullptr, 404, true},
    };
    for (const auto& c : cases) {
        httplib::Headers headers;
        if (c.cookie) headers.emplace("Cookie", c.cookie);
        const auto result = Ask(served.Port(), "GET", c.path, headers);
        ASSERT_TRUE(result) << c.path;
        EXPECT_EQ(result->status, c.status) << c.path << " " << (c.cookie ? c.cookie : "");
        if (c.status == 403) {
            EXPECT_EQ(result->body.find("machines"), std::string::npos);
        }
        const std::string cookie = result->get_header_value("Set-Cookie");
        EXPECT_EQ(!cookie.empty(), c.setsCookie) << c.path;
        if (c.setsCookie) {
            EXPECT_EQ(cookie.rfind("kerfolio_key=7333637265743b3d; Path=/;", 0), 0u) << cookie;
        }
    }
    // The method is refused before the key is asked for: nothing but reads, with or without it.
    EXPECT_EQ(Ask(served.Port(), "POST", "/")->status, 405);
}

TEST(LiveServer, BeforeTheFirstViewTheAnswerIsUnavailable) {
    LiveServer server("");
    ASSERT_FALSE(server.Start(Loopback()));
    EXPECT_EQ(Ask(server.Port(), "GET", "/board.json")->status, 503);
    server.Publish(SomeView());
    EXPECT_EQ(Ask(server.Port(), "GET", "/board.json")->status, 200);
}

TEST(LiveServer, RequestsOverTheirBudgetAreRefusedAndTheServerGoesOn) {
    Served served;
    const std::string longLine = "GET /" + std::string(20'000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n";
    std::string manyHeaders = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 100; ++i)
        manyHeaders += "X-" + std::to_string(i) + ": 1\r\n";
    manyHeaders += "\r\n";
    const std::string bigHeader =
        "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(17'000, 'b') + "\r\n\r\n";
    const std::string bigBody =
        "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n" + std::string(100'000, 'c');
    for (const std::string& request : {longLine, manyHeaders, bigHeader, bigBody}) {
        RawClient client(served.Port());
        ASSERT_TRUE(client.Connected());
        client.Send(request);
        const std::string answer = client.ReceiveAll();
        EXPECT_EQ(answer.find("HTTP/1.1 200"), std::string::npos) << answer.substr(0, 80);
        EXPECT_EQ(Ask(served.Port(), "GET", "/board.json")->status, 200);
    }
    // Just inside the budget is still a request.
    std::string fine = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 50; ++i)
        fine += "X-" + std::to_string(i) + ": 1\r\n";
    RawClient client(served.Port());
    client.Send(fine + "Connection: close\r\n\r\n");
    EXPECT_EQ(client.ReceiveAll().rfind("HTTP/1.1 200", 0), 0u);
}

TEST(LiveServer, ASlowClientIsCutOffAndNeverHoldsUpAnother) {
    ServerLimits limits;
    limits.ioTimeout = std::chrono::milliseconds(1000);
    limits.connectionTime = std::chrono::milliseconds(1500);
    Served served("", limits);
    RawClient slow(served.Port());
    ASSERT_TRUE(slow.Connected());
    const std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    const auto start = Clock::now();
    bool cutOff = false;
    for (std::size_t i = 0; i < request.size(); ++i) {
        // One byte at a time, each well inside the wait for a read, never the whole request in time.
        if (!slow.Send(request.substr(i, 1))) {
            cutOff = true;
            break;
        }
        if (i == 2) {
            EXPECT_EQ(Ask(served.Port(), "GET", "/board.json")->status, 200);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (Clock::now() - start > std::chrono::seconds(4)) break;
    }
    // The server closed the connection without an answer, long before the request was complete.
    EXPECT_EQ(slow.ReceiveAll().find("HTTP/1.1 200"), std::string::npos);
    EXPECT_TRUE(cutOff || slow.ClosedByServer());
}

TEST(LiveServer, ConnectionsBeyondTheWaitingRoomGetBusyAtOnce) {
    ServerLimits limits;
    limits.threads = 1;
    limits.queuedConnections = 1;
    Served served("", limits);
    RawClient served1(served.Port());  // taken by the only worker, waiting for its request
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    RawClient waiting(served.Port());  // in the waiting room
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    RawClient turnedAway(served.Port(), 3000);
    EXPECT_EQ(turnedAway.ReceiveAll().rfind("HTTP/1.1 503", 0), 0u);
}

TEST(LiveServer, StopEndsOpenConnectionsAtOnce) {
    ServerLimits limits;
    limits.ioTimeout = std::chrono::milliseconds(60'000);
    limits.connectionTime = std::chrono::milliseconds(60'000);
    auto served = std::make_unique<Served>("", limits);
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < 6; ++i) {
        idle.push_back(std::make_unique<RawClient>(served->Port()));
        idle.back()->Send("GET / HT");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    served->Server().Stop();
    // Far below the minute the connections could otherwise hold a thread.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
}

TEST(LiveServer, AnAddressThatCannotBeBoundSaysWhy) {
    Served taken;
    LiveServer second("");
    const auto inUse = second.Start({"127.0.0.1", taken.Port(), "127.0.0.1:x"});
    ASSERT_TRUE(inUse);
    EXPECT_EQ(*inUse, msg::kAddressInUse);
    EXPECT_EQ(second.Port(), 0);
    // An address this PC does not have (a documentation range).
    LiveServer third("");
    const auto foreign = third.Start({"192.0.2.1", 8470, "192.0.2.1:8470"});
    ASSERT_TRUE(foreign);
    EXPECT_EQ(*foreign, msg::kNoSuchAddress);
}

}  // namespace
}  // namespace kerfolio::live
