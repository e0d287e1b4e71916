// Connection members and the member frame, against the printer emulator over a real TCP
// socket: identity, the warning failure, a receipt left open, the failure table, the log lines.

#include <functional>
#include <set>

#include "DriverTestSupport.h"

namespace {

const std::string NotInitialized = "Device is not initiqlized. Call \"init\" first!";
// As a JSON answer shows it.
const std::string NotInitializedJson = R"(Device is not initiqlized. Call \"init\" first!)";
const std::string NoAddress =
    "Invalid COM Port and IP address. Add valid ComPort or IP Address to connect.";

using ConnectionTest = DriverTest;

// The connection tests that run over TCP and over a serial port.
class LinkTest : public DriverTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (GetParam()) {
            UseSerialPort();
        }
    }
};

TEST_P(LinkTest, ConnectsReadsTheIdentityAndLogs) {
    ASSERT_EQ(Connect(), 0) << LastError().second;
    EXPECT_EQ(Sent(), (decltype(Sent()){{0x4A, "W"}, {0x5A, "0"}, {0x80, ""}}));
    ExpectCalls({{"get FPModel", R"("value":"FPEMU")"},
                 {"get FPSerial", R"("value":"EM000001")"},
                 {"get FPFiscalNo", R"("value":"90000001")"},
                 {"get FPLineLength", R"("value":42)"}});
    const std::string Port = GetParam() ? "0" : std::to_string(Emulator->Port());
    const std::string Address = GetParam() ? "" : Emulator->Host();
    const std::string Log = Folder.Log();
    for (const std::string& Line :
         {"[INFO]Init. " + GetModulePath(true) + "." + GetModuleVersion() + " ComPort:" +
              (GetParam() ? "7, BaudRate:115200" : "0, BaudRate:0") + ", IPAddress:" + Address +
              ", TCPPort:" + Port + ", LogFolder:" + Folder.Path() + "\r\n",
          "[INFO]Connecting to \"" +
              (GetParam() ? std::string("COM7/115200") : "IP: " + Address + ":" + Port) + "\"\r\n",
          std::string("[INFO]Connected to: FPEMU/EM000001, CharPerLine=42\r\n")}) {
        EXPECT_NE(Log.find(Line), std::string::npos) << Line;
    }
}

TEST_P(LinkTest, PrinterWarningFailsWith251AndLeavesNoDevice) {
    Emulator->SetStatusBit(4, 4, true);  // fiscal memory full
    Emulator->SetStatusBit(0, 2, true);  // clock not set
    EXPECT_EQ(Connect(), 500);
    const std::string Warnings =
        TBaseDevice::ErrorText(218, "") + ", " + Trim(TBaseDevice::ErrorText(212, ""));
    EXPECT_EQ(LastError(), std::make_pair(251, Warnings));
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_NE(Folder.Log().find("[ERROR]Init fail. " + Warnings + "\r\n"), std::string::npos);
    ExpectCalls({{"RunXReport", R"("Res":500,"LastErrorCode":500)"}});
}

TEST_P(LinkTest, ReceiptLeftOpenIsClosedAtConnectOrFailsIt) {
    Emulator->WithPrinter([](fpemu::Printer& P) { P.Execute(0x26, {}); });
    ASSERT_EQ(Connect(), 0) << LastError().second;
    EXPECT_EQ(Sent().back().first, 0x27);
    EXPECT_EQ(PrinterState().receipt.kind, fpemu::Receipt::Kind::None);
    // Without paper the receipt cannot be closed, and the connection fails with the printer's
    // refusal.
    Emulator->WithPrinter([](fpemu::Printer& P) { P.Execute(0x26, {}); });
    Emulator->SetStatusBit(2, 0, true);
    EXPECT_EQ(Connect(), 500);
    EXPECT_EQ(LastError().first, 210);
    EXPECT_EQ(LastError().second.rfind("[CancelRec]" + TBaseDevice::ErrorText(210, ""), 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Links, LinkTest, ::testing::Values(false, true),
                         [](const auto& Info) { return Info.param ? "Serial" : "Tcp"; });

TEST_F(ConnectionTest, FailureTableRows) {
    ASSERT_EQ(Connect(), 0);
    // A device operation that fails keeps the device's code and text; the log line is the
    // member's context, ". " and the text.
    Emulator->SetStatusBit(2, 0, true);
    Call("RunXReport");
    EXPECT_EQ(LastError().first, 210);
    EXPECT_NE(Folder.Log().find("[ERROR]RunXReport fail. " + Trim(LastError().second) + "\r\n"),
              std::string::npos);
    Emulator->SetStatusBit(2, 0, false);
    ExpectCalls({{"RunXReport", Ok}});
    // A link that was closed under the driver.
    Driver->Device->Disconnect();
    ExpectCalls({{"OpenCashDrw", R"("Res":500,"LastErrorCode":101,)"
                                 R"("LastErrorMsg":"Device is not connected!")"}});
    ExpectCalls({{"CloseConnection", Ok}, {"Close", Ok}});
    ExpectCalls({{"OpenCashDrw",
                  R"("Res":500,"LastErrorCode":500,"LastErrorMsg":")" + NotInitializedJson}});
    // A context composed after the connection check is still empty when that check fails.
    Call("InOutAmnt 5.5 1");
    EXPECT_NE(Folder.Log().find("[ERROR]" + NotInitialized + "\r\n"), std::string::npos);
}

// A device that connects but answers every command False without a code of its own, as a
// command operation does after a failure that is not a protocol error.
class TCodelessDevice : public TBaseDeviceRO {
public:
    bool SendCommand(uint8_t, TDataBuffer&, TDataBuffer&) override {
        FLastErrorCode = 0;
        FLastErrorMsg = "Answer not understood";
        return false;
    }
    bool Connect() override { return FConnected = true; }
    void Disconnect() override { FConnected = false; }
    bool IsConnected() override { return FConnected; }

private:
    bool FConnected = false;
};

class TCodelessDriver : public TTavrinoFprnRO {
protected:
    std::unique_ptr<TBaseDeviceRO> NewDevice(int32_t, int32_t, int32_t,
                                             const std::string&) override {
        return std::make_unique<TCodelessDevice>();
    }
};

TEST_F(ConnectionTest, DeviceFailureWithCodeZeroKeepsIt) {
    auto Codeless = platform::ComPtr<TCodelessDriver>::Attach(
        static_cast<TCodelessDriver*>(platform::CreateAutoObject<TCodelessDriver>()));
    int32_t Res = -1;
    ASSERT_EQ(Codeless->InitTCP(TWide("127.0.0.1"), 1, TWide(""), TWide(Folder.Path()), &Res),
              S_OK);
    EXPECT_EQ(Res, 500);
    EXPECT_EQ(::LastError(*Codeless.Get()),
              std::make_pair(0, std::string("Answer not understood")));
    EXPECT_NE(Folder.Log().find("[ERROR]Init fail. Answer not understood\r\n"), std::string::npos);
}

// An argument that cannot be converted (here: a code page iconv does not know) fails the call
// itself; no exception reaches an early-bound caller, and Res is 500.
TEST_F(ConnectionTest, NoExceptionCrossesASlotWhenAnArgumentCannotBeConverted) {
    BSTR Text = platform::SysAllocString(u"x");
    using TMember = std::function<HRESULT(int32_t*)>;
    TTavrinoFprnRO& D = *Driver.Get();
    const std::vector<std::pair<const char*, TMember>> Members = {
        {"StartBon",
         [&](int32_t* R) {
             return D.StartBon(2, 1, Text, Text, Text, Text, Text, Text, Text, Text, Text, R);
         }},
        {"AddPlu", [&](int32_t* R) { return D.AddPlu(Text, Text, 1, 1, 1, 0, R); }},
        {"AddDepartPLU", [&](int32_t* R) { return D.AddDepartPLU(Text, Text, 1, 1, 1, 1, 0, R); }},
        {"AddPayment", [&](int32_t* R) { return D.AddPayment(1, Text, 1, 1, R); }},
        {"AddLine", [&](int32_t* R) { return D.AddLine(Text, Text, 0, R); }},
        {"AddBarcode", [&](int32_t* R) { return D.AddBarcode(1, Text, 0, R); }},
        {"SetDepartData", [&](int32_t* R) { return D.SetDepartData(1, Text, 1, Text, R); }},
        {"SetPluData",
         [&](int32_t* R) { return D.SetPluData(1, Text, 1, 1, 0, Text, 0, 1, Text, R); }},
        {"SetAdvLine", [&](int32_t* R) { return D.SetAdvLine(1, Text, R); }},
        {"InitTCP", [&](int32_t* R) { return D.InitTCP(Text, 1, Text, Text, R); }},
    };
    ::setenv("KALVORA_CODEPAGE", "NO-SUCH-CODEPAGE", 1);
    platform::ResetAnsiCodePage();
    for (const auto& [Name, Call] : Members) {
        SCOPED_TRACE(Name);
        int32_t Res = -1;
        HRESULT Result = S_OK;
        EXPECT_NO_THROW(Result = Call(&Res));
        EXPECT_TRUE(platform::FAILED(Result));
        EXPECT_EQ(Res, 500);
    }
    ::unsetenv("KALVORA_CODEPAGE");
    platform::ResetAnsiCodePage();
    platform::TakeErrorDescription();
    platform::SysFreeString(Text);
}

TEST_F(ConnectionTest, FailedInitClosesThePreviousConnection) {
    struct TCase {
        std::string Line;
        std::string Message;
    };
    const TCase Cases[] = {
        {"InitTCP \"\" 4999 \"\" \"\"", NoAddress},
        {"InitRS232 -4 9600 \"\" \"\"", NoAddress},
        {"InitTCP \"192.168.1\" 4999 \"\" \"\"",
         "Invalid IP address. Must valid ComPort or IP Address to connect."},
        {"InitTCP \"256.1.1.1\" 4999 \"\" \"\"",
         "Invalid IP address. Must valid ComPort or IP Address to connect."},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Line);
        ASSERT_EQ(Connect(), 0);
        ExpectCalls(
            {{Case.Line, R"("Res":500,"LastErrorCode":500,"LastErrorMsg":")" + Case.Message + "\""},
             {"RunXReport", NotInitializedJson}});
    }
    // A blank log file writes nothing, and the error is recorded all the same.
    const std::string Logged = Folder.Log();
    Call("InitTCP \"\" 0 \"\" \"  \"");
    EXPECT_EQ(LastError(), std::make_pair(500, NoAddress));
    EXPECT_EQ(Folder.Log(), Logged);
}

// Every member, called by name, runs in its frame: without a device each one fails with the
// frame's error, except the connection members and the properties of the driver's own state.
TEST_F(ConnectionTest, EveryMemberByNameRunsItsFrameWithoutDevice) {
    const std::set<std::string> OwnState = {"LastErrorCode", "LastErrorMsg", "LastInvoiceNo",
                                            "DriverVersion", "DriverVendor"};
    for (const platform::MemberDesc& Member : ITavrinoFprnRODesc.members) {
        SCOPED_TRACE(Member.name);
        std::u16string Lower = platform::Utf8ToUtf16(Member.name);
        for (char16_t& C : Lower) {
            C = C >= u'A' && C <= u'Z' ? C - u'A' + u'a' : C;
        }
        platform::LPOLESTR Names[] = {Lower.data()};
        platform::DISPID Id = 0;
        ASSERT_EQ(Driver->GetIDsOfNames(platform::IID_NULL, Names, 1, 0, &Id), S_OK);
        EXPECT_EQ(Id, Member.dispid);
        std::string Line = Member.kind == platform::MemberKind::PropertyGet   ? "get "
                           : Member.kind == platform::MemberKind::PropertyPut ? "put "
                                                                              : "";
        Line += Member.name;
        for (const platform::ParamDesc& Param : Member.params) {
            Line += Param.type == platform::VT_BSTR                                    ? " \"\""
                    : Param.type == platform::VT_R8 || Param.type == platform::VT_DATE ? " 1.5"
                                                                                       : " 0";
        }
        const auto Before = LastError();
        EXPECT_NE(Call(Line).find("\"hr\":0"), std::string::npos);
        const std::string Name = Member.name;
        if (OwnState.count(Name)) {
            EXPECT_EQ(LastError(), Before);
        } else if (Name.starts_with("Init")) {
            EXPECT_EQ(LastError(), std::make_pair(500, NoAddress));
        } else if (Name.starts_with("Close")) {
            EXPECT_EQ(LastError(), std::make_pair(0, std::string()));
        } else {
            EXPECT_EQ(LastError(), std::make_pair(500, NotInitialized));
        }
    }
}

}  // namespace
