#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Link.h"

namespace fpemu {

TcpLink::TcpLink(const std::string& host, uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        throw std::system_error(EINVAL, std::generic_category(),
                                "cannot resolve " + host + ": " + gai_strerror(rc));
    }
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0) {
        freeaddrinfo(found);
        ThrowErrno("socket");
    }
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const int bound = bind(listener_, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    if (bound != 0 || listen(listener_, 8) != 0) {
        const int error = errno;
        close(listener_);
        throw std::system_error(error, std::generic_category(),
                                "cannot listen on " + host + ":" + service);
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    host_ = text;
    port_ = ntohs(address.sin_port);
}

TcpLink::~TcpLink() {
    DropPeer(false);
    close(listener_);
}

bool TcpLink::Accept() {
    peer_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (peer_ < 0) {
        return false;
    }
    // Answers go out as one segment each, as a printer's would.
    const int on = 1;
    setsockopt(peer_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

void TcpLink::DropPeer(bool reset) {
    if (peer_ < 0) {
        return;
    }
    if (reset) {
        const linger abort{1, 0};
        setsockopt(peer_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    close(peer_);
    peer_ = -1;
}

ssize_t TcpLink::Write(const uint8_t* data, size_t size) {
    return send(peer_, data, size, MSG_NOSIGNAL);
}

}  // namespace fpemu
