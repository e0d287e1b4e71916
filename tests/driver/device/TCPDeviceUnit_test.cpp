#include "TCPDeviceUnit.h"

#include <gtest/gtest.h>

#include "FakeTcpClient.h"
#include "ReplyFrame.h"

namespace {

using Step = FakeTcpClient::Step;

class TCPDeviceTest : public ::testing::Test {
protected:
    TCPDeviceTest() {
        auto client = std::make_unique<FakeTcpClient>(clock);
        fake = client.get();
        device = std::make_unique<TTCPDevice>(std::move(client));
        device->SetHost("10.0.0.5");
        device->SetPort("9100");
        fake->answers.clear();
    }

    // One status command (0x4A) with the given answers, one per write.
    bool Exchange(std::vector<FakeTcpClient::Answer> answers, TDataBuffer payload = {}) {
        fake->answers.clear();
        for (auto& a : answers) {
            fake->answers.push_back(std::move(a));
        }
        data = std::move(payload);
        start = clock.NowMs();
        return device->SendCommand(0x4A, data, status);
    }
    uint64_t Elapsed() { return clock.NowMs() - start; }

    static FakeTcpClient::Answer Good(uint8_t seq = 0x20) {
        ReplyFrame reply;
        reply.seq = seq;
        reply.data = {'1', ',', 0x02, '2'};
        return {FakeTcpClient::Send(reply.Bytes())};
    }
    static FakeTcpClient::Answer With(void (*change)(ReplyFrame&)) {
        ReplyFrame reply;
        change(reply);
        return {FakeTcpClient::Send(reply.Bytes())};
    }

    platform::SimulatedClock clock;
    platform::ScopedClock guard{clock};
    FakeTcpClient* fake;
    std::unique_ptr<TTCPDevice> device;
    TDataBuffer data;
    TDataBuffer status;
    uint64_t start = 0;
};

TEST_F(TCPDeviceTest, GoodExchangeConnectsFramesAndTakesTheAnswerApart) {
    int received = 0;
    std::vector<std::string> log;
    device->OnReceiveByte = [&](TBaseDevice*, const std::string&) { ++received; };
    device->OnCommandLog = [&](TBaseDevice*, const std::string& text) { log.push_back(text); };

    ASSERT_TRUE(Exchange({{FakeTcpClient::Send({0x16, 0x16}), Good()[0]}}, {'A', 'B'}));
    EXPECT_EQ(fake->connects, 1);
    ASSERT_EQ(fake->writes.size(), 1u);
    EXPECT_EQ(fake->writes[0], (TDataBuffer{0x01, 0x26, 0x20, 0x4A, 0x41, 0x42, 0x05, 0x30, 0x31,
                                            0x31, 0x38, 0x03}));
    EXPECT_EQ(device->FLastSentHex, "01 26 20 4A 41 42 05 30 31 31 38 03 ");
    EXPECT_EQ(data, (TDataBuffer{'1', ',', '2'})) << "0x02 is counted but carries nothing";
    EXPECT_EQ(status, TDataBuffer(6, 0x80));
    EXPECT_EQ(device->FLastErrorCode, 0);
    EXPECT_EQ(device->FLastErrorMsg, "");
    EXPECT_EQ(device->FLastRecvHex.substr(0, 12), "2F 20 4A 31 ") << "0x01 is left out";
    EXPECT_EQ(received, 19) << "LEN through the checksum";
    EXPECT_EQ(log, std::vector<std::string>{"Command No: 4A. Duration: Less than 1 ms"});

    ASSERT_TRUE(Exchange({Good(0x21)}));
    EXPECT_EQ(fake->connects, 1) << "an open link is reused";
}

TEST_F(TCPDeviceTest, DamagedAnswersAreRetriedWithTheirCodes) {
    struct Row {
        const char* name;
        FakeTcpClient::Answer bad;
        int32_t code;
        const char* detail;
    };
    const std::vector<Row> rows = {
        {"NAK", {FakeTcpClient::Send({0x15})}, 106, "<NAK>"},
        {"wrong SEQ", With([](ReplyFrame& r) { r.seq = 0x33; }), 109, "[33/20]"},
        {"short status", With([](ReplyFrame& r) { r.status.pop_back(); }), 105, "<STATUS>"},
        {"wrong LEN", With([](ReplyFrame& r) { r.lenDelta = 1; }), 112, "12/11"},
        {"nothing framed", {FakeTcpClient::Send({0x41, 0x03})}, 105, "LEN1"},
        {"no 0x04", {FakeTcpClient::Send({0x01, 0x25, 0x20, 0x4A, 0x41, 0x03})}, 104, "data"},
        {"no 0x05",
         {FakeTcpClient::Send(
             {0x01, 0x2B, 0x20, 0x4A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x03})},
         104,
         "status"},
        {"no checksum end",
         {FakeTcpClient::Send(
             {0x01, 0x2B, 0x20, 0x4A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05, 0x30, 0x03})},
         104,
         "[0]"},
        {"0x40 as a checksum byte",
         {FakeTcpClient::Send({0x01, 0x2B, 0x20, 0x4A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
                               0x05, 0x30, 0x34, 0x40, 0x03})},
         104,
         "[0410]"},
        {"endless stream",
         {FakeTcpClient::Send({0x01}), FakeTcpClient::Send(std::vector<uint8_t>(5000, 0x41))},
         105,
         "<DATA>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        device->FSeq = 0x1F;
        fake->writes.clear();
        ASSERT_TRUE(Exchange({row.bad, Good()}));
        EXPECT_EQ(fake->writes.size(), 2u);
        EXPECT_EQ(fake->writes[0], fake->writes[1]) << "same frame, same SEQ";
        EXPECT_EQ(Elapsed(), 200u);
        EXPECT_EQ(device->FLastErrorCode, 0);

        device->FSeq = 0x1F;
        fake->writes.clear();
        EXPECT_FALSE(Exchange({row.bad, row.bad, row.bad, row.bad}));
        EXPECT_EQ(fake->writes.size(), 4u) << "the fifth attempt stops before writing";
        EXPECT_EQ(device->FLastErrorCode, 107);
        std::string expected;
        for (int i = 0; i < 4; ++i) {
            expected += std::string(row.detail) + "\r\n[RETRY->>]";
        }
        EXPECT_EQ(device->FLastErrorMsg, expected + "[10.0.0.5]");
    }
}

TEST_F(TCPDeviceTest, FailuresThatStopAtOnce) {
    EXPECT_FALSE(Exchange({With([](ReplyFrame& r) { r.cmd = 0x4B; })}));
    EXPECT_EQ(device->FLastErrorCode, 110);
    EXPECT_EQ(device->FLastErrorMsg, "[4B/4A]");
    EXPECT_EQ(fake->writes.size(), 1u);

    fake->writes.clear();
    EXPECT_FALSE(Exchange({}, TDataBuffer(220, 'x')));
    EXPECT_EQ(device->FLastErrorCode, 201);
    EXPECT_EQ(device->FLastErrorMsg, "[LEN:220/219]");
    EXPECT_TRUE(fake->writes.empty());
    EXPECT_EQ(data.size(), 220u) << "the payload stays";

    fake->checkFails = true;
    EXPECT_FALSE(Exchange({Good()}));
    EXPECT_EQ(device->FLastErrorCode, 102);
    EXPECT_EQ(device->FLastErrorMsg, "Connection   Closed");
    fake->checkFails = false;

    EXPECT_FALSE(Exchange({{FakeTcpClient::Send({0x16, 0x16}), FakeTcpClient::Fault()}}));
    EXPECT_EQ(device->FLastErrorCode, 103);
    EXPECT_EQ(device->FLastErrorMsg, "Unexpected error: std::length_error / boom");
}

TEST_F(TCPDeviceTest, BusyPrinterIsGivenFortySecondsFromTheWrite) {
    FakeTcpClient::Answer busy;
    for (int i = 0; i < 90; ++i) {
        busy.push_back(FakeTcpClient::Pause(500));
        busy.push_back(FakeTcpClient::Send({0x16}));
    }
    EXPECT_FALSE(Exchange({busy, Good()}));
    EXPECT_EQ(device->FLastErrorCode, 120);
    EXPECT_EQ(device->FLastErrorMsg, "");
    EXPECT_EQ(Elapsed(), 40'000u);
    EXPECT_EQ(fake->writes.size(), 1u);

    busy.resize(70);  // 35 s of SYN, then the answer
    busy.push_back(Good(0x21)[0]);
    EXPECT_TRUE(Exchange({busy}));
}

// However slowly a printer sends, an answer ends 40 s after its write; a printer still busy
// then fails as busy.
TEST_F(TCPDeviceTest, AnAnswerEndsFortySecondsAfterTheWrite) {
    struct Row {
        const char* name;
        uint8_t filler;  // sent every `everyMs` after the frame's head
        uint64_t everyMs;
        int32_t code;
        const char* message;
    };
    const Row rows[] = {
        {"one data byte every 2 s", 0x41, 2000, 103, "EReadTimeout/Read timed out.[RETRY->]"},
        {"SYN every 600 ms", 0x16, 600, 120, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeTcpClient::Answer slow{FakeTcpClient::Send({0x01, 0x2B, 0x20, 0x4A})};
        if (row.filler == 0x16) {
            slow.clear();
        }
        for (int i = 0; i < 200; ++i) {
            slow.push_back(FakeTcpClient::Pause(row.everyMs));
            slow.push_back(FakeTcpClient::Send({row.filler}));
        }
        device->FSeq = 0x1F;
        fake->writes.clear();
        EXPECT_FALSE(Exchange({slow, Good()}));
        EXPECT_EQ(device->FLastErrorCode, row.code);
        EXPECT_EQ(device->FLastErrorMsg, row.message);
        EXPECT_EQ(Elapsed(), 40'000u);
        EXPECT_EQ(fake->writes.size(), 1u) << "past the retry window";
    }
}

// What is left of an answer cut short by a stray 0x03 is thrown away by the check before the
// retry's write.
TEST_F(TCPDeviceTest, TheRestOfADamagedAnswerIsNotReadAsTheNext) {
    ReplyFrame reply;
    reply.data = {'1', '2'};
    std::vector<uint8_t> damaged = reply.Bytes();
    damaged.insert(damaged.begin() + 5, 0x03);
    ASSERT_TRUE(Exchange({{FakeTcpClient::Send(damaged)}, Good()}));
    EXPECT_EQ(fake->writes.size(), 2u) << "the retry reads its own answer";
    ASSERT_TRUE(Exchange({Good(0x21)}));
    EXPECT_EQ(fake->writes.size(), 3u);
    EXPECT_EQ(fake->checks, 3) << "before every write";
}

TEST_F(TCPDeviceTest, SilenceReconnectsBeforeEachRetry) {
    EXPECT_FALSE(Exchange({}));
    EXPECT_EQ(fake->writes.size(), 4u);
    EXPECT_EQ(fake->connects, 5);
    EXPECT_EQ(device->FLastErrorCode, 107);
    EXPECT_EQ(device->FLastErrorMsg, "EReadTimeout/Read timed out.[RETRY->][10.0.0.5]");
    EXPECT_EQ(Elapsed(), 12'000u);

    EXPECT_TRUE(Exchange({{FakeTcpClient::TimeOut()}, Good(0x21)}));
    EXPECT_EQ(fake->connects, 6);
}

TEST_F(TCPDeviceTest, PeerClosingEndsTheCallWithoutRetry) {
    EXPECT_FALSE(Exchange({{FakeTcpClient::Send({0x01, 0x2B}), FakeTcpClient::Close()}}));
    EXPECT_EQ(device->FLastErrorCode, 103);
    EXPECT_EQ(device->FLastErrorMsg, "EConnClosed/Connection Closed Gracefully.");
    EXPECT_EQ(fake->writes.size(), 1u);
    EXPECT_FALSE(device->IsConnected());

    EXPECT_TRUE(Exchange({Good(0x21)})) << "the next command connects again";
}

TEST_F(TCPDeviceTest, ConnectTriesForAboutFourSeconds) {
    fake->connectFails.assign(1000, true);
    EXPECT_FALSE(device->Connect());
    EXPECT_EQ(device->FLastErrorCode, 102);
    EXPECT_EQ(device->FLastErrorMsg,
              "Failed to connect host. Socket Error # 111 Connection refused");
    EXPECT_EQ(clock.NowMs() - 1'000'000, 4000u) << "refused tries 100 ms apart";
    EXPECT_EQ(fake->connects, 41);

    fake->connectFails.assign(1000, true);
    fake->connectCostMs = 1000;  // an unreachable host times out each try
    fake->connects = 0;
    const uint64_t before = clock.NowMs();
    EXPECT_FALSE(device->Connect());
    EXPECT_EQ(clock.NowMs() - before, 4300u);
    EXPECT_EQ(fake->connects, 4);

    // A host that accepts and drops at once is not hammered either.
    fake->connectFails.clear();
    fake->connectLeavesUnconnected = true;
    fake->connectCostMs = 1;
    fake->connects = 0;
    device->FLastErrorCode = 7;
    EXPECT_FALSE(device->Connect());
    EXPECT_EQ(device->FLastErrorCode, 7) << "no exception, no error recorded";
    EXPECT_EQ(fake->connects, 50) << "tries 100 ms apart for 5 s";
}

TEST_F(TCPDeviceTest, FailedReconnectInsideAnExchange) {
    fake->connectFails.assign(1000, true);
    EXPECT_FALSE(Exchange({Good()}));
    EXPECT_EQ(device->FLastErrorCode, 101);
    EXPECT_EQ(device->FLastErrorMsg,
              "Failed to connect host. Socket Error # 111 Connection refused[10.0.0.5]");
    EXPECT_TRUE(fake->writes.empty());
}

TEST(TCPDevicePort, TextToPort) {
    const std::pair<const char*, int> rows[] = {{"9100", 9100}, {"abc", 0}, {"", 0}, {"91x", 0}};
    for (auto [text, port] : rows) {
        TTCPDevice device;
        device.SetPort(text);
        EXPECT_EQ(device.Client().Port(), port) << text;
    }
}

}  // namespace
