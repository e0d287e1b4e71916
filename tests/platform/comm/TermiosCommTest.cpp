// The termios backend on real pseudo-terminals.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "Comm.h"
#include "DcbTermios.h"
#include "PtyLine.h"

using namespace platform;

namespace {

HANDLE Open(const char* name = "\\\\.\\COM7") {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

void SetTimeouts(HANDLE port, DWORD interval, DWORD multiplier, DWORD constant) {
    COMMTIMEOUTS timeouts{interval, multiplier, constant, 100, 1000};
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
}

struct ReadResult {
    PtyLine::Bytes bytes;
    long elapsedMs;
};

// A read as the serial-port component makes it: overlapped, then waited for.
ReadResult Read(HANDLE port, DWORD count) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    PtyLine::Bytes buffer(count);
    const auto start = std::chrono::steady_clock::now();
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(port, buffer.data(), count, nullptr, &overlapped));
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetOverlappedResult(port, &overlapped, &done, FALSE));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    CloseHandle(overlapped.hEvent);
    buffer.resize(done);
    return {buffer, static_cast<long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count())};
}

DWORD Write(HANDLE port, const PtyLine::Bytes& bytes) {
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    return written;
}

// Waits until the port's input queue holds `count` bytes.
bool WaitQueued(HANDLE port, DWORD count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    COMSTAT stat{};
    while (ClearCommError(port, nullptr, &stat) && stat.cbInQue < count &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    return stat.cbInQue >= count;
}

class TermiosComm : public ::testing::Test {
protected:
    void SetUp() override {
        port = Open();
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(port));
        }
    }
    PtyLine line{"COM7", "COM8=/dev/kalvora-no-such-port"};
    HANDLE port = INVALID_HANDLE_VALUE;
};

const PtyLine::Bytes kControlBytes = {0x03, 0x04, 0x11, 0x13, 0x15, 0x16, 0x0D, 0x0A, 0x00, 0xFF};

TEST_F(TermiosComm, ControlBytesPassUnchangedBothWays) {
    SetTimeouts(port, 50, 50, 50);
    EXPECT_EQ(Write(port, kControlBytes), kControlBytes.size());
    EXPECT_EQ(line.Receive(kControlBytes.size()), kControlBytes);
    line.Send(kControlBytes);
    ASSERT_TRUE(WaitQueued(port, kControlBytes.size()));
    EXPECT_EQ(Read(port, kControlBytes.size()).bytes, kControlBytes);
}

TEST_F(TermiosComm, OpenRefusesAPortInUseAndAMissingOne) {
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open("COM7"), INVALID_HANDLE_VALUE);  // the bare name is the same port
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    for (const char* missing : {"\\\\.\\COM8", "\\\\.\\COM250", "\\\\.\\LPT1"}) {
        SCOPED_TRACE(missing);
        EXPECT_EQ(Open(missing), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    }
    ASSERT_TRUE(CloseHandle(port));
    port = Open("\\\\.\\com7");
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
}

TEST_F(TermiosComm, ReadOfTheSerialDeviceEndsOnTheFirstByteOrAfterAbout100Ms) {
    SetTimeouts(port, 50, 50, 50);
    ReadResult silent = Read(port, 1);
    EXPECT_TRUE(silent.bytes.empty());
    EXPECT_GE(silent.elapsedMs, 95);
    EXPECT_LT(silent.elapsedMs, 1000);

    line.Send({0x06});
    ASSERT_TRUE(WaitQueued(port, 1));
    ReadResult one = Read(port, 1);
    EXPECT_EQ(one.bytes, PtyLine::Bytes{0x06});
    EXPECT_LT(one.elapsedMs, 50);

    // Two of four bytes: the 50 ms interval after the last one ends the read, long before
    // the 250 ms total.
    line.Send({0x01, 0x02});
    ASSERT_TRUE(WaitQueued(port, 2));
    ReadResult part = Read(port, 4);
    EXPECT_EQ(part.bytes, (PtyLine::Bytes{0x01, 0x02}));
    EXPECT_GE(part.elapsedMs, 45);
    EXPECT_LT(part.elapsedMs, 200);
}

TEST_F(TermiosComm, AllOnesIntervalReturnsAtOnceWithWhatIsQueued) {
    SetTimeouts(port, MAXDWORD, 0, 0);
    ReadResult none = Read(port, 10);
    EXPECT_TRUE(none.bytes.empty());
    EXPECT_LT(none.elapsedMs, 50);
    line.Send({1, 2, 3});
    ASSERT_TRUE(WaitQueued(port, 3));
    ReadResult some = Read(port, 10);
    EXPECT_EQ(some.bytes, (PtyLine::Bytes{1, 2, 3}));
    EXPECT_LT(some.elapsedMs, 50);
}

TEST_F(TermiosComm, PurgeFlushesOnlyForTheClearFlags) {
    line.Send({1, 2, 3});
    ASSERT_TRUE(WaitQueued(port, 3));
    for (DWORD flags : {0u, PURGE_TXABORT | PURGE_RXABORT, PURGE_TXCLEAR}) {
        EXPECT_TRUE(PurgeComm(port, flags));
    }
    COMSTAT stat{};
    DWORD errors = 99;
    ASSERT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 3u);
    EXPECT_EQ(errors, 0u);  // a pty keeps no error counters
    EXPECT_TRUE(PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR));
    ASSERT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);
    EXPECT_FALSE(PurgeComm(port, 0x10));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(TermiosComm, PtyHasEveryModemLineOff) {
    DWORD status = 0xFF;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, 0u);
}

DCB MakeDcb(DWORD speed, BYTE size, BYTE parity, BYTE stop, DWORD flags) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = speed;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.Flags = dcb::fBinary | flags;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

TEST(DcbTermios, TranslatesBothWaysAndRefusesWhatTheLineCannotDo) {
    const DCB rows[] = {
        MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, 0),
        MakeDcb(19200, 7, EVENPARITY, TWOSTOPBITS, dcb::fOutX | dcb::fInX),
        MakeDcb(4000, 6, MARKPARITY, ONESTOPBIT, dcb::fRtsControlHandshake),
        MakeDcb(14400, 5, ODDPARITY, ONE5STOPBITS, dcb::fParity | dcb::fOutxCtsFlow),
        MakeDcb(300, 8, SPACEPARITY, ONESTOPBIT, dcb::fDtrControlEnable),
    };
    for (const DCB& wanted : rows) {
        SCOPED_TRACE(wanted.BaudRate);
        termios settings{};
        DWORD customSpeed = 1;
        ASSERT_EQ(DcbToTermios(wanted, settings, customSpeed), ERROR_SUCCESS);
        EXPECT_EQ(customSpeed,
                  wanted.BaudRate == 4000 || wanted.BaudRate == 14400 ? wanted.BaudRate : 0u);
        DCB got = wanted;
        got.ByteSize = got.Parity = got.StopBits = 0;
        // What termios cannot tell apart comes from the DCB set before.
        got.Flags =
            dcb::fBinary |
            (wanted.Flags & (dcb::fDtrControlMask | dcb::fRtsControlMask | dcb::fOutxCtsFlow));
        TermiosToDcb(settings, got);
        EXPECT_EQ(std::memcmp(&got, &wanted, sizeof got), 0);
    }
    const DCB refused[] = {
        MakeDcb(0, 8, NOPARITY, ONESTOPBIT, 0),
        MakeDcb(0x80000000, 8, NOPARITY, ONESTOPBIT, 0),
        MakeDcb(9600, 8, NOPARITY, ONE5STOPBITS, 0),
        MakeDcb(9600, 5, NOPARITY, TWOSTOPBITS, 0),
        MakeDcb(9600, 9, NOPARITY, ONESTOPBIT, 0),
        MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, dcb::fOutxDsrFlow),
        MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, dcb::fDtrControlHandshake),
        MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, dcb::fRtsControlToggle),
        MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, dcb::fNull),
        MakeDcb(9600, 8, EVENPARITY, ONESTOPBIT, dcb::fParity | dcb::fErrorChar),
    };
    for (DCB wrong : refused) {
        termios settings{};
        DWORD customSpeed = 0;
        EXPECT_EQ(DcbToTermios(wrong, settings, customSpeed), ERROR_INVALID_PARAMETER);
    }
    DCB notBinary = MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, 0);
    notBinary.Flags = 0;
    termios settings{};
    DWORD customSpeed = 0;
    EXPECT_EQ(DcbToTermios(notBinary, settings, customSpeed), ERROR_INVALID_PARAMETER);
}

// A pty keeps eight data bits and no parity whatever it is told, but the speed (custom ones
// through termios2), the stop bits and the handshakes reach it.
TEST_F(TermiosComm, LineSettingsReachTheTerminal) {
    const DCB rows[] = {
        MakeDcb(9600, 8, NOPARITY, ONESTOPBIT, 0),
        MakeDcb(4000, 8, NOPARITY, TWOSTOPBITS, dcb::fOutX | dcb::fRtsControlHandshake),
        MakeDcb(256000, 8, NOPARITY, ONESTOPBIT, dcb::fDtrControlEnable),
        MakeDcb(19200, 8, NOPARITY, ONESTOPBIT, 0),  // a standard speed after a custom one
    };
    for (DCB wanted : rows) {
        SCOPED_TRACE(wanted.BaudRate);
        ASSERT_TRUE(SetCommState(port, &wanted)) << GetLastError();
        DCB got{};
        ASSERT_TRUE(GetCommState(port, &got));
        EXPECT_EQ(std::memcmp(&got, &wanted, sizeof got), 0);
        // The input speed field is 0 (the output speed) or the output speed's own code.
        const termios settings = line.Settings();
        const tcflag_t input = (settings.c_cflag & CIBAUD) >> __builtin_ctz(CIBAUD);
        EXPECT_TRUE(input == 0 || input == (settings.c_cflag & CBAUD)) << std::oct << input;
    }
    DCB zero = MakeDcb(0, 8, NOPARITY, ONESTOPBIT, 0);
    EXPECT_FALSE(SetCommState(port, &zero));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(TermiosComm, CommEventWaitEndsOnInputMaskChangeAndClose) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    DWORD events = 0;
    DWORD ignored = 0;
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_TXEMPTY));

    ASSERT_FALSE(WaitCommEvent(port, &events, &overlapped));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(GetOverlappedResult(port, &overlapped, &ignored, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    line.Send({0x41});
    ASSERT_EQ(WaitForSingleObject(overlapped.hEvent, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetOverlappedResult(port, &overlapped, &ignored, FALSE));
    EXPECT_EQ(events, EV_RXCHAR);

    // The same byte is not reported twice; a write empties the transmitter.
    if (!WaitCommEvent(port, &events, &overlapped)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    }
    Write(port, {0x42});
    ASSERT_EQ(WaitForSingleObject(overlapped.hEvent, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(events, EV_TXEMPTY);

    ASSERT_FALSE(WaitCommEvent(port, &events, &overlapped));
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    ASSERT_EQ(WaitForSingleObject(overlapped.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(GetOverlappedResult(port, &overlapped, &ignored, FALSE));
    EXPECT_EQ(events, 0u);

    ASSERT_FALSE(WaitCommEvent(port, &events, &overlapped));
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    ASSERT_EQ(WaitForSingleObject(overlapped.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(GetOverlappedResult(port, &overlapped, &ignored, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    CloseHandle(overlapped.hEvent);
}

TEST_F(TermiosComm, ClosingEndsAReadOnAnotherThread) {
    SetTimeouts(port, 0, 0, 0);  // wait for every byte
    DWORD error = 0;
    std::thread reader([&error, handle = port] {
        uint8_t byte = 0;
        DWORD done = 0;
        if (!ReadFile(handle, &byte, 1, &done, nullptr)) {
            error = GetLastError();
        }
    });
    // The read may not have started yet; closing ends it either way.
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    reader.join();
    EXPECT_TRUE(error == ERROR_OPERATION_ABORTED || error == ERROR_INVALID_HANDLE) << error;
}

// A line that hangs up reads as readable and empty for ever; a read must fail at once instead
// of taking that for a quiet line, whatever its time-outs.
TEST(TermiosHangUp, ReadOnALineThatHungUpFailsAtOnce) {
    struct Row {
        const char* name;
        DWORD interval, multiplier, constant;
    };
    const Row rows[] = {
        {"the serial device's time-outs", 50, 50, 50},
        {"no time-out at all", 0, 0, 0},
        {"return at once", MAXDWORD, 0, 0},
    };
    const auto cpuMs = [] {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PtyLine line;
        const HANDLE port = Open();
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
        SetTimeouts(port, row.interval, row.multiplier, row.constant);
        line.HangUp();
        const long cpuBefore = cpuMs();
        uint8_t byte = 0;
        DWORD done = 0;
        EXPECT_FALSE(ReadFile(port, &byte, 1, &done, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
        EXPECT_LT(cpuMs() - cpuBefore, 20);
        EXPECT_TRUE(CloseHandle(port));
    }
}

}  // namespace
