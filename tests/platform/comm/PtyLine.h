#pragma once

// A pseudo-terminal registered as a COM port through KALVORA_PORTS: the port under test opens
// the slave, the test plays the peer on the master.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class PtyLine {
public:
    using Bytes = std::vector<uint8_t>;

    explicit PtyLine(const std::string& comName = "COM7", const std::string& morePorts = "") {
        char name[256];
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        slavePath_ = name;
        std::string ports = comName + "=" + slavePath_;
        if (!morePorts.empty()) {
            ports += "," + morePorts;
        }
        setenv("KALVORA_PORTS", ports.c_str(), 1);
    }
    ~PtyLine() {
        unsetenv("KALVORA_PORTS");
        close(slave_);
        HangUp();
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    // Closes the master, as when a USB adapter is pulled out: the line hangs up.
    void HangUp() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }

    // The terminal's settings as the kernel holds them, whoever set them.
    termios Settings() const {
        termios settings{};
        tcgetattr(slave_, &settings);
        return settings;
    }

    void Send(const Bytes& bytes) {
        if (write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("write to the pty master failed");
        }
    }

    // The next `count` bytes the port sent, or fewer when they do not come within the time.
    Bytes Receive(size_t count, int timeoutMs = 2000) {
        Bytes got;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{master_, POLLIN, 0};
            if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            uint8_t buffer[256];
            const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
