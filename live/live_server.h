#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "live/board_view.h"
#include "live/listen_address.h"

namespace kerfolio::live {

// How much one client, and all of them, may take. Connections wait for data in one event loop, so an
// idle or slow one holds no thread; one over a limit is closed, the others and the window go on.
struct ServerLimits {
    int threads = 2;                                     // event loops serving the connections
    unsigned connections = 256;                          // open at once, all clients together
    unsigned connectionsPerClient = 32;                  // open at once from one address
    std::size_t requestMemory = std::size_t{32} * 1024;  // request line and headers, per connection
    std::chrono::seconds idleTimeout{5};                 // a connection that sends or reads nothing is closed
    unsigned backlog = 512;  // connections the system holds before they are accepted
};

// A page and its JSON rendered once, for a server that shows something other than one PC's view.
struct Pages {
    std::string json;
    std::string html;
};

// The live board's HTTP server: "/" (the page) and "/board.json", GET and HEAD only, read-only, each
// answer the whole page or nothing (no ranges). It serves from threads of its own and reads only the
// latest published view.
class LiveServer {
  public:
    // key: when not empty, every request must carry it as ?key=... or in the cookie the page sets.
    // Without a key only requests addressed to this PC (its addresses, its name, localhost) are
    // answered, so a web page elsewhere cannot read the board through a name of its own.
    explicit LiveServer(std::string key, ServerLimits limits = {});
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Binds and starts serving; the reason in words when the address cannot be used. Port 0 takes any
    // free port (for tests; the settings never ask for it).
    std::optional<std::string> Start(const ListenAddress& address);
    // The port bound, 0 before a successful start.
    int Port() const;
    // Only a pointer swap: never waits for a client.
    void Publish(std::shared_ptr<const View> view);
    // The same for pages already rendered (the office board); replaces any view published before.
    void PublishPages(std::shared_ptr<const Pages> pages);
    // Ends every connection at once and joins the server's threads. Also done by the destructor.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The name of the cookie that carries the key.
inline constexpr char kKeyCookie[] = "kerfolio_key";

}  // namespace kerfolio::live
