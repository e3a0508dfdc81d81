#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

namespace kerfolio::live::testing {

// A loopback TCP client that sends exactly the bytes it is given, as a hostile client would.
class RawClient {
  public:
    explicit RawClient(int port, int receiveTimeoutMs = 5000) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval timeout{receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<unsigned short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }
    int Fd() const { return fd_; }

    // False once the server has closed the connection.
    bool Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t sent = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (sent <= 0) return false;
            done += static_cast<std::size_t>(sent);
        }
        return true;
    }

    // Everything until the server closes, an error, or the receive timeout.
    std::string ReceiveAll() {
        std::string all;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                closedByServer_ = got == 0 || errno == ECONNRESET;
                return all;
            }
            all.append(buffer, static_cast<std::size_t>(got));
        }
    }
    // After ReceiveAll: the server ended the connection, rather than the wait running out.
    bool ClosedByServer() const { return closedByServer_; }

  private:
    int fd_ = -1;
    bool connected_ = false;
    bool closedByServer_ = false;
};

// One answer as a test reads it: enough to check a status, a header and the body.
struct Answer {
    int status = 0;  // 0: no answer at all
    std::string head;
    std::string body;
    bool closed = false;  // the server ended the connection

    // The value of the first header of that name, or empty.
    std::string Header(std::string_view name) const {
        std::size_t at = head.find("\r\n");
        while (at != std::string::npos && at + 2 < head.size()) {
            const std::size_t end = head.find("\r\n", at + 2);
            const std::string_view line(head.data() + at + 2,
                                        (end == std::string::npos ? head.size() : end) - at - 2);
            const std::size_t colon = line.find(':');
            if (colon == name.size()) {
                bool same = true;
                for (std::size_t i = 0; i < colon; ++i)
                    same = same && std::tolower(static_cast<unsigned char>(line[i])) ==
                                       std::tolower(static_cast<unsigned char>(name[i]));
                if (same) {
                    std::string_view value = line.substr(colon + 1);
                    while (!value.empty() && value.front() == ' ')
                        value.remove_prefix(1);
                    return std::string(value);
                }
            }
            at = end;
        }
        return {};
    }
};

inline Answer Parse(const std::string& all, bool closed) {
    Answer answer;
    answer.closed = closed;
    if (all.rfind("HTTP/1.", 0) != 0 || all.size() < 12) return answer;
    answer.status = std::atoi(all.c_str() + 9);
    const std::size_t blank = all.find("\r\n\r\n");
    answer.head = all.substr(0, blank);
    if (blank != std::string::npos) answer.body = all.substr(blank + 4);
    return answer;
}

// Sends one request on a fresh connection that asks to be closed after it, and reads the answer.
inline Answer Ask(int port, std::string_view method, std::string_view target, std::string_view headers = {},
                  std::string_view host = "127.0.0.1") {
    RawClient client(port);
    std::string request = std::string(method) + " " + std::string(target) +
                          " HTTP/1.1\r\nHost: " + std::string(host) + "\r\n" + std::string(headers) +
                          "Connection: close\r\n\r\n";
    client.Send(request);
    const std::string all = client.ReceiveAll();
    return Parse(all, client.ClosedByServer());
}

// A loopback port free a moment ago, for a settings file that may not name port 0.
inline int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}  // namespace kerfolio::live::testing
