// The port on the simulated line (settings, errors, time-outs) and on a real pseudo-terminal.

#include "MyCPort.h"

#include <gtest/gtest.h>

#include "Clock.h"
#include "FakeCommApi.h"
#include "PtyLine.h"

using namespace platform;
using Bytes = FakeCommApi::Bytes;

namespace {

class ComPortOnFake : public ::testing::Test {
protected:
    ComPortOnFake() {
        port.SetPort("COM3");
        port.SetEvents({});
    }
    // The serial device's settings.
    void SetDeviceSettings() {
        port.SetSyncMethod(smNone);
        port.FlowControl().SetFlowControl(fcNone);
        port.Timeouts().SetReadInterval(50);
        port.Timeouts().SetReadTotalMultiplier(50);
        port.Timeouts().SetReadTotalConstant(50);
    }
    template <typename Call>
    EComPort Raised(Call call) {
        try {
            call();
        } catch (const EComPort& e) {
            return e;
        }
        ADD_FAILURE() << "no EComPort";
        return EComPort(0, 0, "");
    }

    SimulatedClock clock;
    ScopedClock useClock{clock};
    FakeCommApi line;
    ScopedCommApi useLine{line};
    TComPort port;
};

TEST_F(ComPortOnFake, OpenAppliesQueuesLineAndTimeouts) {
    SetDeviceSettings();
    port.Open();
    ASSERT_TRUE(port.Connected());
    EXPECT_EQ(line.OpenedNames(), std::vector<std::string>{"\\\\.\\COM3"});
    EXPECT_EQ(line.QueueSizes(), (std::vector<std::pair<DWORD, DWORD>>{{1024, 1024}}));
    ASSERT_EQ(line.CommStates().size(), 1u);
    const DCB dcb = line.CommStates()[0];
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Flags, dcb::fBinary);  // DTR and RTS off, no handshake
    EXPECT_EQ(dcb.XonLim, 256);
    EXPECT_EQ(dcb.XoffLim, 256);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    ASSERT_EQ(line.CommTimeouts().size(), 1u);
    const COMMTIMEOUTS t = line.CommTimeouts()[0];
    EXPECT_EQ(std::vector<DWORD>({t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                                  t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                                  t.WriteTotalTimeoutConstant}),
              std::vector<DWORD>({50, 50, 50, 100, 1000}));
}

TEST_F(ComPortOnFake, LineSettingsBecomeTheDcb) {
    port.Open();
    struct Row {
        const char* what;
        std::function<void(TComPort&)> change;
        DWORD flags;
        DWORD speed;
    };
    const Row rows[] = {
        {"hardware flow", [](TComPort& p) { p.FlowControl().SetFlowControl(fcHardware); },
         dcb::fBinary | dcb::fOutxCtsFlow | dcb::fRtsControlHandshake, 9600},
        {"software flow", [](TComPort& p) { p.FlowControl().SetFlowControl(fcSoftware); },
         dcb::fBinary | dcb::fOutX | dcb::fInX, 9600},
        {"DTR enable", [](TComPort& p) { p.FlowControl().SetControlDTR(dtrEnable); },
         dcb::fBinary | dcb::fOutX | dcb::fInX | dcb::fDtrControlEnable, 9600},
        {"parity check", [](TComPort& p) { p.Parity().SetCheck(true); },
         dcb::fBinary | dcb::fOutX | dcb::fInX | dcb::fDtrControlEnable | dcb::fParity, 9600},
        {"custom speed",
         [](TComPort& p) {
             p.SetCustomBaudRate(4000);
             p.SetBaudRate(brCustom);
         },
         dcb::fBinary | dcb::fOutX | dcb::fInX | dcb::fDtrControlEnable | dcb::fParity, 4000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.change(port);
        EXPECT_EQ(line.CommStates().back().Flags, row.flags);
        EXPECT_EQ(line.CommStates().back().BaudRate, row.speed);
    }
    port.Parity().SetReplaceChar('?');
    port.Parity().SetReplace(true);
    EXPECT_EQ(line.CommStates().back().Flags & dcb::fErrorChar, dcb::fErrorChar);
    EXPECT_EQ(line.CommStates().back().ErrorChar, '?');
}

TEST_F(ComPortOnFake, UnchangedOrClosedSettingsReachNothing) {
    port.SetBaudRate(br19200);  // closed: only stored
    port.Open();
    EXPECT_EQ(line.CommStates().back().BaudRate, 19200u);
    const size_t states = line.CommStates().size();
    port.SetBaudRate(br19200);
    port.Buffer().SetInputSize(1025);  // stored as 1024, the same
    port.FlowControl().SetXonChar(17);
    EXPECT_EQ(line.CommStates().size(), states);
    EXPECT_EQ(line.QueueSizes().size(), 1u);
    port.FlowControl().SetFlowControl(fcNone);  // a preset always re-applies
    EXPECT_EQ(line.CommStates().size(), states + 1);
}

TEST_F(ComPortOnFake, PortNameChangeReopensEvenInOtherCase) {
    port.Open();
    port.SetPort("COM3");
    port.SetPort("com3");
    EXPECT_EQ(line.OpenedNames(), (std::vector<std::string>{"\\\\.\\COM3", "\\\\.\\com3"}));
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortOnFake, SyncMethodCannotChangeWhileOpen) {
    port.Open();
    port.SetSyncMethod(smThreadSync);  // the same value: nothing
    EComPort e = Raised([&] { port.SetSyncMethod(smNone); });
    EXPECT_EQ(e.ErrorCode(), 14);
    EXPECT_EQ(e.WinError(), -1);
    EXPECT_STREQ(e.what(), "Cannot set property while connected");
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
}

TEST_F(ComPortOnFake, FailuresCarryTheirCodeAndTheWindowsError) {
    EComPort notOpen = Raised([&] { port.Write("A", 1); });
    EXPECT_EQ(notOpen.ErrorCode(), 24);
    EXPECT_EQ(notOpen.WinError(), -1);
    EXPECT_STREQ(notOpen.what(), "Port Not Open");

    line.FailNext(FakeCommApi::Call::CreateFile, ERROR_FILE_NOT_FOUND);
    EComPort missing = Raised([&] { port.Open(); });
    EXPECT_EQ(missing.ErrorCode(), 1);
    EXPECT_EQ(missing.WinError(), 2);
    EXPECT_STREQ(missing.what(), "Unable to open com port (Error: 2)");
    EXPECT_FALSE(port.Connected());

    line.FailNext(FakeCommApi::Call::SetCommTimeouts, ERROR_INVALID_PARAMETER);
    EComPort timeouts = Raised([&] { port.Open(); });
    EXPECT_STREQ(timeouts.what(), "SetCommTimeouts failed (Error: 87)");
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(line.IsOpen());

    // The modem lines read after opening leave the port open when they fail.
    line.FailNext(FakeCommApi::Call::GetCommModemStatus, ERROR_GEN_FAILURE);
    EXPECT_EQ(Raised([&] { port.Open(); }).ErrorCode(), 11);
    EXPECT_TRUE(port.Connected());

    line.FailNext(FakeCommApi::Call::WriteFile, ERROR_GEN_FAILURE);
    EXPECT_STREQ(Raised([&] { port.Write("A", 1); }).what(),
                 "WriteFile function failed (Error: 31)");
    line.FailNext(FakeCommApi::Call::PurgeComm, ERROR_GEN_FAILURE);
    EXPECT_EQ(Raised([&] { port.PurgeBuffers(true, true); }).ErrorCode(), 5);
}

TEST_F(ComPortOnFake, ErrorTableTexts) {
    EXPECT_EQ(ComErrorText(1), "Unable to open com port");
    EXPECT_EQ(ComErrorText(10), "ClearCommError function failed");
    EXPECT_EQ(ComErrorText(18), "Link (un)registration failed");
    EXPECT_EQ(ComErrorText(22), "A component is linked to OnRxBuf event");
    EXPECT_EQ(ComErrorText(24), "Port Not Open");
    EXPECT_EQ(ComErrorText(25), "");
}

TEST_F(ComPortOnFake, OnExceptionTakesTheErrorInsteadOfRaising) {
    std::vector<std::tuple<TComExceptions, std::string, int64_t, std::string>> seen;
    port.OnException = [&](TCustomComPort*, TComExceptions kind, const std::string& text,
                           int64_t winError, const std::string& winText) {
        seen.emplace_back(kind, text, winError, winText);
    };
    line.FailNext(FakeCommApi::Call::PurgeComm, ERROR_ACCESS_DENIED);
    port.Open();
    port.PurgeBuffers(true, false);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_tuple(CE_PurgeFailed, std::string("PurgeComm function failed"),
                                       int64_t{5}, std::string("Access is denied.")));
}

TEST_F(ComPortOnFake, ReadsFollowTheDeviceTimeoutsAndKeepTheirBytes) {
    SetDeviceSettings();
    port.Open();
    uint8_t byte = 0;
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(port.Read(&byte, 1), 0);
    EXPECT_EQ(clock.NowMs() - start, 100u);

    EXPECT_EQ(line.Purges(), std::vector<DWORD>{});
    port.PurgeBuffers(true, true);
    port.PurgeBuffers(false, false);
    EXPECT_EQ(line.Purges(), (std::vector<DWORD>{12, 0}));

    // A queue count that fails after a byte came does not lose the byte.
    line.PeerSends({0x06});
    line.FailNext(FakeCommApi::Call::ClearCommError, ERROR_GEN_FAILURE);
    EXPECT_EQ(port.Read(&byte, 1), 1);
    EXPECT_EQ(byte, 0x06);
    line.FailNext(FakeCommApi::Call::ClearCommError, ERROR_GEN_FAILURE);
    EXPECT_EQ(Raised([&] { port.Read(&byte, 1); }).ErrorCode(), 10);
}

TEST_F(ComPortOnFake, LineErrorsAndModemSignals) {
    port.Open();
    line.RaiseLineErrors(CE_FRAME | CE_RXPARITY | CE_OVERRUN | 0x2000);
    EXPECT_EQ(port.LineErrors(), (TComErrors{ceFrame, ceOverrun}));  // parity only when checked
    port.Parity().SetCheck(true);
    line.RaiseLineErrors(CE_RXPARITY | CE_BREAK);
    EXPECT_EQ(port.LineErrors(), (TComErrors{ceRxParity, ceBreak}));
    EXPECT_TRUE(port.LineErrors().Empty());
    line.SetModemStatus(MS_CTS_ON | MS_RLSD_ON);
    EXPECT_EQ(port.ModemSignals(), (TComSignals{csCTS, csRLSD}));
}

TEST_F(ComPortOnFake, CloseAlwaysEndsClosedAndTellsTheHandlers) {
    std::vector<std::string> calls;
    port.OnBeforeClose = [&](TCustomComPort*) { calls.push_back("before"); };
    port.OnAfterClose = [&](TCustomComPort*) { calls.push_back("after"); };
    port.OnCTSChange = [&](TCustomComPort*, bool on) {
        calls.push_back(on ? "cts on" : "cts off");
    };
    port.Close();  // not open: nothing
    EXPECT_TRUE(calls.empty());
    port.Open();
    line.FailNext(FakeCommApi::Call::PurgeComm, ERROR_GEN_FAILURE);
    port.Close();
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(line.IsOpen());
    // The lines are read once at opening and reported off before closing.
    EXPECT_EQ(calls, (std::vector<std::string>{"cts off", "cts off", "before", "after"}));
}

TEST(ComPortOnPty, ExchangesBytesAndRefusesASecondUser) {
    PtyLine pty("COM7");
    TComPort port;
    port.SetPort("COM7");
    port.SetEvents({});
    port.Timeouts().SetReadInterval(50);
    port.Timeouts().SetReadTotalMultiplier(50);
    port.Timeouts().SetReadTotalConstant(50);
    port.Open();
    const Bytes frame = {0x01, 0x26, 0x21, 0x4A, 0x05, 0x30, 0x03};
    EXPECT_EQ(port.Write(frame.data(), static_cast<int32_t>(frame.size())), 7);
    EXPECT_EQ(pty.Receive(frame.size()), frame);
    pty.Send({0x16, 0x15});
    Bytes got(2);
    int32_t count = 0;
    while (count < 2) {
        const int32_t n = port.Read(got.data() + count, 2 - count);
        ASSERT_GE(n, 0);
        count += n;
    }
    EXPECT_EQ(got, (Bytes{0x16, 0x15}));

    TComPort second;
    second.SetPort("COM7");
    try {
        second.Open();
        FAIL() << "opened twice";
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "Unable to open com port (Error: 5)");
    }
    port.Close();
    second.SetPort("COM250");
    try {
        second.Open();
        FAIL() << "opened a missing port";
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "Unable to open com port (Error: 2)");
    }
}

}  // namespace
