// The TCP device against the printer emulator, in real time.
#include <gtest/gtest.h>

#include "Emulator.h"
#include "TCPDeviceUnit.h"

namespace {

class TCPDeviceEmulator : public ::testing::Test {
protected:
    TCPDeviceEmulator() : emulator(fpemu::Emulator::StartTcp()) {
        auto client = std::make_unique<platform::TcpClient>();
        client->SetReadTimeout(200);  // a silent attempt ends quickly
        device = std::make_unique<TTCPDevice>(std::move(client));
        device->SetHost(emulator->Host());
        device->SetPort(std::to_string(emulator->Port()));
    }

    bool Status() {
        data = {'W'};
        return device->SendCommand(0x4A, data, status);
    }

    std::unique_ptr<fpemu::Emulator> emulator;
    std::unique_ptr<TTCPDevice> device;
    TDataBuffer data;
    TDataBuffer status;
};

TEST_F(TCPDeviceEmulator, GoodExchange) {
    ASSERT_TRUE(device->Connect());
    ASSERT_TRUE(Status()) << device->FLastErrorMsg;
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(status, TDataBuffer(6, 0x80));
    const auto frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].valid);
    EXPECT_EQ(frames[0].seq, 0x20);
    EXPECT_EQ(frames[0].payload, fpemu::Bytes{'W'});
}

TEST_F(TCPDeviceEmulator, RetriesAfterNakAndAfterSilence) {
    emulator->Script("nak");
    ASSERT_TRUE(Status()) << device->FLastErrorMsg;
    EXPECT_EQ(emulator->Frames().size(), 2u);
    EXPECT_EQ(emulator->Connections(), 1);

    emulator->Script("silence");
    ASSERT_TRUE(Status()) << device->FLastErrorMsg;
    EXPECT_EQ(device->FLastErrorCode, 0);
    EXPECT_EQ(emulator->Connections(), 2) << "a silent attempt is followed by a reconnect";
    const auto frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[2].seq, frames[3].seq) << "the retry resends the same frame";
}

TEST_F(TCPDeviceEmulator, PeerThatClosesEndsTheCall) {
    emulator->Script("close");
    EXPECT_FALSE(Status());
    EXPECT_EQ(device->FLastErrorCode, 103);
    EXPECT_EQ(device->FLastErrorMsg, "EConnClosed/Connection Closed Gracefully.");
    EXPECT_EQ(emulator->Frames().size(), 1u);

    EXPECT_TRUE(Status()) << "the next command connects again: " << device->FLastErrorMsg;
}

}  // namespace
