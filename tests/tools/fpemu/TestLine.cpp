#include "TestLine.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace fpemu_test {

namespace {

std::string Digits(uint16_t sum) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", sum);
    return text;
}

}  // namespace

Bytes RequestFrame(uint8_t seq, uint8_t cmd, const std::string& payload) {
    Bytes body{static_cast<uint8_t>(0x20 + 4 + payload.size()), seq, cmd};
    for (unsigned char c : payload) {
        if (c < 0x20 && c != 0x09 && c != 0x0A) {
            body.push_back(0x10);
            body.push_back(static_cast<uint8_t>(c + 0x40));
        } else {
            body.push_back(c);
        }
    }
    body.push_back(0x05);
    uint16_t sum = 0;
    for (uint8_t b : body) {
        sum = static_cast<uint16_t>(sum + b);
    }
    Bytes frame;
    // Reserved up front, which also spares GCC 12 -O3 a false array-bounds warning.
    frame.reserve(1 + body.size() + 5);
    frame.push_back(0x01);
    frame.insert(frame.end(), body.begin(), body.end());
    for (char digit : Digits(sum)) {
        const int value = digit <= '9' ? digit - '0' : digit - 'A' + 10;
        frame.push_back(static_cast<uint8_t>(0x30 + value));
    }
    frame.push_back(0x03);
    return frame;
}

std::string Reply::bccText() const {
    std::string text;
    for (uint8_t b : checksum) {
        text += "0123456789ABCDEF"[(b - 0x30) & 0xF];
    }
    return text;
}

Reply TakeApart(const Bytes& bytes) {
    Reply reply;
    size_t i = 0;
    while (i < bytes.size() && bytes[i] != 0x01) {
        reply.junk += static_cast<char>(bytes[i++]);
    }
    ++i;
    uint16_t sum = 0;
    auto take = [&](uint8_t& field) {
        if (i < bytes.size()) {
            field = bytes[i];
            sum = static_cast<uint16_t>(sum + bytes[i++]);
            ++reply.counted;
        }
    };
    take(reply.len);
    take(reply.seq);
    take(reply.cmd);
    // Data ends at 0x04; without one, the status bytes (bit 7 set) end it.
    while (i < bytes.size() && bytes[i] != 0x04 && bytes[i] < 0x80) {
        uint8_t b = 0;
        take(b);
        reply.data += static_cast<char>(b);
    }
    if (i < bytes.size() && bytes[i] == 0x04) {
        uint8_t separator = 0;
        take(separator);
        reply.has04 = true;
    }
    while (i < bytes.size() && bytes[i] >= 0x80) {
        uint8_t b = 0;
        take(b);
        reply.status.push_back(b);
    }
    if (i < bytes.size() && bytes[i] == 0x05) {
        uint8_t postamble = 0;
        take(postamble);
        reply.has05 = true;
    }
    reply.expectedBcc = Digits(sum);
    while (i < bytes.size() && bytes[i] >= 0x30 && bytes[i] <= 0x3F) {
        reply.checksum.push_back(bytes[i++]);
    }
    reply.has03 = i < bytes.size() && bytes[i] == 0x03;
    return reply;
}

std::unique_ptr<Line> Line::Tcp(const std::string& host, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot connect to " + host);
    }
    return std::unique_ptr<Line>(new Line(fd));
}

std::unique_ptr<Line> Line::Pty(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + path);
    }
    return std::unique_ptr<Line>(new Line(fd));
}

Line::~Line() {
    close(fd_);
}

void Line::Send(const Bytes& bytes) {
    if (send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0 && errno == ENOTSOCK) {
        if (write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("write failed");
        }
    }
}

Bytes Line::Read(size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes bytes;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd fd{fd_, POLLIN, 0};
        if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        uint8_t buffer[256];
        const ssize_t got = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

Bytes Line::ReadFrame(int timeoutMs) {
    Bytes frame;
    bool started = false;
    while (true) {
        const Bytes one = Read(1, timeoutMs);
        if (one.empty()) {
            return frame;
        }
        started = started || one[0] == 0x01;
        if (started) {
            frame.push_back(one[0]);
        }
        if (started && one[0] == 0x03) {
            return frame;
        }
    }
}

Reply Line::Ask(uint8_t seq, uint8_t cmd, const std::string& payload) {
    Send(RequestFrame(seq, cmd, payload));
    return TakeApart(ReadFrame());
}

int Line::WaitForClose(int timeoutMs) {
    pollfd fd{fd_, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0) {
        return -1;
    }
    uint8_t byte = 0;
    const ssize_t got = read(fd_, &byte, 1);
    return got == 0 ? 0 : (got < 0 ? errno : -1);
}

}  // namespace fpemu_test
