#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Clock.h"
#include "TcpSocket.h"

namespace platform {

using namespace tcp_detail;

namespace {

constexpr size_t kReceiveChunk = 512;
constexpr size_t kDrainLimit = 64 * 1024;
constexpr int kPeerOpen = 0;
constexpr int kPeerClosed = -1;

// A peer that closed is "other"; a reset or any other error is a socket error.
[[noreturn]] void ThrowClosedOrError(int state) {
    if (state == kPeerClosed) {
        ThrowConnectionClosed();
    }
    ThrowSocketError(state);
}

}  // namespace

TcpClient::~TcpClient() {
    Disconnect();
}

void TcpClient::Connect(int timeoutMs) {
    Disconnect();
    fd_ = ConnectSocket(Host(), Port(), timeoutMs);
}

void TcpClient::Disconnect() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    received_.clear();
    next_ = 0;
}

int TcpClient::ProbePeer() {
    uint8_t probe;
    const ssize_t got = recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))) {
        return kPeerOpen;
    }
    return got < 0 ? errno : kPeerClosed;
}

bool TcpClient::Connected() {
    if (fd_ < 0) {
        return false;
    }
    if (next_ < received_.size() || ProbePeer() == kPeerOpen) {
        return true;
    }
    Disconnect();
    return false;
}

int TcpClient::DrainPeer() {
    uint8_t dropped[kReceiveChunk];
    // A peer that never stops sending must not keep the caller here: past a socket buffer's
    // worth it counts as open, and what it still sends is the answer's business.
    for (size_t total = 0; total < kDrainLimit;) {
        const ssize_t got = recv(fd_, dropped, sizeof dropped, MSG_DONTWAIT);
        if (got > 0) {
            total += static_cast<size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0) {
            return kPeerClosed;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? kPeerOpen : errno;
    }
    return kPeerOpen;
}

void TcpClient::CheckForDisconnect() {
    if (fd_ < 0) {
        ThrowNotConnected();
    }
    received_.clear();
    next_ = 0;
    const int state = DrainPeer();
    if (state != kPeerOpen) {
        Disconnect();
        ThrowClosedOrError(state);
    }
}

void TcpClient::Write(const std::vector<uint8_t>& data) {
    if (fd_ < 0) {
        ThrowNotConnected();
    }
    size_t sent = 0;
    while (sent < data.size()) {
        // MSG_NOSIGNAL: a peer that went away must give an error, not kill the process.
        const ssize_t n = send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSocketError(errno);
        }
        sent += static_cast<size_t>(n);
    }
}

void TcpClient::FillBuffer(uint64_t deadlineMs) {
    const uint64_t now = CurrentClock().NowMs();
    const uint64_t left = deadlineMs > now ? deadlineMs - now : 0;
    const int ready =
        PollFor(fd_, POLLIN, static_cast<int>(std::min<uint64_t>(left, readTimeoutMs_)));
    if (ready < 0) {
        ThrowSocketError(errno);
    }
    if (ready == 0) {
        ThrowReadTimeout();
    }
    received_.resize(kReceiveChunk);
    ssize_t got;
    do {
        got = recv(fd_, received_.data(), received_.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        const int state = got < 0 ? errno : kPeerClosed;
        Disconnect();
        ThrowClosedOrError(state);
    }
    received_.resize(static_cast<size_t>(got));
    next_ = 0;
}

uint8_t TcpClient::ReadByte(uint64_t deadlineMs) {
    if (next_ >= received_.size()) {
        if (fd_ < 0) {
            ThrowNotConnected();
        }
        FillBuffer(deadlineMs);
    }
    return received_[next_++];
}

}  // namespace platform
