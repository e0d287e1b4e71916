#pragma once

// Shared pieces of the driver object's tests: wide-string arguments, a temporary folder, and a
// device that answers from a table instead of a printer.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "AutoObject.h"
#include "BStr.h"
#include "BaseDeviceUnitRO.h"
#include "ComPtr.h"
#include "ConstUnit.h"
#include "TavrinoFprnRO.h"

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
    operator platform::BSTR() const { return FText; }

private:
    platform::BSTR FText;
};

// The 8-bit text of a BSTR result, which it frees.
inline std::string Take(platform::BSTR Text) {
    std::string Result = platform::BSTRToAnsi(Text);
    platform::SysFreeString(Text);
    return Result;
}

// One driver object, made as the class factory makes it and released at the end of the test.
template <class T>
class TDriverRef {
public:
    TDriverRef() : FDriver(static_cast<T*>(platform::CreateAutoObject<T>())) {}
    ~TDriverRef() { Reset(); }
    TDriverRef(const TDriverRef&) = delete;
    TDriverRef& operator=(const TDriverRef&) = delete;
    void Reset() {
        if (FDriver) {
            FDriver->Release();
            FDriver = nullptr;
        }
    }
    T* operator->() const { return FDriver; }
    T& operator*() const { return *FDriver; }

private:
    T* FDriver;
};

// LastErrorCode and LastErrorMsg of a driver object.
inline std::pair<int32_t, std::string> LastError(TTavrinoFprnRO& Driver) {
    int32_t Code = -1;
    platform::BSTR Msg = nullptr;
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
            return Read(Entry.path().filename().string());
        }
        return {};
    }
    std::string Read(const std::string& Name) const {
        std::ifstream In(FPath / Name, std::ios::binary);
        std::stringstream Text;
        Text << In.rdbuf();
        return Text.str();
    }

private:
    std::filesystem::path FPath;
};

// A printer that answers every command from a table: the data text of the answer (status bytes
// all clear unless given), or a failed exchange with a code and a message.
class TFakeDevice : public TBaseDeviceRO {
public:
    struct TReply {
        TReply(std::string Answer = {}, TDataBuffer Bits = TDataBuffer(6, 0))
            : Data(std::move(Answer)), Status(std::move(Bits)) {}
        static TReply Failure(int32_t Code, std::string Message) {
            TReply Reply;
            Reply.Ok = false;
            Reply.Code = Code;
            Reply.Message = std::move(Message);
            return Reply;
        }
        std::string Data;
        TDataBuffer Status;
        bool Ok = true;
        int32_t Code = 0;
        std::string Message;
    };
    struct TSent {
        uint8_t Cmd;
        std::string Data;
    };

    std::map<uint8_t, TReply> Replies;
    // Answers given once each, before the table's, for a printer whose state changes.
    std::map<uint8_t, std::deque<TReply>> Queued;
    std::vector<TSent> Sent;
    bool Connected = false;

    bool SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) override {
        Sent.push_back({Cmd, std::string(Data.begin(), Data.end())});
        FLastSentHex = HexText(BuildFrame(Cmd, Data));
        const auto It = Replies.find(Cmd);
        TReply Reply = It == Replies.end() ? TReply{} : It->second;
        if (auto& Queue = Queued[Cmd]; !Queue.empty()) {
            Reply = Queue.front();
            Queue.pop_front();
        }
        if (!Reply.Ok) {
            FLastErrorCode = Reply.Code;
            FLastErrorMsg = Reply.Message;
            return false;
        }
        Data.assign(Reply.Data.begin(), Reply.Data.end());
        Status = Reply.Status;
        FLastErrorCode = 0;
        FLastErrorMsg.clear();
        return true;
    }
    bool Connect() override { return Connected = true; }
    void Disconnect() override { Connected = false; }
    bool IsConnected() override { return Connected; }

    // The data of every command Cmd sent, in order.
    std::vector<std::string> SentData(uint8_t Cmd) const {
        std::vector<std::string> Result;
        for (const TSent& S : Sent) {
            if (S.Cmd == Cmd) {
                Result.push_back(S.Data);
            }
        }
        return Result;
    }
};

// The answers of a printer that connects cleanly: model "FP-700", serial "DT000001", fiscal
// memory "02000001", 32 characters per line (the device info says 34).
inline std::map<uint8_t, TFakeDevice::TReply> ConnectingPrinter() {
    return {
        {0x5A, {"FP-700,1.00 01Jan26 1200,1,2,DT000001,02000001"}},
        {0x80, {"0,1,2,3,4,5,6,7,34,9"}},
    };
}

// The driver object with the fake device in place of a real link: Init "connects" it.
class TFakeDriver : public TTavrinoFprnRO {
public:
    std::map<uint8_t, TFakeDevice::TReply> Replies = ConnectingPrinter();
    std::map<uint8_t, std::deque<TFakeDevice::TReply>> Queued;
    TFakeDevice* Device = nullptr;  // owned by the driver once connected

protected:
    std::unique_ptr<TBaseDeviceRO> NewDevice(int32_t, int32_t, int32_t,
                                             const std::string&) override {
        auto Fake = std::make_unique<TFakeDevice>();
        Fake->Replies = Replies;
        Fake->Queued = Queued;
        Device = Fake.get();
        return Fake;
    }
};
