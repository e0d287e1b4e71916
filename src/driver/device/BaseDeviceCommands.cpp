#include "BaseDeviceCommands.h"

#include <algorithm>
#include <charconv>
#include <limits>

bool TBaseDevice::Exchange(uint8_t Cmd, const std::string& Payload, const TCommandRule& Rule,
                           TDataBuffer& Status, const TAnswerDecoder& Decode) {
    TDataBuffer Data;
    AppendString(Payload, Data);
    Status.clear();
    if (!SendCommand(Cmd, Data, Status)) {
        return false;
    }
    auto PreChecks = [&] {
        for (const TStatusBitCheck& Check : Rule.PreChecks) {
            CheckStatusBits(Status, {Check});
        }
    };
    if (!Rule.PreChecksLast) {
        PreChecks();
    }
    if (Rule.General == TGeneralCheck::Full) {
        CheckStatus(Status);
    } else {
        CheckStatusBasic(Status);
    }
    if (Rule.PreChecksLast) {
        PreChecks();
    }
    if (Decode) {
        TAnswer Answer(std::string(Data.begin(), Data.end()), Status);
        Decode(Answer);
    }
    return true;
}

bool TBaseDevice::Execute(uint8_t Cmd, const std::string& Payload, const TCommandRule& Rule,
                          const TAnswerDecoder& Decode) {
    TDataBuffer Status;
    const TDataBuffer NoStatus;
    // Bound now, read only after a failure, when Status holds the answer's bytes.
    const TDataBuffer& Shown = Rule.StatusInText ? Status : NoStatus;
    return RunGuarded(Shown, [&] { return Exchange(Cmd, Payload, Rule, Status, Decode); });
}

bool TBaseDevice::Refuse(const std::string& Label) {
    HandleException(ECmdException(201, Label), TDataBuffer());
    return false;
}

void TBaseDevice::ClearInfoRecord(TDiagnosticInfo& R) {
    R = TDiagnosticInfo{};
}

TAnswer::TAnswer(std::string Text, const TDataBuffer& Status)
    : FText(std::move(Text)), FStatus(Status), FRest(FText) {}

int32_t TAnswer::FieldCount() const {
    int32_t Count = 0;
    size_t Start = 0;
    while (Start <= FText.size()) {
        size_t Comma = FText.find(',', Start);
        if (Comma == std::string::npos) {
            Comma = FText.size();
        }
        if (Comma > Start) {
            ++Count;
        }
        Start = Comma + 1;
    }
    return Count;
}

void TAnswer::RequireFields(int32_t Min, const std::string& Detail) const {
    if (FieldCount() < Min) {
        throw ECmdException(200, Detail);
    }
}

std::string TAnswer::Next() {
    std::string Token;
    TBaseDevice::NextCommaToken(FRest, Token);
    return Token;
}

int32_t TAnswer::Int(const std::string& Label) {
    int32_t Value = 0;
    if (!TryReadInt(Next(), Value)) {
        throw ECmdException(201, Label);
    }
    return Value;
}

int64_t TAnswer::Int64(const std::string& Label) {
    int64_t Value = 0;
    if (!TryReadInt64(Next(), Value)) {
        throw ECmdException(201, Label);
    }
    return Value;
}

double TAnswer::Number(const std::string& Label) {
    double Value = 0;
    if (!TryReadFloat(Next(), Value)) {
        throw ECmdException(201, Label);
    }
    return Value;
}

int32_t TAnswer::IntOr0() {
    int32_t Value = 0;
    return TryReadInt(Next(), Value) ? Value : 0;
}

int64_t TAnswer::Int64Or0() {
    int64_t Value = 0;
    return TryReadInt64(Next(), Value) ? Value : 0;
}

double TAnswer::NumberOr0() {
    double Value = 0;
    return TryReadFloat(Next(), Value) ? Value : 0;
}

char TAnswer::Letter() {
    const std::string Field = Next();
    if (Field.empty()) {
        throw ECmdException(200, "");
    }
    return Field[0];
}

namespace {

// A field without the blanks that may lead it; a number also keeps none at its end.
std::string WithoutBlanks(const std::string& S, bool Trailing) {
    const size_t First = std::min(S.find_first_not_of(' '), S.size());
    const size_t Last = Trailing ? S.find_last_not_of(' ') + 1 : S.size();
    return S.substr(First, std::max(Last, First) - First);
}

std::string Replaced(std::string Text, const std::string& Separators) {
    std::replace_if(
        Text.begin(), Text.end(), [&](char C) { return Separators.find(C) != std::string::npos; },
        ' ');
    return Text;
}

}  // namespace

bool TryReadInt(const std::string& S, int32_t& Value) {
    return TryStrToInt(WithoutBlanks(S, false), Value);
}

bool TryReadInt64(const std::string& S, int64_t& Value) {
    std::string Text = WithoutBlanks(S, false);
    if (Text.size() > 1 && Text[0] == '+' && Text[1] != '-') {
        Text.erase(0, 1);
    }
    const char* End = Text.data() + Text.size();
    // from_chars stores the digits it read even when text follows them.
    int64_t Parsed = 0;
    const auto [Stop, Error] = std::from_chars(Text.data(), End, Parsed);
    if (Text.empty() || Error != std::errc() || Stop != End) {
        return false;
    }
    Value = Parsed;
    return true;
}

bool TryReadFloat(const std::string& S, double& Value) {
    return TryStrToFloat(WithoutBlanks(S, true), Value);
}

std::string OneLineField(const std::string& Text) {
    return Replaced(Text, "\t\n");
}

std::string CommaListField(const std::string& Text) {
    return Replaced(Text, ",");
}
