#include "RS232DeviceUnit.h"

#include <algorithm>

#include "Clock.h"

namespace {

constexpr uint32_t kStartLimitMs = 700;  // for each byte before the answer starts
constexpr uint32_t kByteLimitMs = 500;   // for each byte of the answer
constexpr uint32_t kDrainLimitMs = 300;
constexpr uint64_t kDrainWindowMs = 7000;
constexpr uint64_t kLateAnswerMs = 4000;  // since the last SYN
constexpr uint64_t kSynLimitSec = 20;     // since the command start
constexpr uint64_t kNoAnswerRetryMs = 4000;
constexpr uint64_t kRetryWindowMs = 20000;
constexpr int32_t kMaxRetries = 3;
constexpr uint32_t kDamagedRetryPauseMs = 200;
constexpr uint32_t kDrainPauseMs = 50;
constexpr uint32_t kReadPauseMs = 10;
constexpr uint32_t kReadErrorPauseMs = 100;

// The printer's line: no handshake, DTR and RTS off, and reads that give up on a silent line
// after 50 ms between bytes or 50 + 50 ms per byte.
constexpr int32_t kReadInterval = 50;
constexpr int32_t kReadTotalMultiplier = 50;
constexpr int32_t kReadTotalConstant = 50;

}  // namespace

TRS32Device::TRS32Device() : FComPort(std::make_unique<TComPort>()) {}

TRS32Device::~TRS32Device() {
    Disconnect();
}

void TRS32Device::SetPortName(const std::string& Name) {
    FComPort->SetPort(Name);
}

void TRS32Device::SetBaudRate(const std::string& Text) {
    FComPort->SetBaudRate(BaudRateFromText(Text));
}

bool TRS32Device::IsConnected() {
    return FComPort->Connected();
}

void TRS32Device::Disconnect() {
    if (FComPort->Connected()) {
        FComPort->Close();
    }
}

bool TRS32Device::Connect() {
    bool result = false;
    try {
        Disconnect();
    } catch (const std::exception& e) {
        FLastErrorCode = 102;
        FLastErrorMsg =
            "Failed to close com port \"" + FComPort->Port() + "\": " + std::string(e.what());
    }
    try {
        FComPort->SetDataBits(dbEight);
        FComPort->SetStopBits(sbOneStopBit);
        FComPort->Parity().SetBits(prNone);
        FComPort->SetSyncMethod(smNone);
        FComPort->FlowControl().SetFlowControl(fcNone);
        FComPort->Timeouts().SetReadInterval(kReadInterval);
        FComPort->Timeouts().SetReadTotalMultiplier(kReadTotalMultiplier);
        FComPort->Timeouts().SetReadTotalConstant(kReadTotalConstant);
        FComPort->SetEvents({});
        FComPort->Open();
        result = FComPort->Connected();
    } catch (const std::exception& e) {
        FLastErrorMsg = "Failed open port " + FComPort->Port() + "/" +
                        BaudRateText(FComPort->BaudRate()) + " " + e.what();
        FLastErrorCode = 102;
    }
    return result;
}

bool TRS32Device::ReadByteTimeout(uint8_t& B, uint32_t Limit, uint64_t Deadline) {
    platform::Clock& clock = platform::CurrentClock();
    const uint64_t start = clock.NowMs();
    const uint64_t end = std::min(start + Limit, Deadline);
    do {
        try {
            if (FComPort->Read(&B, 1) == 1) {
                return true;
            }
            clock.SleepMs(kReadPauseMs);
        } catch (const std::exception&) {
            // A port error reads as silence; the caller's limits decide what it means.
            clock.SleepMs(kReadErrorPauseMs);
        }
    } while (clock.NowMs() < end);
    return false;
}

bool TRS32Device::ReadAnswerByte(uint8_t& B, const char* Part) {
    // No answer outlives the call's window: past it a byte is taken only when one port read
    // finds it, so a printer that sends slowly cannot hold the caller.
    if (!ReadByteTimeout(B, kByteLimitMs, FAnswerDeadline)) {
        return false;
    }
    AppendHexByte(B, FLastRecvHex);
    DoReceiveByte(B);
    // A device that never stops sending must not keep the caller here for ever.
    if (++FAnswerBytes > kMaxReplyFrameBytes) {
        throw ECmdException(105, Part);
    }
    return true;
}

uint8_t TRS32Device::AwaitAnswer(uint64_t Start) {
    platform::Clock& clock = platform::CurrentClock();
    uint64_t lastSyn = clock.NowMs();
    for (;;) {
        uint8_t b = 0;
        if (!ReadByteTimeout(b, kStartLimitMs)) {
            throw ECmdException(103, "<01>");
        }
        DoReceiveByte(b);
        if (b == kSyn) {
            lastSyn = clock.NowMs();
            DoSynNak(b);
            if (ElapsedSec(Start) >= kSynLimitSec) {
                throw ECmdException(120, "");
            }
        } else if (clock.NowMs() - lastSyn >= kLateAnswerMs) {
            throw ECmdException(103, "<01><" + HexByte(b) + ">");
        }
        if (b == kStx || b == kNak) {
            return b;
        }
    }
}

void TRS32Device::Attempt(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status, int32_t Attempts,
                          uint64_t Start) {
    const std::string port = "[" + FComPort->Port() + "]";
    if (!FComPort->Connected()) {
        throw ECmdException(101, port);
    }
    if (Attempts > kMaxRetries) {
        throw ECmdException(107, port);
    }
    if (!FLastRecvHex.empty()) {
        FLastRecvHex += '\r';
    }
    const TDataBuffer frame = BuildFrame(Cmd, Data);
    int32_t written = 0;
    try {
        FComPort->PurgeBuffers(true, true);
        FLastSentHex = HexText(frame);
        written = FComPort->Write(frame.data(), static_cast<int32_t>(frame.size()));
    } catch (const std::exception& e) {
        throw ECmdException(102, e.what());
    }
    if (written < static_cast<int32_t>(frame.size())) {
        throw ECmdException(102, std::to_string(written) + "/" + std::to_string(frame.size()));
    }
    DoSendFrame(frame);
    TReplyAccumulator reply(Status);

    uint8_t b = AwaitAnswer(Start);
    FAnswerBytes = 1;
    FAnswerDeadline = Start + kRetryWindowMs;
    AppendHexByte(b, FLastRecvHex);
    if (b == kNak) {
        DoSynNak(b);
        throw ECmdException(106, "<NAK>");
    }
    uint8_t len = 0;
    if (!ReadAnswerByte(len, "<LEN>")) {
        throw ECmdException(104, "<LEN>");
    }
    reply.AddHeader(len);
    if (!ReadAnswerByte(b, "<SEQ>")) {
        throw ECmdException(104, "<SEQ>");
    }
    if (b != FSeq) {
        throw ECmdException(109, "[" + HexByte(b) + "/" + HexByte(FSeq) + "]");
    }
    reply.AddHeader(b);
    if (!ReadAnswerByte(b, "<CMD>")) {
        throw ECmdException(104, "<CMD>");
    }
    if (b != Cmd) {
        throw ECmdException(132, "[" + HexByte(b) + "/" + HexByte(Cmd) + "]");
    }
    reply.AddHeader(b);
    do {
        if (!ReadAnswerByte(b, "<DATA>")) {
            throw ECmdException(105, "<DATA>");
        }
        reply.AddData(b);
    } while (b != kEot);
    do {
        if (!ReadAnswerByte(b, "<STATUS>")) {
            throw ECmdException(105, "<STATUS>");
        }
        reply.AddStatus(b);
    } while (b != kEnq);
    if (reply.StatusPartBytes() != 7) {
        throw ECmdException(105, "<STATUS>");
    }
    for (;;) {
        if (!ReadAnswerByte(b, "<BCC>")) {
            throw ECmdException(105, "<BCC>");
        }
        if (b == kEtx) {
            break;
        }
        reply.AddBcc(b);
    }
    reply.CheckLength(len);
    reply.CheckBccForm(111);
    reply.CheckBccValue(111);
    Data = reply.Data();
}

void TRS32Device::Drain(uint64_t Start) {
    uint8_t b = 0;
    while (ReadByteTimeout(b, kDrainLimitMs) && ElapsedMs(Start) <= kDrainWindowMs) {
    }
    platform::CurrentClock().SleepMs(kDrainPauseMs);
}

bool TRS32Device::SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) {
    platform::Clock& clock = platform::CurrentClock();
    const uint64_t start = BeginCommand();
    int32_t attempts = 0;
    bool done = false;
    bool stop = false;
    do {
        try {
            Attempt(Cmd, Data, Status, attempts, start);
            done = true;
        } catch (const ECmdException& e) {
            FLastErrorMsg += ErrorText(e.Code, "") + e.what();
            FLastErrorCode = e.Code;
            switch (e.Code) {
                case 103:
                    if (ElapsedMs(start) > kNoAnswerRetryMs) {
                        stop = true;
                    } else {
                        FLastErrorMsg += "\r\n[RETRY->]";
                        ++attempts;
                    }
                    break;
                case 104:
                case 105:
                case 106:
                case 111:
                case 112:
                    clock.SleepMs(kDamagedRetryPauseMs);
                    FLastErrorMsg += "\r\n[RETRY->>]";
                    break;
                case 109:
                case 132:
                    Drain(start);
                    FLastErrorMsg += "\r\n[RETRY->>>]";
                    break;
                case 107:
                    FLastErrorMsg += "\r\n[" + std::to_string(attempts) + "]";
                    stop = true;
                    break;
                default:
                    stop = true;
            }
        } catch (const std::exception& e) {
            FLastErrorMsg = std::string("Unexpected error: ") + e.what();
            stop = true;
        }
    } while (!done && !stop && ElapsedMs(start) <= kRetryWindowMs);

    return EndCommand(Cmd, start, done);
}
