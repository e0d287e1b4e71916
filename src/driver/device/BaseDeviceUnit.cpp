#include "BaseDeviceUnit.h"

#include <cstdio>

#include "Clock.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Hex digits of Value without leading zeros, at least one, as a 32-bit two's complement number.
std::string HexDigits(int32_t Value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%X", static_cast<uint32_t>(Value));
    return text;
}

// The checksum as the printer writes it: one byte per 4-bit digit, each plus 0x30.
std::string ChecksumText(uint16_t Sum) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04X", Sum);
    return text;
}

void NextToken(std::string& S, std::string& Token, char Separator) {
    const size_t pos = S.find(Separator);
    if (pos == std::string::npos) {
        Token = S;
        S.clear();
        return;
    }
    Token = S.substr(0, pos);
    size_t rest = pos;
    while (rest < S.size() && S[rest] == ' ') {
        ++rest;
    }
    if (rest < S.size() && S[rest] == Separator) {
        ++rest;
    }
    S.erase(0, rest);
}

}  // namespace

ECmdException::ECmdException(int32_t Code, const std::string& Message)
    : EAbort(Message), Code(Code) {}

ECmdException::~ECmdException() = default;

// ---- reply accumulator ----

TReplyAccumulator::TReplyAccumulator(TDataBuffer& Status) : FStatus(Status) {
    FStatus.clear();
}

void TReplyAccumulator::AddCounted(uint8_t B) {
    FSum = static_cast<uint16_t>(FSum + B);
    ++FCount;
}

void TReplyAccumulator::AddHeader(uint8_t B) {
    AddCounted(B);
}

void TReplyAccumulator::AddData(uint8_t B) {
    AddCounted(B);
    // 0x00..0x03 are counted and summed but carry nothing; 0x04 ends the data.
    if (B > kEot) {
        FData.push_back(B);
    }
}

void TReplyAccumulator::AddStatus(uint8_t B) {
    AddCounted(B);
    ++FStatusPartBytes;
    if (B > kEnq) {
        FStatus.push_back(B);
    }
}

void TReplyAccumulator::AddBcc(uint8_t B) {
    if (B <= kEtx) {
        return;
    }
    FBccText += HexDigits(B - 0x30);
    ++FBccDigits;
    // Only 0x30..0x3F carry a digit; anything else could pass off two digits as one.
    if (B < 0x30 || B > 0x3F) {
        FBccInRange = false;
    }
}

void TReplyAccumulator::CheckBccForm(int32_t Code) const {
    if (FBccText.size() != 4 || FBccDigits != 4 || !FBccInRange) {
        throw ECmdException(Code, "[" + FBccText + "]");
    }
}

void TReplyAccumulator::CheckLength(uint8_t Len) const {
    const int32_t declared = Len - 0x20;
    if (FCount != declared) {
        throw ECmdException(112, std::to_string(declared) + "/" + std::to_string(FCount));
    }
}

void TReplyAccumulator::CheckBccValue(int32_t Code) const {
    const std::string computed = ChecksumText(FSum);
    if (FBccText != computed) {
        throw ECmdException(Code, "[" + FBccText + "/" + computed + "]");
    }
}

// ---- byte, text and token routines ----

bool TBaseDevice::IsBitSet(const TDataBuffer& Status, uint8_t ByteIndex, uint8_t Bit) {
    if (ByteIndex >= Status.size()) {
        return false;
    }
    return ((Status[ByteIndex] >> Bit) & 1) != 0;
}

void TBaseDevice::AppendByte(uint8_t B, TDataBuffer& Buf) {
    Buf.push_back(B);
}

void TBaseDevice::AppendBytes(const TDataBuffer& Src, TDataBuffer& Dst) {
    Dst.insert(Dst.end(), Src.begin(), Src.end());
}

void TBaseDevice::AppendEscapedChar(uint8_t B, TDataBuffer& Buf) {
    // TAB and LF separate fields and lines, so they travel as they are.
    if (B < 0x20 && B != 0x09 && B != 0x0A) {
        Buf.push_back(kDle);
        Buf.push_back(static_cast<uint8_t>(B + 0x40));
    } else {
        Buf.push_back(B);
    }
}

void TBaseDevice::AppendChar(char C, TDataBuffer& Buf) {
    AppendByte(static_cast<uint8_t>(C), Buf);
}

void TBaseDevice::AppendString(const std::string& S, TDataBuffer& Buf) {
    for (char c : S) {
        AppendChar(c, Buf);
    }
}

void TBaseDevice::AppendBCC(TDataBuffer& Frame) {
    uint16_t sum = 0;
    for (uint8_t b : Frame) {
        if (b == kStx) {
            continue;
        }
        sum = static_cast<uint16_t>(sum + b);
        if (b == kEnq) {
            break;
        }
    }
    if (sum == 0) {
        throw ECmdException(201, "FBCC:[" + ChecksumText(sum).substr(2) + "]");
    }
    for (int shift = 12; shift >= 0; shift -= 4) {
        Frame.push_back(static_cast<uint8_t>(((sum >> shift) & 0x0F) + 0x30));
    }
}

void TBaseDevice::BytesToHex(const TDataBuffer& Data, uint8_t Start, std::string& Text,
                             uint8_t Count) {
    Text.clear();
    for (size_t i = Start; i < Data.size() && i < size_t{Start} + Count; ++i) {
        AppendHexByte(Data[i], Text);
    }
}

void TBaseDevice::BytesToTextRange(const TDataBuffer& Data, uint8_t Start, std::string& Text,
                                   uint8_t Count) {
    Text.clear();
    for (size_t i = Start; i < Data.size() && i < size_t{Start} + Count; ++i) {
        Text.push_back(static_cast<char>(Data[i]));
    }
}

void TBaseDevice::BytesToText(const TDataBuffer& Data, std::string& Text) {
    Text.assign(Data.begin(), Data.end());
}

void TBaseDevice::NextCommaToken(std::string& S, std::string& Token) {
    NextToken(S, Token, ',');
}

void TBaseDevice::NextSpaceToken(std::string& S, std::string& Token) {
    NextToken(S, Token, ' ');
}

void TBaseDevice::ClearInfoRecord(TClientData& R) {
    R = TClientData{};
}

// ---- notifications ----

void TBaseDevice::LogCommandDuration(uint8_t Cmd) {
    if (!OnCommandLog) {
        return;
    }
    char text[80];
    if (FDuration > 0) {
        std::snprintf(text, sizeof(text), "Command No: %2.2Xh. Duration: %d ms.", Cmd, FDuration);
    } else {
        std::snprintf(text, sizeof(text), "Command No: %2.2X. Duration: Less than 1 ms", Cmd);
    }
    OnCommandLog(this, text);
}

void TBaseDevice::DoSendFrame(const TDataBuffer& Frame) {
    if (OnSendFrame) {
        std::string text;
        BytesToText(Frame, text);
        OnSendFrame(this, text);
    }
}

void TBaseDevice::DoReceiveByte(uint8_t B) {
    if (OnReceiveByte && B != kSyn && B != kNak) {
        OnReceiveByte(this, std::string(1, static_cast<char>(B)));
    }
}

void TBaseDevice::DoSynNak(uint8_t B) {
    if (OnSynNak) {
        OnSynNak(this, std::string(1, static_cast<char>(B)));
    }
}

// ---- packet format ----

void TBaseDevice::StepSeq() {
    ++FSeq;
    if (FSeq < 0x20 || FSeq > 0x7F) {
        FSeq = 0x20;
    }
}

uint64_t TBaseDevice::ElapsedMs(uint64_t Since) {
    return platform::CurrentClock().NowMs() - Since;
}

uint64_t TBaseDevice::BeginCommand() {
    const uint64_t start = platform::CurrentClock().NowMs();
    FLastErrorMsg.clear();
    FLastErrorCode = 0;
    StepSeq();
    FLastSentHex.clear();
    FLastRecvHex.clear();
    return start;
}

bool TBaseDevice::EndCommand(uint8_t Cmd, uint64_t Start, bool Done) {
    FDuration = static_cast<int32_t>(ElapsedMs(Start));
    LogCommandDuration(Cmd);
    if (Done) {
        FLastErrorCode = 0;
        FLastErrorMsg.clear();
    }
    return Done;
}

TDataBuffer TBaseDevice::BuildFrame(uint8_t Cmd, const TDataBuffer& Payload) const {
    // A longer payload would wrap LEN and the printer would read a corrupt frame.
    if (Payload.size() > kMaxPayloadBytes) {
        throw ECmdException(201, "[LEN:" + std::to_string(Payload.size()) + "/" +
                                     std::to_string(kMaxPayloadBytes) + "]");
    }
    TDataBuffer frame;
    frame.reserve(Payload.size() * 2 + 10);
    frame.push_back(kStx);
    frame.push_back(static_cast<uint8_t>(0x20 + 4 + Payload.size()));
    frame.push_back(FSeq);
    frame.push_back(Cmd);
    for (uint8_t b : Payload) {
        AppendEscapedChar(b, frame);
    }
    frame.push_back(kEnq);
    AppendBCC(frame);
    frame.push_back(kEtx);
    return frame;
}

std::string TBaseDevice::HexByte(uint8_t B) {
    return {kHexDigits[B >> 4], kHexDigits[B & 0x0F]};
}

void TBaseDevice::AppendHexByte(uint8_t B, std::string& Text) {
    Text += kHexDigits[B >> 4];
    Text += kHexDigits[B & 0x0F];
    Text += ' ';
}

std::string TBaseDevice::HexText(const TDataBuffer& Data) {
    std::string text;
    text.reserve(Data.size() * 3);
    for (uint8_t b : Data) {
        AppendHexByte(b, text);
    }
    return text;
}
