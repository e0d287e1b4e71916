// Connection to the printer emulator over a real TCP socket: identity, the warning failure, a
// receipt left open, and the log lines.

#include "DriverTestSupport.h"
#include "Emulator.h"

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        GlobalLogger.reset();
        Emulator = fpemu::Emulator::StartTcp();
    }
    void TearDown() override {
        Driver.Reset();
        Emulator->Stop();
        GlobalLogger.reset();
    }

    int32_t Connect() {
        int32_t Res = -1;
        EXPECT_EQ(Driver->InitTCP(TWide(Emulator->Host()), Emulator->Port(), TWide(""),
                                  TWide(Folder.Path()), &Res),
                  S_OK);
        return Res;
    }
    std::vector<uint8_t> Commands() const {
        std::vector<uint8_t> Cmds;
        for (const auto& Frame : Emulator->Frames()) {
            Cmds.push_back(Frame.cmd);
        }
        return Cmds;
    }

    TTempFolder Folder;
    std::unique_ptr<fpemu::Emulator> Emulator;
    TDriverRef<TTavrinoFprnRO> Driver;
};

TEST_F(ConnectionTest, ConnectsReadsTheIdentityAndLogs) {
    ASSERT_EQ(Connect(), 0) << LastError(*Driver).second;
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x4A, 0x5A, 0x80}));
    platform::BSTR Model = nullptr, Serial = nullptr, Fiscal = nullptr;
    Driver->Get_FPModel(&Model);
    Driver->Get_FPSerial(&Serial);
    Driver->Get_FPFiscalNo(&Fiscal);
    EXPECT_EQ(Take(Model), "FPEMU");
    EXPECT_EQ(Take(Serial), "EM000001");
    EXPECT_EQ(Take(Fiscal), "90000001");
    int32_t Width = 0;
    Driver->Get_FPLineLength(&Width);
    EXPECT_EQ(Width, 42);
    const std::string Port = std::to_string(Emulator->Port());
    const std::string Log = Folder.Log();
    for (const std::string& Line :
         {"[INFO]Init. " + GetModulePath(true) + "." + GetModuleVersion() +
              " ComPort:0, BaudRate:0, IPAddress:" + Emulator->Host() + ", TCPPort:" + Port +
              ", LogFolder:" + Folder.Path() + "\r\n",
          "[INFO]Connecting to \"IP: " + Emulator->Host() + ":" + Port + "\"\r\n",
          std::string("[INFO]Connected to: FPEMU/EM000001, CharPerLine=42\r\n")}) {
        EXPECT_NE(Log.find(Line), std::string::npos) << Line;
    }
    int32_t Res = -1;
    ASSERT_EQ(Driver->CloseConnection(&Res), S_OK);
    EXPECT_EQ(Res, 0);
}

TEST_F(ConnectionTest, PrinterWarningFailsWith251AndLeavesNoDevice) {
    Emulator->SetStatusBit(4, 4, true);  // fiscal memory full
    EXPECT_EQ(Connect(), 500);
    EXPECT_EQ(LastError(*Driver), std::make_pair(251, Trim(TBaseDevice::ErrorText(212, ""))));
    EXPECT_EQ(Commands(), std::vector<uint8_t>{0x4A});
    EXPECT_NE(Folder.Log().find("[ERROR]Init fail. " + LastError(*Driver).second + "\r\n"),
              std::string::npos);
    int32_t Res = -1;
    Driver->RunXReport(&Res);
    EXPECT_EQ(LastError(*Driver).first, 500);
}

TEST_F(ConnectionTest, ReceiptLeftOpenIsClosedAtConnect) {
    Emulator->WithPrinter([](fpemu::Printer& P) { P.Execute(0x26, {}); });
    ASSERT_EQ(Connect(), 0) << LastError(*Driver).second;
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x4A, 0x5A, 0x80, 0x4A, 0x27}));
    Emulator->WithPrinter(
        [](fpemu::Printer& P) { EXPECT_EQ(P.State().receipt.kind, fpemu::Receipt::Kind::None); });
}

}  // namespace
