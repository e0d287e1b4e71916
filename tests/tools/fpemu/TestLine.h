#pragma once

// The tests' own client side of the printer protocol: it frames requests and takes answers
// apart without the emulator's code, so the two check each other.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fpemu_test {

using Bytes = std::vector<uint8_t>;

// 01 LEN SEQ CMD data 05 BCC 03, with the data escaped.
Bytes RequestFrame(uint8_t seq, uint8_t cmd, const std::string& payload);

// An answer taken apart; the flags say which frame bytes were there.
struct Reply {
    std::string junk;  // bytes before the 0x01
    uint8_t len = 0, seq = 0, cmd = 0;
    std::string data;
    Bytes status;
    Bytes checksum;
    bool has04 = false, has05 = false, has03 = false;
    int counted = 0;          // bytes from LEN through the 0x05
    std::string expectedBcc;  // the checksum digits the counted bytes call for
    std::string bccText() const;
};
Reply TakeApart(const Bytes& bytes);

// A client end of a link: a TCP connection or the slave of a pseudo-terminal.
class Line {
public:
    static std::unique_ptr<Line> Tcp(const std::string& host, uint16_t port);
    static std::unique_ptr<Line> Pty(const std::string& path);
    ~Line();

    void Send(const Bytes& bytes);
    // Exactly `count` bytes; fewer when the time runs out or the peer closes.
    Bytes Read(size_t count, int timeoutMs = 3000);
    // One whole answer frame (through its 0x03), skipping what comes before the 0x01.
    Bytes ReadFrame(int timeoutMs = 3000);
    // Sends a request and returns its answer frame.
    Reply Ask(uint8_t seq, uint8_t cmd, const std::string& payload);
    // The errno of a read once the peer is gone: 0 for an orderly close, else the error.
    int WaitForClose(int timeoutMs = 3000);

private:
    explicit Line(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace fpemu_test
