// The settings objects, the text forms of the enumerations and the event masks.

#include <algorithm>
#include <cctype>
#include <iterator>

#include "ConstUnit.h"
#include "MyCPort.h"

using namespace platform;

namespace {

const char* const kBaudRateTexts[] = {"Custom", "110",    "300",    "600",   "1200",  "2400",
                                      "4800",   "9600",   "14400",  "19200", "38400", "56000",
                                      "57600",  "115200", "128000", "256000"};
const char* const kStopBitsTexts[] = {"1", "1.5", "2"};
const char* const kDataBitsTexts[] = {"5", "6", "7", "8"};
const char* const kParityTexts[] = {"None", "Odd", "Even", "Mark", "Space"};
const char* const kFlowControlTexts[] = {"Hardware", "Software", "None", "Custom"};
const char* const kDTRControlTexts[] = {"Disable", "Enable", "Handshake"};
const char* const kRTSControlTexts[] = {"Disable", "Enable", "Handshake", "Toggle"};

constexpr DWORD kEventBits[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                                EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};

std::string Upper(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return Text;
}

// The first value whose text equals Text in upper case, else Default.
template <typename E, size_t N>
E FromText(const char* const (&Texts)[N], const std::string& Text, E Default) {
    const std::string wanted = Upper(Text);
    for (size_t i = 0; i < N; ++i) {
        if (Upper(Texts[i]) == wanted) {
            return static_cast<E>(i);
        }
    }
    return Default;
}

// Stores a changed setting and has the port, if any, re-apply that group.
template <typename T>
void ChangeSetting(T& Field, T Value, TCustomComPort* Port, void (TCustomComPort::*Apply)()) {
    if (Value != Field) {
        Field = Value;
        if (Port != nullptr) {
            (Port->*Apply)();
        }
    }
}

}  // namespace

std::string BaudRateText(TBaudRate Value) {
    return kBaudRateTexts[Value];
}
std::string StopBitsText(TStopBits Value) {
    return kStopBitsTexts[Value];
}
std::string DataBitsText(TDataBits Value) {
    return kDataBitsTexts[Value];
}
std::string ParityText(TParityBits Value) {
    return kParityTexts[Value];
}
std::string FlowControlText(TFlowControl Value) {
    return kFlowControlTexts[Value];
}
std::string DTRControlText(TDTRFlowControl Value) {
    return kDTRControlTexts[Value];
}
std::string RTSControlText(TRTSFlowControl Value) {
    return kRTSControlTexts[Value];
}

TBaudRate BaudRateFromText(const std::string& Text) {
    return FromText(kBaudRateTexts, Text, br9600);
}
TStopBits StopBitsFromText(const std::string& Text) {
    return FromText(kStopBitsTexts, Text, sbOneStopBit);
}
TDataBits DataBitsFromText(const std::string& Text) {
    return FromText(kDataBitsTexts, Text, dbEight);
}
TParityBits ParityFromText(const std::string& Text) {
    return FromText(kParityTexts, Text, prNone);
}
TFlowControl FlowControlFromText(const std::string& Text) {
    return FromText(kFlowControlTexts, Text, fcCustom);
}
TDTRFlowControl DTRControlFromText(const std::string& Text) {
    return FromText(kDTRControlTexts, Text, dtrDisable);
}
TRTSFlowControl RTSControlFromText(const std::string& Text) {
    return FromText(kRTSControlTexts, Text, rtsDisable);
}

std::string YesNoText(bool Value) {
    return Value ? "Yes" : "No";
}

bool YesNoValue(const std::string& Text) {
    return Upper(Text) == "YES";
}

std::string CharText(char Value) {
    const auto code = static_cast<unsigned char>(Value);
    return code < 33 ? '#' + std::to_string(code) : std::string(1, Value);
}

char CharFromText(const std::string& Text) {
    if (Text.empty()) {
        return 0;
    }
    if (Text[0] == '#' && Text.size() > 1) {
        int32_t code = 0;
        return TryStrToInt(Text.substr(1), code) ? static_cast<char>(code & 0xFF) : 0;
    }
    return Text[0];
}

DWORD ComEventsToMask(TComEvents Events) {
    DWORD mask = 0;
    for (size_t i = 0; i < std::size(kEventBits); ++i) {
        if (Events.Contains(static_cast<TComEvent>(i))) {
            mask |= kEventBits[i];
        }
    }
    return mask;
}

TComEvents MaskToComEvents(DWORD Mask) {
    TComEvents events;
    for (size_t i = 0; i < std::size(kEventBits); ++i) {
        if (Mask & kEventBits[i]) {
            events.Include(static_cast<TComEvent>(i));
        }
    }
    return events;
}

// TComTimeouts

void TComTimeouts::AssignTo(TComTimeouts& Dest) const {
    Dest.FReadInterval = FReadInterval;
    Dest.FReadTotalMultiplier = FReadTotalMultiplier;
    Dest.FReadTotalConstant = FReadTotalConstant;
    Dest.FWriteTotalMultiplier = FWriteTotalMultiplier;
    Dest.FWriteTotalConstant = FWriteTotalConstant;
}

void TComTimeouts::Change(int32_t& Field, int32_t Value) {
    ChangeSetting(Field, Value, FComPort, &TCustomComPort::ApplyTimeoutSettings);
}

void TComTimeouts::SetReadInterval(int32_t Value) {
    Change(FReadInterval, Value);
}
void TComTimeouts::SetReadTotalMultiplier(int32_t Value) {
    Change(FReadTotalMultiplier, Value);
}
void TComTimeouts::SetReadTotalConstant(int32_t Value) {
    Change(FReadTotalConstant, Value);
}
void TComTimeouts::SetWriteTotalMultiplier(int32_t Value) {
    Change(FWriteTotalMultiplier, Value);
}
void TComTimeouts::SetWriteTotalConstant(int32_t Value) {
    Change(FWriteTotalConstant, Value);
}

// TComFlowControl

void TComFlowControl::AssignTo(TComFlowControl& Dest) const {
    Dest.FOutCTSFlow = FOutCTSFlow;
    Dest.FOutDSRFlow = FOutDSRFlow;
    Dest.FControlDTR = FControlDTR;
    Dest.FControlRTS = FControlRTS;
    Dest.FXonXoffOut = FXonXoffOut;
    Dest.FXonXoffIn = FXonXoffIn;
    Dest.FDSRSensitivity = FDSRSensitivity;
    Dest.FTxContinueOnXoff = FTxContinueOnXoff;
    Dest.FXonChar = FXonChar;
    Dest.FXoffChar = FXoffChar;
}

void TComFlowControl::Apply() {
    if (FComPort != nullptr) {
        FComPort->ApplyLineSettings();
    }
}

template <typename T>
void TComFlowControl::Change(T& Field, T Value) {
    ChangeSetting(Field, Value, FComPort, &TCustomComPort::ApplyLineSettings);
}

void TComFlowControl::SetOutCTSFlow(bool Value) {
    Change(FOutCTSFlow, Value);
}
void TComFlowControl::SetOutDSRFlow(bool Value) {
    Change(FOutDSRFlow, Value);
}
void TComFlowControl::SetControlDTR(TDTRFlowControl Value) {
    Change(FControlDTR, Value);
}
void TComFlowControl::SetControlRTS(TRTSFlowControl Value) {
    Change(FControlRTS, Value);
}
void TComFlowControl::SetXonXoffOut(bool Value) {
    Change(FXonXoffOut, Value);
}
void TComFlowControl::SetXonXoffIn(bool Value) {
    Change(FXonXoffIn, Value);
}
void TComFlowControl::SetDSRSensitivity(bool Value) {
    Change(FDSRSensitivity, Value);
}
void TComFlowControl::SetTxContinueOnXoff(bool Value) {
    Change(FTxContinueOnXoff, Value);
}
void TComFlowControl::SetXonChar(char Value) {
    Change(FXonChar, Value);
}
void TComFlowControl::SetXoffChar(char Value) {
    Change(FXoffChar, Value);
}

TFlowControl TComFlowControl::FlowControl() const {
    const bool xonXoff = FXonXoffIn && FXonXoffOut;
    const bool noXonXoff = !FXonXoffIn && !FXonXoffOut;
    if (FControlRTS == rtsHandshake && FOutCTSFlow && noXonXoff) {
        return fcHardware;
    }
    if (FControlRTS == rtsDisable && !FOutCTSFlow && xonXoff) {
        return fcSoftware;
    }
    if (FControlRTS == rtsDisable && !FOutCTSFlow && noXonXoff) {
        return fcNone;
    }
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value) {
    if (Value != fcCustom) {
        FControlRTS = Value == fcHardware ? rtsHandshake : rtsDisable;
        FOutCTSFlow = Value == fcHardware;
        FXonXoffIn = Value == fcSoftware;
        FXonXoffOut = Value == fcSoftware;
    }
    Apply();
}

// TComParity

void TComParity::AssignTo(TComParity& Dest) const {
    Dest.FBits = FBits;
    Dest.FCheck = FCheck;
    Dest.FReplace = FReplace;
    Dest.FReplaceChar = FReplaceChar;
}

template <typename T>
void TComParity::Change(T& Field, T Value) {
    ChangeSetting(Field, Value, FComPort, &TCustomComPort::ApplyLineSettings);
}

void TComParity::SetBits(TParityBits Value) {
    Change(FBits, Value);
}
void TComParity::SetCheck(bool Value) {
    Change(FCheck, Value);
}
void TComParity::SetReplace(bool Value) {
    Change(FReplace, Value);
}
void TComParity::SetReplaceChar(char Value) {
    Change(FReplaceChar, Value);
}

// TComBuffer

void TComBuffer::AssignTo(TComBuffer& Dest) const {
    Dest.FInputSize = FInputSize;
    Dest.FOutputSize = FOutputSize;
}

void TComBuffer::Change(int32_t& Field, int32_t Value) {
    if (Value > 0 && Value % 2 == 1) {
        --Value;
    }
    ChangeSetting(Field, Value, FComPort, &TCustomComPort::ApplyBufferSizes);
}

void TComBuffer::SetInputSize(int32_t Value) {
    Change(FInputSize, Value);
}
void TComBuffer::SetOutputSize(int32_t Value) {
    Change(FOutputSize, Value);
}
