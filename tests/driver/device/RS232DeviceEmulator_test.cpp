// The serial device against the printer emulator over a pseudo-terminal, in real time.
#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "Emulator.h"
#include "RS232DeviceUnit.h"

namespace {

class RS232DeviceEmulator : public ::testing::Test {
protected:
    RS232DeviceEmulator() : emulator(fpemu::Emulator::StartPty(7)) {
        // COM7 is the emulator's pty; COM8 names a device that does not exist.
        setenv("KALVORA_PORTS", (emulator->PortMapping() + ",COM8=/dev/kalvora-none").c_str(), 1);
        device.SetPortName("COM7");
        device.SetBaudRate("115200");
    }
    ~RS232DeviceEmulator() override { unsetenv("KALVORA_PORTS"); }

    bool Status() {
        data = {'W'};
        return device.SendCommand(0x4A, data, status);
    }

    std::unique_ptr<fpemu::Emulator> emulator;
    TRS32Device device;
    TDataBuffer data;
    TDataBuffer status;
};

TEST_F(RS232DeviceEmulator, GoodExchangeThenRetriesAfterNakAndSilence) {
    ASSERT_TRUE(device.Connect()) << device.FLastErrorMsg;
    ASSERT_TRUE(Status()) << device.FLastErrorMsg;
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(status, TDataBuffer(6, 0x80));

    emulator->Script("nak");
    ASSERT_TRUE(Status()) << device.FLastErrorMsg;
    emulator->Script("silence");
    ASSERT_TRUE(Status()) << device.FLastErrorMsg;
    EXPECT_EQ(std::count(device.FLastRecvHex.begin(), device.FLastRecvHex.end(), '\r'), 0)
        << "a silent attempt leaves nothing received";

    const auto frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 5u);
    for (const auto& frame : frames) {
        EXPECT_TRUE(frame.valid) << frame.error;
    }
    EXPECT_EQ(frames[1].seq, frames[2].seq) << "the retry after NAK resends the same frame";
    EXPECT_EQ(frames[3].seq, frames[4].seq);
}

TEST_F(RS232DeviceEmulator, MissingAndBusyPorts) {
    TRS32Device missing;
    missing.SetPortName("COM8");
    EXPECT_FALSE(missing.Connect());
    EXPECT_EQ(missing.FLastErrorCode, 102);
    EXPECT_EQ(missing.FLastErrorMsg,
              "Failed open port COM8/9600 Unable to open com port (Error: 2)");

    ASSERT_TRUE(device.Connect()) << device.FLastErrorMsg;
    TRS32Device second;
    second.SetPortName("COM7");
    EXPECT_FALSE(second.Connect());
    EXPECT_EQ(second.FLastErrorMsg,
              "Failed open port COM7/9600 Unable to open com port (Error: 5)");
}

}  // namespace
