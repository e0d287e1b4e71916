#include "TcpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include <gtest/gtest.h>

#include "Clock.h"

namespace {

using platform::TcpClient;
using platform::TcpError;
using platform::TcpErrorKind;

// Later than any read in these tests: the client's own read time-out decides.
constexpr uint64_t kNoLimit = UINT64_MAX;

// A deadline Ms from now.
uint64_t In(uint64_t Ms) {
    return platform::CurrentClock().NowMs() + Ms;
}

// A listening socket on 127.0.0.1 with a port the system chose.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(listen(fd_, 4), 0);
        socklen_t size = sizeof(address);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        CloseListening();
        if (peer_ >= 0) {
            close(peer_);
        }
    }
    int Port() const { return port_; }
    int Accept() { return peer_ = accept(fd_, nullptr, nullptr); }
    void CloseListening() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    void ClosePeer(bool reset = false) {
        if (reset) {
            const linger abort{1, 0};
            setsockopt(peer_, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
        }
        close(peer_);
        peer_ = -1;
    }

private:
    int fd_ = -1;
    int peer_ = -1;
    int port_ = 0;
};

TcpError Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const TcpError& e) {
        return e;
    }
    ADD_FAILURE() << "no TcpError";
    return TcpError(TcpErrorKind::Other, "", "");
}

void ConnectTo(TcpClient& client, const Listener& listener) {
    client.SetHost("127.0.0.1");
    client.SetPort(listener.Port());
    client.Connect(1000);
}

TEST(TcpClient, ExchangesBytesBothWays) {
    Listener listener;
    TcpClient client;
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.ReadTimeout(), 3000);
    ConnectTo(client, listener);
    const int peer = listener.Accept();
    ASSERT_GE(peer, 0);
    EXPECT_TRUE(client.Connected());
    client.CheckForDisconnect();

    client.Write({0x01, 0x26, 0x03});
    uint8_t got[3] = {};
    ASSERT_EQ(recv(peer, got, 3, MSG_WAITALL), 3);
    EXPECT_EQ(got[1], 0x26);

    const uint8_t answer[] = {0x16, 0x01, 0x03};
    ASSERT_EQ(send(peer, answer, 3, 0), 3);
    EXPECT_EQ(client.ReadByte(kNoLimit), 0x16);
    EXPECT_EQ(client.ReadByte(kNoLimit), 0x01);
    EXPECT_EQ(client.ReadByte(kNoLimit), 0x03);

    client.Disconnect();
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(Failure([&] { client.ReadByte(kNoLimit); }).KindName(), "ENotConnected");
    EXPECT_EQ(Failure([&] { client.CheckForDisconnect(); }).Kind(), TcpErrorKind::Other);
}

TEST(TcpClient, RefusedConnectIsASocketError) {
    int port;
    {
        Listener gone;
        port = gone.Port();
    }
    TcpClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(port);
    const TcpError e = Failure([&] { client.Connect(1000); });
    EXPECT_EQ(e.Kind(), TcpErrorKind::Socket);
    EXPECT_EQ(e.KindName(), "ESocketError");
    EXPECT_STREQ(e.what(), "Socket Error # 111 Connection refused");
    EXPECT_FALSE(client.Connected());
}

TEST(TcpClient, ReadTimesOutAfterItsLimit) {
    Listener listener;
    TcpClient client;
    client.SetReadTimeout(60);
    ConnectTo(client, listener);
    const auto start = std::chrono::steady_clock::now();
    const TcpError e = Failure([&] { client.ReadByte(kNoLimit); });
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(e.Kind(), TcpErrorKind::ReadTimeout);
    EXPECT_EQ(e.KindName(), "EReadTimeout");
    EXPECT_GE(waited, std::chrono::milliseconds(60));
    EXPECT_TRUE(client.Connected()) << "a time-out leaves the link open";
}

TEST(TcpClient, ReadEndsAtTheCallersLimitAndTheCheckDropsWhatCame) {
    Listener listener;
    TcpClient client;
    client.SetReadTimeout(5000);
    ConnectTo(client, listener);
    const int peer = listener.Accept();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Failure([&] { client.ReadByte(In(50)); }).Kind(), TcpErrorKind::ReadTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // The rest of one answer, in the client's buffer and in the socket's, is gone; what the
    // peer sends afterwards is not.
    const uint8_t stale[] = {0x01, 0x2B, 0x03};
    ASSERT_EQ(send(peer, stale, 3, 0), 3);
    EXPECT_EQ(client.ReadByte(kNoLimit), 0x01);
    ASSERT_EQ(send(peer, stale, 3, 0), 3);
    client.CheckForDisconnect();
    EXPECT_EQ(Failure([&] { client.ReadByte(In(0)); }).Kind(), TcpErrorKind::ReadTimeout);
    const uint8_t fresh = 0x42;
    ASSERT_EQ(send(peer, &fresh, 1, 0), 1);
    EXPECT_EQ(client.ReadByte(kNoLimit), 0x42);

    // A close behind unread bytes is seen all the same.
    ASSERT_EQ(send(peer, stale, 3, 0), 3);
    listener.ClosePeer();
    EXPECT_EQ(Failure([&] { client.CheckForDisconnect(); }).KindName(), "EConnClosed");
}

TEST(TcpClient, PeerCloseIsSeenByTheCheckAndByARead) {
    Listener listener;
    TcpClient client;
    ConnectTo(client, listener);
    listener.Accept();
    listener.ClosePeer();
    TcpError e = Failure([&] { client.CheckForDisconnect(); });
    EXPECT_EQ(e.Kind(), TcpErrorKind::Other);
    EXPECT_EQ(e.KindName(), "EConnClosed");
    EXPECT_FALSE(client.Connected());

    ConnectTo(client, listener);
    const int peer = listener.Accept();
    const uint8_t last = 0x42;
    send(peer, &last, 1, 0);
    listener.ClosePeer();
    EXPECT_TRUE(client.Connected()) << "unread data keeps it open";
    EXPECT_EQ(client.ReadByte(kNoLimit), 0x42);
    e = Failure([&] { client.ReadByte(kNoLimit); });
    EXPECT_EQ(e.KindName(), "EConnClosed");
    EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    EXPECT_FALSE(client.Connected());
}

TEST(TcpClient, WriteToAResetPeerFailsWithoutSignal) {
    Listener listener;
    TcpClient client;
    ConnectTo(client, listener);
    listener.Accept();
    listener.ClosePeer(/*reset=*/true);
    // Without MSG_NOSIGNAL the second write would end the test process with SIGPIPE.
    const TcpError e = Failure([&] {
        for (int i = 0; i < 100; ++i) {
            client.Write({0x01, 0x02});
        }
    });
    EXPECT_EQ(e.Kind(), TcpErrorKind::Socket);
}

}  // namespace
