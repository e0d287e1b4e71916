#pragma once

// Shared pieces of the driver object's tests: wide-string arguments, a temporary folder, and a
// driver connected over TCP to its own printer emulator, called by name as a late-bound client
// calls it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Automation.h"
#include "CodePage.h"
#include "ConstUnit.h"
#include "DispCall.h"
#include "Emulator.h"
#include "TavrinoFprnRO.h"

using platform::BSTR;
using platform::HRESULT;
using platform::S_OK;

// An 8-bit text as a BSTR argument for the length of a call.
class TWide {
public:
    TWide(const std::string& Text) : FText(platform::AnsiToBSTR(Text)) {}
    TWide(const char* Text) : TWide(std::string(Text)) {}
    ~TWide() { platform::SysFreeString(FText); }
    TWide(const TWide&) = delete;
    TWide& operator=(const TWide&) = delete;
    operator BSTR() const { return FText; }

private:
    BSTR FText;
};

// The 8-bit text of a BSTR result, which it frees.
inline std::string Take(BSTR Text) {
    std::string Result = platform::BSTRToAnsi(Text);
    platform::SysFreeString(Text);
    return Result;
}

// LastErrorCode and LastErrorMsg of a driver object.
inline std::pair<int32_t, std::string> LastError(ITavrinoFprnRO& Driver) {
    int32_t Code = -1;
    BSTR Msg = nullptr;
    Driver.Get_LastErrorCode(&Code);
    Driver.Get_LastErrorMsg(&Msg);
    return {Code, Take(Msg)};
}

// A folder of its own for each test, removed afterwards.
class TTempFolder {
public:
    TTempFolder() {
        std::string Pattern =
            (std::filesystem::path(::testing::TempDir()) / "driverobj.XXXXXX").string();
        EXPECT_NE(::mkdtemp(Pattern.data()), nullptr);
        FPath = Pattern;
    }
    ~TTempFolder() { std::filesystem::remove_all(FPath); }
    std::string Path() const { return FPath.string() + "/"; }
    // The driver's log: the one file of the folder.
    std::string Log() const {
        for (const auto& Entry : std::filesystem::directory_iterator(FPath)) {
            std::ifstream In(Entry.path(), std::ios::binary);
            std::stringstream Text;
            Text << In.rdbuf();
            return Text.str();
        }
        return {};
    }

private:
    std::filesystem::path FPath;
};

// The driver object with its device in sight, so that a test can act on the connection it made.
class TProbedDriver : public TTavrinoFprnRO {
public:
    TBaseDeviceRO* Device = nullptr;

protected:
    std::unique_ptr<TBaseDeviceRO> NewDevice(int32_t ComPort, int32_t BaudRate, int32_t PortNo,
                                             const std::string& IPAddress) override {
        auto Made = TTavrinoFprnRO::NewDevice(ComPort, BaudRate, PortNo, IPAddress);
        Device = Made.get();
        return Made;
    }
};

// A StartBon call line; the customer block is what an invoice prints.
inline std::string StartBonLine(int32_t BonType, const std::string& InvNo = "",
                                int32_t CashierNo = 1, const std::string& Customer = "First Ltd",
                                const std::string& Name = "") {
    return "StartBon " + std::to_string(BonType) + " " + std::to_string(CashierNo) + " \"" + Name +
           "\" \"\" \"" + InvNo + "\" \"123456789\" \"Seller\" \"" + Customer +
           "\" \"Town\" \"Street 1\" \"Receiver\"";
}

// The answer of a member that succeeded.
inline const std::string Ok = R"("Res":0,"LastErrorCode":0,"LastErrorMsg":"")";

// A driver object on a printer emulator of its own, logging into a temporary folder. Connect()
// runs InitTCP; Call() runs one call line ("AddPlu \"1\" \"Bread\" 1.5 2 1 0", "get FPModel")
// late-bound by name and returns its JSON answer.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        GlobalLogger.reset();
        Emulator = fpemu::Emulator::StartTcp();
        Driver->AddRef();
        Client.emplace(platform::ComPtr<platform::IDispatch>::Attach(Driver.Get()));
    }
    void TearDown() override {
        Client.reset();
        Driver.Reset();
        Emulator->Stop();
        ::unsetenv("KALVORA_PORTS");
        GlobalLogger.reset();
    }

    // Puts the emulator on a pseudo-terminal reached as COM7 at 115200 baud.
    void UseSerialPort() {
        Emulator = fpemu::Emulator::StartPty(ComPort = 7);
        ::setenv("KALVORA_PORTS", Emulator->PortMapping().c_str(), 1);
    }
    int32_t Connect() {
        int32_t Res = -1;
        EXPECT_EQ(ComPort > 0
                      ? Driver->InitRS232(ComPort, 115200, TWide(""), TWide(Folder.Path()), &Res)
                      : Driver->InitTCP(TWide(Emulator->Host()), Emulator->Port(), TWide(""),
                                        TWide(Folder.Path()), &Res),
                  S_OK);
        return Res;
    }
    std::string Call(const std::string& Line) {
        std::ostringstream Out;
        Client->RunLine(Line, Out);
        std::string Answer = Out.str();
        return Answer.substr(0, Answer.find_last_not_of('\n') + 1);
    }
    // Each line's answer holds its expected text.
    void ExpectCalls(const std::vector<std::pair<std::string, std::string>>& Rows) {
        for (const auto& [Line, Expected] : Rows) {
            EXPECT_NE(Call(Line).find(Expected), std::string::npos)
                << Line << "\n  gave " << Call("get LastErrorMsg");
        }
    }
    std::pair<int32_t, std::string> LastError() { return ::LastError(*Driver.Get()); }
    // Commands and payloads the emulator received from frame Mark on.
    std::vector<std::pair<uint8_t, std::string>> Sent(size_t Mark = 0) const {
        std::vector<std::pair<uint8_t, std::string>> Result;
        const auto Frames = Emulator->Frames();
        for (size_t I = Mark; I < Frames.size(); ++I) {
            Result.emplace_back(Frames[I].cmd,
                                std::string(Frames[I].payload.begin(), Frames[I].payload.end()));
        }
        return Result;
    }
    size_t Mark() const { return Emulator->Frames().size(); }
    fpemu::PrinterState PrinterState() {
        fpemu::PrinterState State;
        Emulator->WithPrinter([&](fpemu::Printer& P) { State = P.State(); });
        return State;
    }
    std::vector<std::string> JournalSince(size_t Line) const {
        const auto Journal = Emulator->Journal();
        return {Journal.begin() + static_cast<std::ptrdiff_t>(std::min(Line, Journal.size())),
                Journal.end()};
    }

    TTempFolder Folder;
    std::unique_ptr<fpemu::Emulator> Emulator;
    int32_t ComPort = 0;  // 0: the emulator listens on TCP
    platform::ComPtr<TProbedDriver> Driver = platform::ComPtr<TProbedDriver>::Attach(
        static_cast<TProbedDriver*>(platform::CreateAutoObject<TProbedDriver>()));
    std::optional<TDispCall> Client;
};
