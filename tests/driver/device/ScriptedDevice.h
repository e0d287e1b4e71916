#pragma once

#include <deque>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "BaseDeviceUnitRO.h"

// Six status bytes (the fixed bit 7 set) with the given [byte/bit] flags set.
inline TDataBuffer StatusWith(std::initializer_list<std::pair<int, int>> Bits = {}) {
    TDataBuffer Status(6, 0x80);
    for (auto [B, N] : Bits) {
        Status[B] |= static_cast<uint8_t>(1 << N);
    }
    return Status;
}

// A device without a link: each SendCommand records the command and its payload and answers
// with the next scripted reply (an empty answer with a clear status when none is left).
class TScriptedDevice : public TBaseDeviceRO {
public:
    struct TReply {
        std::string Data;
        TDataBuffer Status = StatusWith();
        bool Answered = true;  // false: the exchange fails with 103
    };

    std::deque<TReply> Replies;
    std::vector<std::pair<uint8_t, std::string>> Sent;

    TScriptedDevice& Reply(std::string Data, TDataBuffer Status = StatusWith()) {
        Replies.push_back({std::move(Data), std::move(Status), true});
        return *this;
    }
    TScriptedDevice& Silence() {
        Replies.push_back({"", {}, false});
        return *this;
    }
    std::vector<uint8_t> SentCommands() const {
        std::vector<uint8_t> Commands;
        for (const auto& S : Sent) {
            Commands.push_back(S.first);
        }
        return Commands;
    }

    bool SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) override {
        FLastErrorCode = 0;
        FLastErrorMsg.clear();
        Sent.emplace_back(Cmd, std::string(Data.begin(), Data.end()));
        TReply R;
        if (!Replies.empty()) {
            R = Replies.front();
            Replies.pop_front();
        }
        Status = R.Status;
        if (!R.Answered) {
            FLastErrorCode = 103;
            FLastErrorMsg = "Fiscal printer does not respond. ";
            return false;
        }
        Data.assign(R.Data.begin(), R.Data.end());
        return true;
    }
    bool Connect() override { return true; }
    void Disconnect() override {}
    bool IsConnected() override { return true; }
};
