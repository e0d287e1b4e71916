// Name resolution and connecting with a time-out.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "TcpSocket.h"

namespace platform::tcp_detail {

namespace {

class AddressList {
public:
    AddressList(const std::string& host, int port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list_);
        if (rc != 0) {
            throw TcpError(TcpErrorKind::Socket, "ESocketError",
                           "Host not found: " + host + " (" + gai_strerror(rc) + ")");
        }
    }
    ~AddressList() { freeaddrinfo(list_); }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    const addrinfo* First() const { return list_; }

private:
    addrinfo* list_ = nullptr;
};

// Connects fd (non-blocking) within timeoutMs; returns 0 or the system error number.
int ConnectWithin(int fd, const addrinfo& address, int timeoutMs) {
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    const int ready = PollFor(fd, POLLOUT, timeoutMs);
    if (ready < 0) {
        return errno;
    }
    if (ready == 0) {
        return ETIMEDOUT;
    }
    int error = 0;
    socklen_t size = sizeof(error);
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return errno;
    }
    return error;
}

}  // namespace

int PollFor(int fd, short events, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Rounded up, and polled again after an early return, so the wait is never cut short.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{fd, events, 0};
        const int rc = poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        if (rc != 0 || Clock::now() >= deadline) {
            return rc;
        }
    }
}

int ConnectSocket(const std::string& host, int port, int timeoutMs) {
    const AddressList addresses(host, port);
    int lastError = ECONNREFUSED;
    for (const addrinfo* a = addresses.First(); a != nullptr; a = a->ai_next) {
        const int fd =
            socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        lastError = ConnectWithin(fd, *a, timeoutMs);
        if (lastError == 0) {
            // Reads and writes wait with poll, so the socket goes back to blocking mode.
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            // A frame is one write answered at once: never hold it back for coalescing.
            const int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
            return fd;
        }
        close(fd);
    }
    ThrowSocketError(lastError);
}

}  // namespace platform::tcp_detail
