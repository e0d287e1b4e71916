#pragma once

// Private to the emulator: the two links it serves, on plain descriptors.

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>

namespace fpemu {

[[noreturn]] inline void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

class Link {
public:
    virtual ~Link() = default;
    // Where requests arrive and answers go; -1 while no peer is connected.
    virtual int PeerFd() const = 0;
    // Where a new peer knocks; -1 when none is awaited.
    virtual int AcceptFd() const { return -1; }
    // Takes the waiting peer; false when there was none after all.
    virtual bool Accept() { return false; }
    // Ends the connection with the peer; `reset` sends a TCP reset instead of a close.
    virtual void DropPeer(bool /*reset*/) {}
    // Like write(2), but never raises SIGPIPE.
    virtual ssize_t Write(const uint8_t* data, size_t size) = 0;
    virtual bool IsTcp() const = 0;
};

// Listens on host:port (port 0 picks a free one), one peer at a time. Throws std::system_error.
class TcpLink : public Link {
public:
    TcpLink(const std::string& host, uint16_t port);
    ~TcpLink() override;
    int PeerFd() const override { return peer_; }
    int AcceptFd() const override { return peer_ < 0 ? listener_ : -1; }
    bool Accept() override;
    void DropPeer(bool reset) override;
    ssize_t Write(const uint8_t* data, size_t size) override;
    bool IsTcp() const override { return true; }
    const std::string& Host() const { return host_; }
    uint16_t Port() const { return port_; }

private:
    int listener_ = -1;
    int peer_ = -1;
    std::string host_;
    uint16_t port_ = 0;
};

// A pseudo-terminal. The emulator keeps its own slave descriptor open, so the master never sees
// a hang-up when the driver closes the port, and what the driver has not read yet stays queued.
class PtyLink : public Link {
public:
    PtyLink();
    ~PtyLink() override;
    int PeerFd() const override { return master_; }
    ssize_t Write(const uint8_t* data, size_t size) override;
    bool IsTcp() const override { return false; }
    const std::string& SlavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace fpemu
