#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "TcpSocket.h"

namespace platform {

using namespace tcp_detail;

namespace {

constexpr size_t kReceiveChunk = 512;
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

void TcpClient::CheckForDisconnect() {
    if (fd_ < 0) {
        ThrowNotConnected();
    }
    const int state = ProbePeer();
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

void TcpClient::FillBuffer(int limitMs) {
    const int ready = PollFor(fd_, POLLIN, std::clamp(limitMs, 0, readTimeoutMs_));
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

uint8_t TcpClient::ReadByte(int limitMs) {
    if (next_ >= received_.size()) {
        if (fd_ < 0) {
            ThrowNotConnected();
        }
        FillBuffer(limitMs);
    }
    return received_[next_++];
}

void TcpClient::DiscardReceived() {
    received_.clear();
    next_ = 0;
    // Only the bytes the socket counts as queued are taken, so an end of stream or an error
    // behind them is left for the next call to report.
    uint8_t buffer[kReceiveChunk];
    int queued = 0;
    while (fd_ >= 0 && ioctl(fd_, FIONREAD, &queued) == 0 && queued > 0) {
        const size_t take = std::min(sizeof buffer, static_cast<size_t>(queued));
        if (recv(fd_, buffer, take, MSG_DONTWAIT) <= 0) {
            break;
        }
    }
}

}  // namespace platform
