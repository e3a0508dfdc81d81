#include "live/live_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "live/bounded_connection.h"
#include "live/messages.h"
#include "live/view_html.h"
#include "live/view_json.h"

namespace kerfolio::live {
namespace {

struct Rendered {
    std::shared_ptr<const View> view;
    std::string json;
    std::string html;
};

// The key as a cookie value: its bytes in hexadecimal. The library decodes percent signs in every header
// it reads, so a percent-encoded value would come back split at a decoded ";".
std::string CookieValue(std::string_view key) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

// Takes as long for a near miss as for a far one, so the key cannot be guessed a character at a time.
bool SameSecret(std::string_view given, std::string_view secret) {
    if (secret.empty()) return given.empty();
    unsigned difference = given.size() == secret.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |=
            static_cast<unsigned char>(given[i]) ^ static_cast<unsigned char>(secret[i % secret.size()]);
    return difference == 0;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool CookieCarries(const httplib::Request& request, std::string_view value) {
    const auto [first, last] = request.headers.equal_range("Cookie");
    for (auto header = first; header != last; ++header) {
        std::string_view rest = header->second;
        while (!rest.empty()) {
            const std::size_t semicolon = rest.find(';');
            const std::string_view pair = TrimBlanks(rest.substr(0, semicolon));
            rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
            const std::size_t equals = pair.find('=');
            if (equals != std::string_view::npos && pair.substr(0, equals) == kKeyCookie &&
                SameSecret(pair.substr(equals + 1), value)) {
                return true;
            }
        }
    }
    return false;
}

std::string Reason(int error) {
    switch (error) {
        case EADDRINUSE:
            return msg::kAddressInUse;
        case EACCES:
        case EPERM:
            return msg::kNoPermission;
        case EADDRNOTAVAIL:
            return msg::kNoSuchAddress;
        default:
            return std::strerror(error);
    }
}

// The library says only that binding failed; the same bind tried once more says why.
std::string WhyNoBind(const ListenAddress& address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    if (inet_pton(AF_INET, address.host.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(address.port));
        length = sizeof v4;
    } else if (inet_pton(AF_INET6, address.host.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(address.port));
        length = sizeof v6;
    } else {
        return msg::kBadAddress;
    }
    const int probe = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return Reason(errno);
    const int yes = 1;
    ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const int bound = ::bind(probe, reinterpret_cast<sockaddr*>(&storage), length);
    const int error = errno;
    ::close(probe);
    return bound == 0 ? std::strerror(EADDRINUSE) : Reason(error);
}

}  // namespace

// The library's server with our connection handling: each connection is read through a BoundedStream.
class BoundedServer : public httplib::Server {
  public:
    BoundedServer(const ServerLimits& limits, int stopFd) : limits_(limits), stopFd_(stopFd) {}

  private:
    bool process_and_close_socket(int socket) override {
        if (BoundedPool::RejectingNow()) {
            static constexpr char kBusyAnswer[] =
                "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n"
                "Retry-After: 1\r\n\r\n";
            [[maybe_unused]] const ssize_t ignored =
                ::send(socket, kBusyAnswer, sizeof kBusyAnswer - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        } else {
            Serve(socket);
        }
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        return true;
    }

    void Serve(int socket) {
        // Headers and body go out in separate writes; waiting to merge them costs a browser 40 ms.
        const int yes = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        BoundedStream stream(socket, stopFd_, limits_);
        for (int served = 0; served < limits_.requestsPerConnection; ++served) {
            if (served > 0 && !stream.WaitForRequest()) return;
            stream.BeginRequest();
            bool closed = false;
            const bool last = served + 1 == limits_.requestsPerConnection;
            if (!process_request(stream, last, closed, nullptr) || closed) return;
        }
    }

    const ServerLimits& limits_;
    int stopFd_;
};

struct LiveServer::Impl {
    std::string key;
    std::string cookie;  // the key as its cookie value
    ServerLimits limits;
    int stopFd = -1;
    std::unique_ptr<BoundedServer> server;
    std::thread thread;
    int port = 0;

    std::mutex viewMutex;  // only ever held for a pointer copy
    std::shared_ptr<const View> view;
    std::mutex renderMutex;  // the server threads' own
    std::shared_ptr<const Rendered> rendered;

    std::shared_ptr<const Rendered> Current() {
        std::shared_ptr<const View> latest;
        {
            std::lock_guard<std::mutex> lock(viewMutex);
            latest = view;
        }
        if (!latest) return nullptr;
        std::lock_guard<std::mutex> lock(renderMutex);
        // One rendering per published view, however many clients ask for it.
        if (!rendered || rendered->view != latest)
            rendered =
                std::make_shared<const Rendered>(Rendered{latest, RenderJson(*latest), RenderHtml(*latest)});
        return rendered;
    }

    httplib::Server::HandlerResponse Guard(const httplib::Request& request, httplib::Response& response) {
        if (request.method != "GET" && request.method != "HEAD") {
            response.status = 405;
            response.set_header("Allow", "GET, HEAD");
            response.set_content(msg::kMethodNotAllowed, "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (key.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (request.has_param("key") && SameSecret(request.get_param_value("key"), key)) {
            // Later visits, the page's own refreshes among them, need not carry the key in the address.
            response.set_header("Set-Cookie", std::string(kKeyCookie) + "=" + cookie +
                                                  "; Path=/; Max-Age=31536000; HttpOnly; SameSite=Strict");
            return httplib::Server::HandlerResponse::Unhandled;
        }
        if (CookieCarries(request, cookie)) return httplib::Server::HandlerResponse::Unhandled;
        response.status = 403;
        response.set_content(msg::kForbidden, "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    }

    void Answer(httplib::Response& response, bool json) {
        const std::shared_ptr<const Rendered> page = Current();
        if (!page) {
            response.status = 503;
            response.set_content(msg::kNotPublished, "text/plain; charset=utf-8");
            return;
        }
        if (json) {
            response.set_content(page->json, "application/json; charset=utf-8");
        } else {
            response.set_content(page->html, "text/html; charset=utf-8");
        }
    }

    void Route() {
        server->set_default_headers(
            {{"Cache-Control", "no-store"},
             {"X-Content-Type-Options", "nosniff"},
             {"Referrer-Policy", "no-referrer"},
             {"X-Frame-Options", "DENY"},
             {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'"}});
        // The library's default also sets SO_REUSEPORT, which would let a second program (or a second
        // Kerfolio) bind the same port and take half the requests; a taken port must be an error.
        server->set_socket_options([](int socket) {
            const int yes = 1;
            ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        server->new_task_queue = [this] { return new BoundedPool(limits.threads, limits.queuedConnections); };
        // Each send waits at most this long, however big the answer.
        const auto ioSeconds = std::chrono::duration_cast<std::chrono::seconds>(limits.ioTimeout).count();
        server->set_write_timeout(std::max<time_t>(1, ioSeconds));
        // Only for the Keep-Alive header the library writes: what Serve really allows.
        server->set_keep_alive_max_count(static_cast<std::size_t>(limits.requestsPerConnection));
        server->set_keep_alive_timeout(std::max<time_t>(1, ioSeconds));
        server->set_payload_max_length(limits.maxRequestBytes);
        server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
            return Guard(request, response);
        });
        server->Get(
            "/", [this](const httplib::Request&, httplib::Response& response) { Answer(response, false); });
        server->Get("/board.json",
                    [this](const httplib::Request&, httplib::Response& response) { Answer(response, true); });
        server->set_error_handler([](const httplib::Request&, httplib::Response& response) {
            if (response.status == 404 && response.body.empty())
                response.set_content(msg::kNotFound, "text/plain; charset=utf-8");
        });
    }
};

LiveServer::LiveServer(std::string key, ServerLimits limits) : impl_(std::make_unique<Impl>()) {
    impl_->cookie = CookieValue(key);
    impl_->key = std::move(key);
    impl_->limits = limits;
}

LiveServer::~LiveServer() {
    Stop();
}

std::optional<std::string> LiveServer::Start(const ListenAddress& address) {
    Impl& d = *impl_;
    d.stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (d.stopFd < 0) return std::string(std::strerror(errno));
    d.server = std::make_unique<BoundedServer>(d.limits, d.stopFd);
    d.Route();
    bool bound = false;
    if (address.port == 0) {
        d.port = d.server->bind_to_any_port(address.host);
        bound = d.port > 0;
    } else {
        bound = d.server->bind_to_port(address.host, address.port);
        d.port = bound ? address.port : 0;
    }
    if (!bound) {
        d.port = 0;
        d.server.reset();
        return WhyNoBind(address);
    }
    d.thread = std::thread([server = d.server.get()] { server->listen_after_bind(); });
    // A stop before the accept loop runs would go unnoticed and leave the loop running for good.
    for (int waited = 0; !d.server->is_running() && waited < 2000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::nullopt;
}

int LiveServer::Port() const {
    return impl_->port;
}

void LiveServer::Publish(std::shared_ptr<const View> view) {
    {
        std::lock_guard<std::mutex> lock(impl_->viewMutex);
        impl_->view.swap(view);
    }
    // The old view, when this was its last holder, is freed here, after the lock is let go.
}

void LiveServer::Stop() {
    Impl& d = *impl_;
    if (d.server) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(d.stopFd, &one, sizeof one);
        d.server->stop();
        if (d.thread.joinable()) d.thread.join();
        d.server.reset();
    }
    if (d.stopFd >= 0) ::close(d.stopFd);
    d.stopFd = -1;
    d.port = 0;
}

}  // namespace kerfolio::live
