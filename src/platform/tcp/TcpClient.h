#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// The three kinds of client failure a caller tells apart; a closed connection is "other".
enum class TcpErrorKind { Socket, ReadTimeout, Other };

class TcpError : public std::runtime_error {
public:
    TcpError(TcpErrorKind kind, std::string kindName, const std::string& message);
    ~TcpError() override;

    TcpErrorKind Kind() const { return kind_; }
    // Short name of the failure ("ESocketError", "EReadTimeout", "EConnClosed", ...).
    const std::string& KindName() const { return kindName_; }

private:
    TcpErrorKind kind_;
    std::string kindName_;
};

// What the TCP device needs of a client; tests put a scripted one in its place.
class ITcpClient {
public:
    virtual ~ITcpClient() = default;

    void SetHost(const std::string& host) { host_ = host; }
    const std::string& Host() const { return host_; }
    void SetPort(int port) { port_ = port; }
    int Port() const { return port_; }

    // Drops any connection, then connects to Host:Port within timeoutMs; raises on failure.
    virtual void Connect(int timeoutMs) = 0;
    // Open and not closed by the peer.
    virtual bool Connected() = 0;
    virtual void Disconnect() = 0;
    // Raises when the link is not open or the peer has closed it. Whether the peer closed shows
    // only behind what it sent before, so that is read and thrown away: the next read sees only
    // what arrives after the check.
    virtual void CheckForDisconnect() = 0;
    // Sends every byte; raises on failure.
    virtual void Write(const std::vector<uint8_t>& data) = 0;
    // The next received byte; raises on a closed link or an error, and raises the read time-out
    // when none comes within the client's read time-out or by deadlineMs on the current clock
    // (platform::CurrentClock), whichever ends first. Past the deadline only a byte that has
    // already arrived is taken.
    virtual uint8_t ReadByte(uint64_t deadlineMs) = 0;

private:
    std::string host_;
    int port_ = 0;
};

// The TCP client over a socket.
class TcpClient : public ITcpClient {
public:
    static constexpr int kDefaultReadTimeoutMs = 3000;

    TcpClient() = default;
    ~TcpClient() override;
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    void SetReadTimeout(int ms) { readTimeoutMs_ = ms; }
    int ReadTimeout() const { return readTimeoutMs_; }

    void Connect(int timeoutMs) override;
    bool Connected() override;
    void Disconnect() override;
    void CheckForDisconnect() override;
    void Write(const std::vector<uint8_t>& data) override;
    uint8_t ReadByte(uint64_t deadlineMs) override;

private:
    // 0 while the peer keeps the connection, -1 when it closed it, else the socket's error.
    int ProbePeer();
    // The same, reading through and dropping whatever the socket holds.
    int DrainPeer();
    void FillBuffer(uint64_t deadlineMs);

    int fd_ = -1;
    int readTimeoutMs_ = kDefaultReadTimeoutMs;
    std::vector<uint8_t> received_;
    size_t next_ = 0;
};

}  // namespace platform
