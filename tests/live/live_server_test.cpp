#include "live/live_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "live/messages.h"
#include "live/view_html.h"
#include "live/view_json.h"
#include "live_board_driver.h"
#include "raw_client.h"

namespace kerfolio::live {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Answer;
using testing::Ask;
using testing::At;
using testing::RawClient;

const std::array<std::string, kMachineCount> kEfficiencies = {"30", "30", "30", "30", "30", "30"};

std::shared_ptr<const View> SomeView() {
    TJobBoard board;
    testing::Click(board, 1, ecMount, At("8:00:00"));
    board.SetCaption(2, "二号 <机>");
    return BuildView(board, kEfficiencies, nullptr, At("9:00:00"), 28800);
}

ListenAddress Loopback() {
    return {"127.0.0.1", 0, "127.0.0.1:0"};
}

// How a board reaches the server: a PC's window publishes its view, the office board pages it rendered.
enum class Source { View, Pages };

class Served {
  public:
    explicit Served(std::string key = {}, ServerLimits limits = {}, Source source = Source::View)
        : server_(std::move(key), limits) {
        const auto error = server_.Start(Loopback());
        EXPECT_FALSE(error) << *error;
        const auto view = SomeView();
        if (source == Source::View) {
            server_.Publish(view);
        } else {
            server_.PublishPages(std::make_shared<const Pages>(Pages{RenderJson(*view), RenderHtml(*view)}));
        }
    }
    int Port() const { return server_.Port(); }
    LiveServer& Server() { return server_; }

  private:
    LiveServer server_;
};

TEST(LiveServer, AnswersOnlyReadsOfItsTwoPages) {
    for (const Source source : {Source::View, Source::Pages}) {
        Served served({}, {}, source);
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
            ASSERT_NE(result.status, 0) << c.method << " " << c.path;
            EXPECT_EQ(result.status, c.status) << c.method << " " << c.path;
            if (c.contentType) {
                EXPECT_EQ(result.Header("Content-Type"), c.contentType) << c.path;
            }
            if (c.bodyHas) {
                EXPECT_NE(result.body.find(c.bodyHas), std::string::npos) << c.method << " " << c.path;
            }
            if (std::string(c.method) == "HEAD") {
                EXPECT_EQ(result.body, "") << c.path;
            }
            if (c.status == 405) {
                EXPECT_EQ(result.Header("Allow"), "GET, HEAD");
            }
            EXPECT_EQ(result.Header("Cache-Control"), "no-store");
        }
    }
}

TEST(LiveServer, AKeyInTheSettingsIsAskedOfEveryRequest) {
    for (const Source source : {Source::View, Source::Pages}) {
        Served served("s3cret;=", {}, source);
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
            const std::string cookie = c.cookie ? std::string("Cookie: ") + c.cookie + "\r\n" : "";
            const auto result = Ask(served.Port(), "GET", c.path, cookie);
            ASSERT_NE(result.status, 0) << c.path;
            EXPECT_EQ(result.status, c.status) << c.path << " " << (c.cookie ? c.cookie : "");
            if (c.status == 403) {
                EXPECT_EQ(result.body.find("machines"), std::string::npos);
            }
            const std::string setCookie = result.Header("Set-Cookie");
            EXPECT_EQ(!setCookie.empty(), c.setsCookie) << c.path;
            if (c.setsCookie) {
                EXPECT_EQ(setCookie.rfind("kerfolio_key=7333637265743b3d; Path=/;", 0), 0u) << setCookie;
            }
        }
        // The method is refused before the key is asked for: nothing but reads, with or without it.
        EXPECT_EQ(Ask(served.Port(), "POST", "/").status, 405);
    }
}

TEST(LiveServer, BeforeTheFirstViewTheAnswerIsUnavailable) {
    LiveServer server("");
    ASSERT_FALSE(server.Start(Loopback()));
    EXPECT_EQ(Ask(server.Port(), "GET", "/board.json").status, 503);
    server.Publish(SomeView());
    EXPECT_EQ(Ask(server.Port(), "GET", "/board.json").status, 200);
    // Pages published later replace the view, byte for byte, and a view replaces them again.
    server.PublishPages(std::make_shared<const Pages>(Pages{"{\"pcs\":[]}\n", "<p>office</p>"}));
    EXPECT_EQ(Ask(server.Port(), "GET", "/board.json").body, "{\"pcs\":[]}\n");
    EXPECT_EQ(Ask(server.Port(), "GET", "/").body, "<p>office</p>");
    server.Publish(SomeView());
    EXPECT_NE(Ask(server.Port(), "GET", "/board.json").body.find("\"machines\""), std::string::npos);
}

TEST(LiveServer, RequestsOverTheirBudgetAreRefusedAndTheServerGoesOn) {
    Served served;
    const std::string longLine = "GET /" + std::string(40'000, 'a') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const std::string bigHeader =
        "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + std::string(40'000, 'b') + "\r\n\r\n";
    const std::string bigBody =
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n\r\n" + std::string(100'000, 'c');
    for (const std::string& request : {longLine, bigHeader, bigBody}) {
        RawClient client(served.Port());
        ASSERT_TRUE(client.Connected());
        client.Send(request);
        const std::string answer = client.ReceiveAll();
        EXPECT_EQ(answer.find("HTTP/1.1 200"), std::string::npos) << answer.substr(0, 80);
        EXPECT_EQ(Ask(served.Port(), "GET", "/board.json").status, 200);
    }
    // Just inside the budget is still a request.
    std::string fine = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (int i = 0; i < 50; ++i)
        fine += "X-" + std::to_string(i) + ": 1\r\n";
    RawClient client(served.Port());
    client.Send(fine + "Connection: close\r\n\r\n");
    EXPECT_EQ(client.ReceiveAll().rfind("HTTP/1.1 200", 0), 0u);
}

int Answers(const std::string& all) {
    int count = 0;
    for (std::size_t at = all.find("HTTP/1."); at != std::string::npos; at = all.find("HTTP/1.", at + 1))
        ++count;
    return count;
}

// Requests shaped to swell the answer, to smuggle a second request, or to be read two ways: each gets
// one bounded answer, and a refusal ends its connection so nothing after it is taken for a request.
TEST(LiveServer, HostileRequestsGetOneBoundedAnswer) {
    for (const Source source : {Source::View, Source::Pages}) {
        Served served({}, {}, source);
        const std::size_t pageSize = Ask(served.Port(), "GET", "/").body.size();
        ASSERT_GT(pageSize, 0u);
        std::string ranges = "bytes=0-";
        for (int i = 1; i < 2600; ++i)
            ranges += ",0-";
        const std::string smuggled = "GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        const struct {
            const char* name;
            std::string request;
            int status;
            bool closes;
        } cases[] = {
            {"many ranges",
             "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: " + ranges + "\r\nConnection: close\r\n\r\n", 200,
             true},
            {"one range",
             "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=0-9\r\nConnection: close\r\n\r\n", 200, true},
            {"body on GET",
             "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(smuggled.size()) +
                 "\r\n\r\n" + smuggled,
             400, true},
            {"chunked body on HEAD",
             "HEAD / HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" + smuggled,
             400, true},
            {"two lengths",
             "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\nContent-Length: 45\r\n\r\n" +
                 smuggled,
             400, true},
            {"length with chunks",
             "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\nTransfer-Encoding: "
             "chunked\r\n\r\n0\r\n\r\n" +
                 smuggled,
             400, true},
            {"body on POST",
             "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\n\r\nhello" + smuggled, 405, true},
            {"not found", "GET /x HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" + smuggled, 404, true},
            {"foreign host", "GET / HTTP/1.1\r\nHost: board.example.com\r\n\r\n" + smuggled, 403, true},
            {"foreign host with our port",
             "GET /board.json HTTP/1.1\r\nHost: 10.66.0.1.nip.example:8470\r\n\r\n", 403, true},
            {"no host", "GET / HTTP/1.0\r\n\r\n", 403, true},
            {"localhost", "GET / HTTP/1.1\r\nHost: LocalHost:8470\r\nConnection: close\r\n\r\n", 200, true},
        };
        for (const auto& c : cases) {
            RawClient client(served.Port(), 3000);
            ASSERT_TRUE(client.Connected());
            client.Send(c.request);
            const std::string all = client.ReceiveAll();
            const Answer answer = testing::Parse(all, client.ClosedByServer());
            EXPECT_EQ(answer.status, c.status) << c.name;
            EXPECT_EQ(Answers(all), 1) << c.name << ": " << all.substr(0, 200);
            EXPECT_EQ(answer.closed, c.closes) << c.name;
            EXPECT_LE(all.size(), pageSize + 1024) << c.name;
        }
    }
}

// Sockets that are open but send nothing (a browser's kept-alive and preconnected ones), clients that
// send a byte at a time, and a flood of connections: a viewer beside them is answered at once.
TEST(LiveServer, IdleSlowAndFloodingClientsNeverHoldUpAViewer) {
    Served served;
    const auto viewerWait = [&] {
        const auto start = Clock::now();
        EXPECT_EQ(Ask(served.Port(), "GET", "/board.json").status, 200);
        return Clock::now() - start;
    };
    std::vector<std::unique_ptr<RawClient>> others;
    for (int i = 0; i < 8; ++i) {
        others.push_back(std::make_unique<RawClient>(served.Port()));
        if (i % 2 == 0) {
            others.back()->Send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");  // then kept alive, idle
        }
    }
    EXPECT_LT(viewerWait(), std::chrono::milliseconds(1500)) << "beside idle sockets";
    for (int i = 0; i < 12; ++i) {
        others.push_back(std::make_unique<RawClient>(served.Port()));
        others.back()->Send("GE");
    }
    for (int i = 0; i < 3; ++i) {
        for (std::size_t c = 8; c < others.size(); ++c)
            others[c]->Send("T");
        EXPECT_LT(viewerWait(), std::chrono::milliseconds(1500)) << "beside slow senders";
    }
    others.clear();
    // More connections from one client than it may hold: those over the limit are closed at once.
    std::vector<std::unique_ptr<RawClient>> flood;
    for (int i = 0; i < 300; ++i)
        flood.push_back(std::make_unique<RawClient>(served.Port(), 3000));
    int closed = 0;
    for (auto& client : flood) {
        client->Send("GET /board.json HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    }
    const auto start = Clock::now();
    for (auto& client : flood) {
        const std::string all = client->ReceiveAll();
        closed += client->ClosedByServer() ? 1 : 0;
    }
    EXPECT_EQ(closed, 300);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    flood.clear();
    EXPECT_LT(viewerWait(), std::chrono::milliseconds(1500)) << "after a flood";
}

TEST(LiveServer, AnIdleConnectionIsClosed) {
    ServerLimits limits;
    limits.idleTimeout = std::chrono::seconds(1);
    Served served("", limits);
    RawClient idle(served.Port(), 4000);
    const auto start = Clock::now();
    idle.ReceiveAll();
    EXPECT_TRUE(idle.ClosedByServer());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST(LiveServer, StopEndsOpenConnectionsAtOnce) {
    ServerLimits limits;
    limits.idleTimeout = std::chrono::seconds(60);
    auto served = std::make_unique<Served>("", limits);
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < 6; ++i) {
        idle.push_back(std::make_unique<RawClient>(served->Port()));
        idle.back()->Send("GET / HT");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    served->Server().Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
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
