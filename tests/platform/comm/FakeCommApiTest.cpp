// The simulated line that the serial device's tests drive.

#include "FakeCommApi.h"

#include <gtest/gtest.h>

#include "Clock.h"
#include "Comm.h"

using namespace platform;

namespace {

class FakeComm : public ::testing::Test {
protected:
    void SetUp() override {
        port = CreateFileA("\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        COMMTIMEOUTS timeouts{50, 50, 50, 100, 1000};
        ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    }
    // A read of `count` bytes and the simulated time it took.
    std::pair<FakeCommApi::Bytes, uint64_t> Read(DWORD count) {
        FakeCommApi::Bytes buffer(count);
        DWORD done = 0;
        const uint64_t start = clock.NowMs();
        EXPECT_TRUE(ReadFile(port, buffer.data(), count, &done, nullptr));
        buffer.resize(done);
        return {buffer, clock.NowMs() - start};
    }

    SimulatedClock clock;
    ScopedClock useClock{clock};
    FakeCommApi line;
    ScopedCommApi useLine{line};
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(FakeComm, ReadsTakeSimulatedTimeByTheTimeoutRules) {
    EXPECT_EQ(Read(1), std::make_pair(FakeCommApi::Bytes{}, uint64_t{100}));
    line.PeerSends({0x16}, 30);
    EXPECT_EQ(Read(1), std::make_pair(FakeCommApi::Bytes{0x16}, uint64_t{30}));
    // Two bytes 10 ms apart, then a gap longer than the interval.
    line.PeerSends({1}, 10);
    line.PeerSends({2}, 20);
    line.PeerSends({3}, 200);
    EXPECT_EQ(Read(3), std::make_pair(FakeCommApi::Bytes{1, 2}, uint64_t{70}));
    EXPECT_EQ(line.BytesNotRead(), 1u);
    COMMTIMEOUTS forever{0, 0, 0, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &forever));
    EXPECT_EQ(Read(1).first, FakeCommApi::Bytes{3});
    DWORD done = 0;
    uint8_t byte = 0;
    EXPECT_FALSE(ReadFile(port, &byte, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
}

TEST_F(FakeComm, WriteHookAnswersARequest) {
    line.OnWrite([&](const FakeCommApi::Bytes& request) {
        line.PeerSends({0x15}, 5);
        line.PeerSends(request, 40);
    });
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    const uint8_t request[] = {0x01, 0x4A};
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(port, request, 2, nullptr, &overlapped));
    ASSERT_TRUE(GetOverlappedResult(port, &overlapped, &done, FALSE));
    EXPECT_EQ(done, 2u);
    CloseHandle(overlapped.hEvent);
    EXPECT_EQ(line.Written(), (std::vector<FakeCommApi::Bytes>{{0x01, 0x4A}}));
    EXPECT_EQ(Read(1).first, FakeCommApi::Bytes{0x15});
    EXPECT_EQ(Read(2).first, (FakeCommApi::Bytes{0x01, 0x4A}));
}

TEST_F(FakeComm, RecordsSettingsAndPurgesAndFailsOnRequest) {
    DCB dcb{};
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Flags = dcb::fBinary;
    ASSERT_TRUE(SetCommState(port, &dcb));
    dcb.BaudRate = 0;
    EXPECT_FALSE(SetCommState(port, &dcb));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(SetupComm(port, 1024, 1024));
    line.PeerSends({1, 2});
    line.PeerSends({3}, 500);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR));
    EXPECT_EQ(line.BytesNotRead(), 1u);  // only what had arrived is gone

    ASSERT_EQ(line.CommStates().size(), 1u);
    EXPECT_EQ(line.CommStates()[0].BaudRate, 9600u);
    EXPECT_EQ(line.CommTimeouts().size(), 1u);
    EXPECT_EQ(line.QueueSizes(), (std::vector<std::pair<DWORD, DWORD>>{{1024, 1024}}));
    EXPECT_EQ(line.Purges(), std::vector<DWORD>{12});

    line.FailNext(FakeCommApi::Call::ClearCommError, ERROR_GEN_FAILURE, 2);
    COMSTAT stat{};
    EXPECT_FALSE(ClearCommError(port, nullptr, &stat));
    EXPECT_FALSE(ClearCommError(port, nullptr, &stat));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    line.RaiseLineErrors(CE_FRAME);
    DWORD errors = 0;
    EXPECT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(errors, CE_FRAME);
    EXPECT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(errors, 0u);
}

TEST_F(FakeComm, OneOpenAtATimeAndScriptedOpenFailures) {
    EXPECT_EQ(CreateFileA("\\\\.\\COM3", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(CloseHandle(port));
    EXPECT_FALSE(line.IsOpen());
    line.FailNext(FakeCommApi::Call::CreateFile, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileA("\\\\.\\COM4", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(line.OpenedNames(), std::vector<std::string>{"\\\\.\\COM3"});
    line.SetComPorts({{"COM3", "/dev/ttyS0"}});
    EXPECT_EQ(ListComPorts(), (std::vector<ComPortEntry>{{"COM3", "/dev/ttyS0"}}));
}

TEST_F(FakeComm, CommEventWaitEndsOnRaisedEventMaskChangeOrClose) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    DWORD events = 0;
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_ERR));
    line.RaiseCommEvent(EV_ERR | EV_RING);
    EXPECT_TRUE(WaitCommEvent(port, &events, &overlapped));
    EXPECT_EQ(events, EV_ERR);
    EXPECT_FALSE(WaitCommEvent(port, &events, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 0), WAIT_TIMEOUT);
    line.RaiseCommEvent(EV_RXCHAR);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(events, EV_RXCHAR);
    EXPECT_FALSE(WaitCommEvent(port, &events, &overlapped));
    ASSERT_TRUE(CloseHandle(port));
    DWORD done = 0;
    EXPECT_FALSE(GetOverlappedResult(port, &overlapped, &done, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    CloseHandle(overlapped.hEvent);
}

}  // namespace
