#include "RS232DeviceUnit.h"

#include <algorithm>
#include <deque>
#include <functional>

#include <gtest/gtest.h>

#include "Clock.h"
#include "FakeCommApi.h"
#include "ReplyFrame.h"

namespace {

using Bytes = platform::FakeCommApi::Bytes;

class RS232DeviceTest : public ::testing::Test {
protected:
    RS232DeviceTest() {
        device.SetPortName("COM3");
        line.OnWrite([this](const Bytes&) {
            if (!answers.empty()) {
                for (const auto& [bytes, afterMs] : answers.front()) {
                    line.PeerSends(bytes, afterMs);
                }
                answers.pop_front();
            }
        });
    }

    // Bytes of an answer and when they arrive after the request.
    using Answer = std::vector<std::pair<Bytes, uint64_t>>;

    bool Exchange(std::vector<Answer> script, TDataBuffer payload = {}) {
        answers.assign(script.begin(), script.end());
        data = std::move(payload);
        start = clock.NowMs();
        return device.SendCommand(0x4A, data, status);
    }
    uint64_t Elapsed() { return clock.NowMs() - start; }

    static Answer Good(uint8_t seq = 0x20) {
        ReplyFrame reply;
        reply.seq = seq;
        reply.data = {'1', 0x02, '2'};
        return {{reply.Bytes(), 20}};
    }
    static Answer With(void (*change)(ReplyFrame&)) {
        ReplyFrame reply;
        change(reply);
        return {{reply.Bytes(), 20}};
    }
    static Answer Raw(Bytes bytes) { return {{std::move(bytes), 20}}; }

    platform::SimulatedClock clock;
    platform::ScopedClock useClock{clock};
    platform::FakeCommApi line;
    platform::ScopedCommApi useLine{line};
    TRS32Device device;
    std::deque<Answer> answers;
    TDataBuffer data;
    TDataBuffer status;
    uint64_t start = 0;
};

TEST_F(RS232DeviceTest, ConnectSetsThePrinterLine) {
    device.SetBaudRate("19200");
    ASSERT_TRUE(device.Connect());
    EXPECT_TRUE(device.IsConnected());
    EXPECT_EQ(line.OpenedNames().back(), "\\\\.\\COM3");
    const platform::DCB dcb = line.CommStates().back();
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, platform::NOPARITY);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.Flags, platform::dcb::fBinary) << "no handshake, DTR and RTS off";
    const platform::COMMTIMEOUTS t = line.CommTimeouts().back();
    EXPECT_EQ(t.ReadIntervalTimeout, 50u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 50u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 50u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);

    device.Disconnect();
    EXPECT_FALSE(line.IsOpen());
    device.SetBaudRate("fast");
    EXPECT_EQ(device.ComPort().BaudRate(), br9600);
}

TEST_F(RS232DeviceTest, ConnectAndSendFailures) {
    EXPECT_FALSE(Exchange({Good()}));
    EXPECT_EQ(device.FLastErrorCode, 101);
    EXPECT_EQ(device.FLastErrorMsg, "COM port is not active. [COM3]");

    line.FailNext(platform::FakeCommApi::Call::CreateFile, platform::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(device.Connect());
    EXPECT_EQ(device.FLastErrorCode, 102);
    EXPECT_EQ(device.FLastErrorMsg,
              "Failed open port COM3/9600 Unable to open com port (Error: 2)");

    ASSERT_TRUE(device.Connect());
    EXPECT_FALSE(Exchange({}, TDataBuffer(220, 'x')));
    EXPECT_EQ(device.FLastErrorCode, 201);
    EXPECT_EQ(device.FLastErrorMsg, "Invalid input data. [LEN:220/219]");
    EXPECT_TRUE(line.Written().empty());

    line.FailNext(platform::FakeCommApi::Call::PurgeComm, platform::ERROR_GEN_FAILURE);
    EXPECT_FALSE(Exchange({Good()}));
    EXPECT_EQ(device.FLastErrorCode, 102);
    EXPECT_EQ(device.FLastErrorMsg, "Error writing to COM. PurgeComm function failed (Error: 31)");
}

TEST_F(RS232DeviceTest, GoodExchange) {
    ASSERT_TRUE(device.Connect());
    std::string synNak;
    device.OnSynNak = [&](TBaseDevice*, const std::string& text) { synNak += text; };
    ASSERT_TRUE(Exchange({{{{0x16}, 10}, Good()[0]}}, {'A', 'B'}));
    ASSERT_EQ(line.Written().size(), 1u);
    EXPECT_EQ(line.Written()[0],
              (Bytes{0x01, 0x26, 0x20, 0x4A, 0x41, 0x42, 0x05, 0x30, 0x31, 0x31, 0x38, 0x03}));
    EXPECT_EQ(line.Purges().back(), 12u) << "both queues emptied before the write";
    EXPECT_EQ(data, (TDataBuffer{'1', '2'})) << "0x02 is counted but carries nothing";
    EXPECT_EQ(status, TDataBuffer(6, 0x80));
    EXPECT_EQ(synNak, "\x16");
    EXPECT_EQ(device.FLastRecvHex.substr(0, 9), "01 2E 20 ");
    EXPECT_EQ(device.FLastRecvHex.substr(device.FLastRecvHex.size() - 3), "03 ");
}

TEST_F(RS232DeviceTest, SilentPrinterIsAskedFiveTimes) {
    ASSERT_TRUE(device.Connect());
    EXPECT_FALSE(Exchange({}));
    EXPECT_EQ(line.Written().size(), 4u) << "the fifth attempt stops before writing";
    EXPECT_EQ(device.FLastErrorCode, 107);
    std::string expected;
    for (int i = 0; i < 4; ++i) {
        expected += "Fiscal printer does not respond. <01>\r\n[RETRY->]";
    }
    EXPECT_EQ(device.FLastErrorMsg, expected + "Fail read data from port. [COM3]\r\n[4]");
    EXPECT_GE(Elapsed(), 4 * 700u);
    EXPECT_LE(Elapsed(), 4 * 820u);
}

TEST_F(RS232DeviceTest, DamagedAnswersAreRetriedUntilTheWindowEnds) {
    struct Row {
        const char* name;
        Answer bad;
        int32_t code;
        const char* message;
    };
    const Bytes head{0x01, 0x2B, 0x20, 0x4A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05};
    Bytes badDigit = head;
    badDigit.insert(badDigit.end(), {0x30, 0x34, 0x40, 0x03});
    Bytes endless{0x01, 0x2B, 0x20, 0x4A};
    endless.resize(400, 0x41);
    const std::vector<Row> rows = {
        {"NAK", Raw({0x15}), 106, "NAK. Printer does not recognize the command. <NAK>"},
        {"nothing after the start", Raw({0x01}), 104, "Fail read byte from packet. <LEN>"},
        {"five status bytes", With([](ReplyFrame& r) { r.status.pop_back(); }), 105,
         "Fail read data from packet. <STATUS>"},
        {"wrong LEN", With([](ReplyFrame& r) { r.lenDelta = 1; }), 112,
         "Error in packet. Invalid length. 12/11"},
        {"swapped checksum",
         Raw({0x01, 0x2B, 0x20, 0x4A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05, 0x30, 0x39,
              0x33, 0x3E, 0x03}),
         111, "Error in packet. Invalid checksum. [093E/039E]"},
        {"0x40 as a checksum byte", Raw(badDigit), 111,
         "Error in packet. Invalid checksum. [0410]"},
        {"endless stream", Raw(endless), 105, "Fail read data from packet. <DATA>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(device.Connect());
        device.FSeq = 0x1F;
        const size_t before = line.Written().size();
        ASSERT_TRUE(Exchange({row.bad, row.bad, Good()}));
        EXPECT_EQ(line.Written().size() - before, 3u);
        EXPECT_EQ(line.Written()[before], line.Written()[before + 2]) << "same frame, same SEQ";
        EXPECT_EQ(device.FLastErrorCode, 0);
        EXPECT_EQ(device.FLastErrorMsg, "");
        EXPECT_EQ(std::count(device.FLastRecvHex.begin(), device.FLastRecvHex.end(), '\r'), 2);

        device.FSeq = 0x1F;
        std::vector<Answer> always(200, row.bad);
        EXPECT_FALSE(Exchange(always));
        EXPECT_EQ(device.FLastErrorCode, row.code);
        EXPECT_GT(Elapsed(), 20000u);
        EXPECT_LT(Elapsed(), 21000u);
        const std::string retry = std::string(row.message) + "\r\n[RETRY->>]";
        EXPECT_EQ(device.FLastErrorMsg.substr(0, retry.size()), retry);
    }
}

TEST_F(RS232DeviceTest, MismatchedAnswersAreDrainedFirst) {
    ASSERT_TRUE(device.Connect());
    Answer wrongSeq = With([](ReplyFrame& r) { r.seq = 0x33; });
    wrongSeq.push_back({{0x41, 0x42}, 250});  // still arriving while the line drains
    ASSERT_TRUE(Exchange({wrongSeq, Good()}));
    EXPECT_EQ(line.Written().size(), 2u);
    EXPECT_EQ(line.Written()[0], line.Written()[1]);

    ReplyFrame wrongCmd;
    wrongCmd.seq = 0x21;
    wrongCmd.cmd = 0x4B;
    EXPECT_FALSE(Exchange(std::vector<Answer>(400, {{wrongCmd.Bytes(), 20}})));
    EXPECT_EQ(device.FLastErrorCode, 132) << device.FLastErrorMsg;
    const std::string first = "This command is not supported. [4B/4A]\r\n[RETRY->>>]";
    EXPECT_EQ(device.FLastErrorMsg.substr(0, first.size()), first);
}

TEST_F(RS232DeviceTest, BusyPrinterIsGivenTwentySeconds) {
    ASSERT_TRUE(device.Connect());
    Answer busy;
    for (uint64_t t = 500; t <= 25000; t += 500) {
        busy.push_back({{0x16}, t});
    }
    EXPECT_FALSE(Exchange({busy, Good()}));
    EXPECT_EQ(device.FLastErrorCode, 120);
    EXPECT_EQ(device.FLastErrorMsg, "Device is bussy. ");
    EXPECT_EQ(line.Written().size(), 1u);
    EXPECT_GE(Elapsed(), 20000u);
    EXPECT_LT(Elapsed(), 20200u);
}

// However slowly a printer sends, the call ends with its 20 s window; an answer that starts at
// the window's end is still taken while its bytes keep coming.
TEST_F(RS232DeviceTest, AnAnswerEndsWithTheCallsWindow) {
    ASSERT_TRUE(device.Connect());
    ReplyFrame reply;
    reply.data = Bytes(200, 'A');
    Answer slow;
    uint64_t at = 20;
    for (uint8_t b : reply.Bytes()) {
        slow.push_back({{b}, at});
        at += 450;  // within the 500 ms a byte may take
    }
    EXPECT_FALSE(Exchange({slow, Good()}));
    EXPECT_EQ(device.FLastErrorCode, 105);
    EXPECT_EQ(device.FLastErrorMsg, "Fail read data from packet. <DATA>\r\n[RETRY->>]")
        << "the pause before a retry comes first, then the window ends";
    EXPECT_GE(Elapsed(), 20000u);
    EXPECT_LT(Elapsed(), 20300u);
    EXPECT_EQ(line.Written().size(), 1u);

    Answer late;
    for (uint64_t t = 500; t <= 19500; t += 500) {
        late.push_back({{0x16}, t});
    }
    late.push_back({Good(0x21)[0].first, 20100});
    EXPECT_TRUE(Exchange({late})) << device.FLastErrorMsg;
}

TEST_F(RS232DeviceTest, LateAnswerAfterTheLastSyn) {
    ASSERT_TRUE(device.Connect());
    // Junk keeps the line busy without SYN for more than 4 s.
    Answer junk;
    for (uint64_t t = 300; t <= 4500; t += 300) {
        junk.push_back({{0x41}, t});
    }
    EXPECT_FALSE(Exchange({junk}));
    EXPECT_EQ(device.FLastErrorCode, 103);
    EXPECT_EQ(device.FLastErrorMsg, "Fiscal printer does not respond. <01><41>")
        << "past 4000 ms no-answer failures are not retried";
    EXPECT_EQ(line.Written().size(), 1u);
}

TEST_F(RS232DeviceTest, LineErrorAfterAReadKeepsTheByte) {
    ASSERT_TRUE(device.Connect());
    line.FailNext(platform::FakeCommApi::Call::ClearCommError, platform::ERROR_GEN_FAILURE, 30);
    ASSERT_TRUE(Exchange({Good()}));
    EXPECT_EQ(line.Written().size(), 1u);
    EXPECT_EQ(data, (TDataBuffer{'1', '2'}));
}

}  // namespace
