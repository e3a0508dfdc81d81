#include "live/live_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>

#include "live/local_names.h"
#include "live/messages.h"
#include "live/view_html.h"
#include "live/view_json.h"
#include "storage/file_descriptor.h"

namespace kerfolio::live {
namespace {

// The key as a cookie value: its bytes in hexadecimal, so that no byte of it needs quoting in a header.
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
        difference |= static_cast<unsigned>(static_cast<unsigned char>(given[i]) ^
                                            static_cast<unsigned char>(secret[i % secret.size()]));
    return difference == 0;
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

// Fills address from host and port; false when host is not a numeric address.
bool SocketAddress(const ListenAddress& address, sockaddr_storage& storage, socklen_t& length) {
    storage = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(address.port));
        length = sizeof *v4;
        return true;
    }
    if (inet_pton(AF_INET6, address.host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(address.port));
        length = sizeof *v6;
        return true;
    }
    return false;
}

// The library says only that it could not start; the same bind tried once more says why.
std::string WhyNoBind(const ListenAddress& address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (!SocketAddress(address, storage, length)) return msg::kBadAddress;
    const FileDescriptor socket(::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int probe = socket.Get();
    if (probe < 0) return Reason(errno);
    const int yes = 1;
    ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const int bound = ::bind(probe, reinterpret_cast<sockaddr*>(&storage), length);
    const int error = errno;
    return bound == 0 ? std::strerror(EADDRINUSE) : Reason(error);
}

// What the request's headers say about a body: how many Content-Length headers and whether any
// Transfer-Encoding.
struct Framing {
    int contentLengths = 0;
    bool nonZeroLength = false;
    bool transferEncoding = false;
};

MHD_Result CountFraming(void* cls, MHD_ValueKind, const char* key, const char* value) {
    auto& framing = *static_cast<Framing*>(cls);
    if (strcasecmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0) {
        ++framing.contentLengths;
        framing.nonZeroLength = framing.nonZeroLength || std::string_view(value ? value : "") != "0";
    } else if (strcasecmp(key, MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0) {
        framing.transferEncoding = true;
    }
    return MHD_YES;
}

void FreeShared(void* cls) {
    delete static_cast<std::shared_ptr<const Pages>*>(cls);
}

}  // namespace

struct LiveServer::Impl {
    std::string key;
    std::string cookie;  // the key as its cookie value
    ServerLimits limits;
    MHD_Daemon* daemon = nullptr;
    int port = 0;
    LocalNames localNames;

    std::mutex viewMutex;  // only ever held for a pointer copy
    std::shared_ptr<const View> view;
    std::shared_ptr<const Pages> pages;  // published as they are; view is then empty
    std::mutex renderMutex;              // the server threads' own
    std::shared_ptr<const View> renderedView;
    std::shared_ptr<const Pages> rendered;

    std::shared_ptr<const Pages> Current() {
        std::shared_ptr<const View> latest;
        {
            std::lock_guard<std::mutex> lock(viewMutex);
            if (pages) return pages;
            latest = view;
        }
        if (!latest) return nullptr;
        std::lock_guard<std::mutex> lock(renderMutex);
        // One rendering per published view, however many clients ask for it.
        if (!rendered || renderedView != latest) {
            rendered = std::make_shared<const Pages>(Pages{RenderJson(*latest), RenderHtml(*latest)});
            renderedView = latest;
        }
        return rendered;
    }

    static void CommonHeaders(MHD_Response* response) {
        MHD_add_response_header(response, "Cache-Control", "no-store");
        MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
        MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
        MHD_add_response_header(response, "X-Frame-Options", "DENY");
        MHD_add_response_header(response, "Content-Security-Policy",
                                "default-src 'none'; style-src 'unsafe-inline'");
    }

    // Every refusal ends its connection: whatever the client sent after it is never read as a request.
    static MHD_Result Refuse(MHD_Connection* connection, unsigned status, const char* text,
                             const char* allow = nullptr) {
        MHD_Response* response = MHD_create_response_from_buffer(std::strlen(text), const_cast<char*>(text),
                                                                 MHD_RESPMEM_PERSISTENT);
        if (!response) return MHD_NO;
        CommonHeaders(response);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; charset=utf-8");
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
        if (allow) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allow);
        const MHD_Result queued = MHD_queue_response(connection, status, response);
        MHD_destroy_response(response);
        return queued;
    }

    std::optional<std::string> Argument(MHD_Connection* connection, MHD_ValueKind kind, const char* name) {
        const char* value = nullptr;
        std::size_t size = 0;
        if (MHD_lookup_connection_value_n(connection, kind, name, std::strlen(name), &value, &size) !=
                MHD_YES ||
            value == nullptr)
            return std::nullopt;
        return std::string(value, size);
    }

    MHD_Result Handle(MHD_Connection* connection, std::string_view url, std::string_view method) {
        Framing framing;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &CountFraming, &framing);
        // Two lengths, or a length beside chunks, are read differently by different servers: refused.
        if (framing.contentLengths > 1 || (framing.contentLengths > 0 && framing.transferEncoding))
            return Refuse(connection, MHD_HTTP_BAD_REQUEST, msg::kBadRequest);
        if (method != MHD_HTTP_METHOD_GET && method != MHD_HTTP_METHOD_HEAD)
            return Refuse(connection, MHD_HTTP_METHOD_NOT_ALLOWED, msg::kMethodNotAllowed, "GET, HEAD");
        if (framing.nonZeroLength || framing.transferEncoding)
            return Refuse(connection, MHD_HTTP_BAD_REQUEST, msg::kBadRequest);

        const char* setCookie = nullptr;
        std::string cookieHeader;
        if (key.empty()) {
            const auto host = Argument(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST);
            if (!host || !localNames.Has(*host))
                return Refuse(connection, MHD_HTTP_FORBIDDEN, msg::kForeignHost);
        } else {
            const auto given = Argument(connection, MHD_GET_ARGUMENT_KIND, "key");
            const auto carried = Argument(connection, MHD_COOKIE_KIND, kKeyCookie);
            const bool keyGiven = given && SameSecret(*given, key);
            const bool cookieCarried = carried && SameSecret(*carried, cookie);
            if (!keyGiven && !cookieCarried) return Refuse(connection, MHD_HTTP_FORBIDDEN, msg::kForbidden);
            if (keyGiven && cookieCarried && url == "/") {
                // The cookie took: the key leaves the address bar and the history.
                MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
                if (!response) return MHD_NO;
                CommonHeaders(response);
                MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, "/");
                const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_SEE_OTHER, response);
                MHD_destroy_response(response);
                return queued;
            }
            if (keyGiven) {
                // Later visits, the page's own refreshes among them, need not carry the key in the address.
                cookieHeader = std::string(kKeyCookie) + "=" + cookie +
                               "; Path=/; Max-Age=31536000; HttpOnly; SameSite=Strict";
                setCookie = cookieHeader.c_str();
            }
        }

        const bool json = url == "/board.json";
        if (!json && url != "/") {
            if (setCookie == nullptr) return Refuse(connection, MHD_HTTP_NOT_FOUND, msg::kNotFound);
            MHD_Response* response = MHD_create_response_from_buffer(
                std::strlen(msg::kNotFound), const_cast<char*>(msg::kNotFound), MHD_RESPMEM_PERSISTENT);
            if (!response) return MHD_NO;
            CommonHeaders(response);
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; charset=utf-8");
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
            MHD_add_response_header(response, MHD_HTTP_HEADER_SET_COOKIE, setCookie);
            const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_NOT_FOUND, response);
            MHD_destroy_response(response);
            return queued;
        }
        auto page = std::make_unique<std::shared_ptr<const Pages>>(Current());
        if (!*page) return Refuse(connection, MHD_HTTP_SERVICE_UNAVAILABLE, msg::kNotPublished);
        const std::string& body = json ? (*page)->json : (*page)->html;
        // The answer is the rendered page itself, shared by every client that asks for this view.
        MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
            body.size(), const_cast<char*>(body.data()), &FreeShared, page.get());
        if (!response) return MHD_NO;
        page.release();
        CommonHeaders(response);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                                json ? "application/json; charset=utf-8" : "text/html; charset=utf-8");
        if (setCookie) MHD_add_response_header(response, MHD_HTTP_HEADER_SET_COOKIE, setCookie);
        const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
        MHD_destroy_response(response);
        return queued;
    }

    static MHD_Result Access(void* cls, MHD_Connection* connection, const char* url, const char* method,
                             const char*, const char*, std::size_t* uploadSize, void** state) {
        // Every request is answered on its first call, once its headers are in; a body is never read.
        if (*state != nullptr) {
            *uploadSize = 0;
            return MHD_YES;
        }
        *state = cls;
        return static_cast<Impl*>(cls)->Handle(connection, url, method);
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
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (!SocketAddress(address, storage, length)) return std::string(msg::kBadAddress);
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL;
    if (storage.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    const ServerLimits& l = d.limits;
    d.daemon =
        MHD_start_daemon(flags, static_cast<std::uint16_t>(address.port), nullptr, nullptr, &Impl::Access, &d,
                         MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&storage),  //
                         MHD_OPTION_THREAD_POOL_SIZE, static_cast<unsigned>(l.threads > 0 ? l.threads : 1),
                         MHD_OPTION_CONNECTION_LIMIT, l.connections,                  //
                         MHD_OPTION_PER_IP_CONNECTION_LIMIT, l.connectionsPerClient,  //
                         MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(l.idleTimeout.count()),
                         MHD_OPTION_CONNECTION_MEMORY_LIMIT, l.requestMemory,  //
                         MHD_OPTION_LISTEN_BACKLOG_SIZE, l.backlog,            //
                         MHD_OPTION_END);
    if (d.daemon == nullptr) return WhyNoBind(address);
    const MHD_DaemonInfo* info = MHD_get_daemon_info(d.daemon, MHD_DAEMON_INFO_BIND_PORT);
    d.port = info ? info->port : address.port;
    return std::nullopt;
}

int LiveServer::Port() const {
    return impl_->port;
}

void LiveServer::Publish(std::shared_ptr<const View> view) {
    std::shared_ptr<const Pages> none;
    {
        std::lock_guard<std::mutex> lock(impl_->viewMutex);
        impl_->view.swap(view);
        impl_->pages.swap(none);
    }
    // The old view, when this was its last holder, is freed here, after the lock is let go.
}

void LiveServer::PublishPages(std::shared_ptr<const Pages> pages) {
    std::shared_ptr<const View> none;
    {
        std::lock_guard<std::mutex> lock(impl_->viewMutex);
        impl_->pages.swap(pages);
        impl_->view.swap(none);
    }
}

void LiveServer::Stop() {
    Impl& d = *impl_;
    if (d.daemon) MHD_stop_daemon(d.daemon);
    d.daemon = nullptr;
    d.port = 0;
}

}  // namespace kerfolio::live
