// The member frame, the connection members and the failure table, on a device that answers
// from a table.

#include <functional>

#include "DriverTestSupport.h"

namespace {

const char* const NotInitialized = "Device is not initiqlized. Call \"init\" first!";

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { GlobalLogger.reset(); }
    void TearDown() override { GlobalLogger.reset(); }

    int32_t Connect(const std::string& LogFolder = {}) {
        int32_t Res = -1;
        EXPECT_EQ(Driver->InitRS232(3, 115200, TWide(""), TWide(LogFolder), &Res), S_OK);
        return Res;
    }
    void ExpectError(int32_t Code, const std::string& Message) {
        EXPECT_EQ(LastError(*Driver), std::make_pair(Code, Message));
    }

    TTempFolder Folder;
    TDriverRef<TFakeDriver> Driver;
};

TEST_F(FrameTest, EveryKindOfMemberFailsWithoutDevice) {
    struct TCase {
        const char* Name;
        std::function<bool(TTavrinoFprnRO&)> CallFailed;
    };
    const TCase Cases[] = {
        {"method",
         [](TTavrinoFprnRO& D) {
             int32_t Res = 0;
             D.RunXReport(&Res);
             return Res == 500;
         }},
        {"integer property",
         [](TTavrinoFprnRO& D) {
             int32_t Value = 7;
             D.Get_FPLineLength(&Value);
             return Value == 0;
         }},
        {"text property",
         [](TTavrinoFprnRO& D) {
             platform::BSTR Value = nullptr;
             D.Get_FPModel(&Value);
             return Take(Value).empty();
         }},
        {"data object",
         [](TTavrinoFprnRO& D) {
             IConfPLUData* Data = nullptr;
             D.GetPluData(1, &Data);
             return Data == nullptr;
         }},
        {"property put", [](TTavrinoFprnRO& D) { return D.Set_FPDateTime(46000) == S_OK; }},
        {"date text",
         [](TTavrinoFprnRO& D) {
             platform::BSTR Value = nullptr;
             D.Get_FPDateAsString(&Value);
             return Take(Value) == "301299000000";
         }},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        EXPECT_TRUE(Case.CallFailed(*Driver));
        ExpectError(500, NotInitialized);
    }
    // The driver's own properties need no device.
    platform::BSTR Version = nullptr;
    ASSERT_EQ(Driver->Get_DriverVersion(&Version), S_OK);
    EXPECT_EQ(Take(Version).rfind("Lib. version: 2.6, Dll version:", 0), 0u);
}

TEST_F(FrameTest, ConnectReadsTheIdentityAndLogs) {
    ASSERT_EQ(Connect(Folder.Path()), 0);
    ExpectError(0, "");
    int32_t Width = 0;
    Driver->Get_FPLineLength(&Width);
    EXPECT_EQ(Width, 32);
    platform::BSTR Model = nullptr, Serial = nullptr, Fiscal = nullptr;
    Driver->Get_FPModel(&Model);
    Driver->Get_FPSerial(&Serial);
    Driver->Get_FPFiscalNo(&Fiscal);
    EXPECT_EQ(Take(Model), "FP-700");
    EXPECT_EQ(Take(Serial), "DT000001");
    EXPECT_EQ(Take(Fiscal), "02000001");
    const std::string Text = Folder.Log();
    EXPECT_NE(Text.find("[INFO]Init. " + GetModulePath(true) + "." + GetModuleVersion() +
                        " ComPort:3, BaudRate:115200, IPAddress:, TCPPort:0, LogFolder:" +
                        Folder.Path() + "\r\n"),
              std::string::npos);
    EXPECT_NE(Text.find("[INFO]Connecting to \"COM3/115200\"\r\n"), std::string::npos);
    EXPECT_NE(Text.find("[INFO]Connected to: FP-700/DT000001, CharPerLine=32\r\n"),
              std::string::npos);
}

TEST_F(FrameTest, DeviceFailureKeepsTheDevicesCodeAndText) {
    Driver->Replies[0x45] = TFakeDevice::TReply::Failure(0, "Link lost");
    ASSERT_EQ(Connect(Folder.Path()), 0);
    int32_t Res = 0;
    ASSERT_EQ(Driver->RunXReport(&Res), S_OK);
    EXPECT_EQ(Res, 500);
    ExpectError(0, "Link lost");
    EXPECT_NE(Folder.Log().find("[ERROR]RunXReport fail. Link lost\r\n"), std::string::npos);
    // A context composed after the connection check is empty when that check fails.
    Driver->CloseConnection(&Res);
    EXPECT_EQ(Res, 0);
    Driver->InOutAmnt(5, 1, &Res);
    EXPECT_NE(Folder.Log().find(std::string("[ERROR]") + NotInitialized + "\r\n"),
              std::string::npos);
}

TEST_F(FrameTest, ClosedLinkAndClosedConnection) {
    ASSERT_EQ(Connect(), 0);
    Driver->Device->Connected = false;
    int32_t Res = 0;
    Driver->OpenCashDrw(&Res);
    ExpectError(101, "Device is not connected!");
    for (int Round = 0; Round < 2; ++Round) {
        Res = -1;
        ASSERT_EQ(Driver->Close(&Res), S_OK);
        EXPECT_EQ(Res, 0);
        ExpectError(0, "");
    }
    Driver->OpenCashDrw(&Res);
    ExpectError(500, NotInitialized);
}

TEST_F(FrameTest, InitRefusesAddressesAndDropsThePreviousDevice) {
    struct TCase {
        int32_t ComPort;
        const char* Address;
        const char* Message;
    };
    const TCase Cases[] = {
        {0, "", "Invalid COM Port and IP address. Add valid ComPort or IP Address to connect."},
        {-4, "  ", "Invalid COM Port and IP address. Add valid ComPort or IP Address to connect."},
        {0, "192.168.1", "Invalid IP address. Must valid ComPort or IP Address to connect."},
        {0, "256.1.1.1", "Invalid IP address. Must valid ComPort or IP Address to connect."},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Address);
        ASSERT_EQ(Connect(), 0);
        int32_t Res = 0;
        if (Case.ComPort < 0) {
            Driver->InitRS232(Case.ComPort, 9600, TWide(""), TWide(""), &Res);
        } else {
            Driver->InitTCP(TWide(Case.Address), 4999, TWide(""), TWide(""), &Res);
        }
        EXPECT_EQ(Res, 500);
        ExpectError(500, Case.Message);
        Driver->RunXReport(&Res);
        ExpectError(500, NotInitialized);
    }
}

TEST_F(FrameTest, PrinterWarningsFailTheConnection) {
    TDataBuffer Status(6, 0);
    Status[0] = 0x04;  // [0/2] clock not set
    Status[5] = 0x01;  // [5/0] fiscal memory locked
    Driver->Replies[0x4A] = {"", Status};
    EXPECT_EQ(Connect(), 500);
    ExpectError(251,
                TBaseDevice::ErrorText(218, "") + ", " + Trim(TBaseDevice::ErrorText(213, "")));
    int32_t Res = 0;
    Driver->RunXReport(&Res);
    ExpectError(500, NotInitialized);
}

TEST_F(FrameTest, OpenReceiptIsCancelledAtConnect) {
    TDataBuffer Status(6, 0);
    Status[2] = 0x20;  // [2/5] a non-fiscal receipt is open
    Driver->Replies[0x4A] = {"", Status};
    Driver->Replies[0x27] = {"12", Status};
    ASSERT_EQ(Connect(), 0);
    EXPECT_EQ(Driver->Device->SentData(0x27).size(), 1u);
    // Unable to close it, the connection fails with the device's code.
    Driver->Replies[0x27] = TFakeDevice::TReply::Failure(103, "silent");
    EXPECT_EQ(Connect(), 500);
    ExpectError(103, "[CancelRec]silent");
}

}  // namespace
