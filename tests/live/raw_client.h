#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

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

}  // namespace kerfolio::live::testing
