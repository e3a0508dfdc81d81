#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "live/board_view.h"
#include "live/listen_address.h"

namespace kerfolio::live {

// How much one client may take. A client over a limit is cut off; the others and the window go on.
struct ServerLimits {
    int threads = 4;                                  // connections served at once
    std::size_t queuedConnections = 16;               // accepted and waiting; beyond that a 503 at once
    std::size_t maxRequestBytes = 16 * 1024;          // request line, headers and any body, per request
    int maxRequestLines = 64;                         // request line and headers, per request
    std::chrono::milliseconds ioTimeout{5000};        // each wait for a read or a write
    std::chrono::milliseconds connectionTime{10000};  // a whole connection, keep-alive included
    int requestsPerConnection = 20;
};

// The live board's HTTP server: "/" (the page) and "/board.json", GET and HEAD only, read-only. It
// serves from threads of its own and reads only the latest published view.
class LiveServer {
  public:
    // key: when not empty, every request must carry it as ?key=... or in the cookie the page sets.
    explicit LiveServer(std::string key, ServerLimits limits = {});
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Binds and starts serving; the reason in words when the address cannot be used.
    std::optional<std::string> Start(const ListenAddress& address);
    // The port bound, 0 before a successful start.
    int Port() const;
    // Only a pointer swap: never waits for a client.
    void Publish(std::shared_ptr<const View> view);
    // Ends every connection at once and joins the server's threads. Also done by the destructor.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The name of the cookie that carries the key.
inline constexpr char kKeyCookie[] = "kerfolio_key";

}  // namespace kerfolio::live
