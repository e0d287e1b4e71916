// The serial device against the printer emulator over a pseudo-terminal, in real time.
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

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

    void PlugIn() {
        emulator = fpemu::Emulator::StartPty(7);
        setenv("KALVORA_PORTS", emulator->PortMapping().c_str(), 1);
    }

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

long ThreadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// The adapter is pulled out while the device waits for an answer, then plugged in again.
TEST_F(RS232DeviceEmulator, UnpluggedLineFailsWithoutSpinningAndConnectsAgain) {
    ASSERT_TRUE(device.Connect()) << device.FLastErrorMsg;
    emulator->Script("silence");
    std::thread unplug([this] {
        emulator->WaitForFrames(1, 5000);
        emulator.reset();
    });
    const long cpuBefore = ThreadCpuMs();
    EXPECT_FALSE(Status());
    const long cpu = ThreadCpuMs() - cpuBefore;
    unplug.join();
    EXPECT_EQ(device.FLastErrorCode, 102);
    const std::string last = "Error writing to COM. PurgeComm function failed (Error: 31)";
    ASSERT_GE(device.FLastErrorMsg.size(), last.size());
    EXPECT_EQ(device.FLastErrorMsg.substr(device.FLastErrorMsg.size() - last.size()), last)
        << device.FLastErrorMsg;
    EXPECT_LT(cpu, 100) << "the reads fail at once, not after polling an empty line";

    uint8_t byte = 0;
    try {
        device.ComPort().Read(&byte, 1);
        ADD_FAILURE() << "a read on a line that is gone succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_STREQ(e.what(), "ReadFile function failed (Error: 31)");
    }

    PlugIn();
    ASSERT_TRUE(device.Connect()) << device.FLastErrorMsg;
    EXPECT_TRUE(Status()) << device.FLastErrorMsg;
}

}  // namespace
