// The port: open and close, the three apply operations, overlapped reads and writes, purging,
// line errors, modem lines and error raising.

#include "MyCPort.h"

#include "ComThread.h"
#include "Comm.h"

using namespace platform;

namespace {

const char* const kErrorTexts[] = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
    "Port Not Open",
};

constexpr DWORD kBaudRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

constexpr uint8_t kWriteRequest = 0;
constexpr uint8_t kReadRequest = 1;

void FreeAsyncRequest(TComAsyncRequest* Request) {
    if (Request->Overlapped.hEvent != nullptr) {
        CloseHandle(Request->Overlapped.hEvent);
    }
    delete Request;
}

}  // namespace

std::string ComErrorText(int Code) {
    return Code >= 1 && Code <= 24 ? kErrorTexts[Code - 1] : "";
}

EComPort::~EComPort() = default;

TCustomComPort::TCustomComPort()
    : FHandle(INVALID_HANDLE_VALUE),
      FOwnQueue(std::make_unique<TComSyncQueue>()),
      FSyncQueue(FOwnQueue.get()) {
    FBuffer.AttachPort(this);
    FParity.AttachPort(this);
    FTimeouts.AttachPort(this);
    FFlowControl.AttachPort(this);
}

TCustomComPort::~TCustomComPort() {
    Close();
}

void TCustomComPort::RaiseComError(int Code, int64_t WinError) {
    const std::string text = ComErrorText(Code);
    if (OnException) {
        const std::string winMessage =
            WinError > 0 ? SystemErrorMessage(GetLastError()) : std::string();
        OnException(this, static_cast<TComExceptions>(Code - 1), text, WinError, winMessage);
        return;
    }
    if (WinError > 0) {
        throw EComPort(Code, static_cast<int32_t>(WinError),
                       text + " (Error: " + std::to_string(WinError) + ")");
    }
    throw EComPort(Code, -1, text);
}

void TCustomComPort::Open() {
    if (FConnected) {
        return;
    }
    CallBeforeOpen();
    OpenDevice();
    FConnected = true;
    try {
        ApplySettings();
    } catch (...) {
        CloseDevice();
        FConnected = false;
        throw;
    }
    FThreadCreated = !FEvents.Empty();
    if (FThreadCreated) {
        FEventThread = std::make_unique<TComThread>(this);
    }
    CallAfterOpen();
}

void TCustomComPort::Close() {
    if (!FConnected) {
        return;
    }
    try {
        CallBeforeClose();
        AbortPending();
    } catch (...) {
        // Closing goes on whatever the notifications or the abort raised.
    }
    if (FThreadCreated) {
        FEventThread.reset();
        FThreadCreated = false;
    }
    CloseDevice();
    FConnected = false;
    CallAfterClose();
}

void TCustomComPort::SetConnected(bool Value) {
    if (Value != FConnected) {
        Value ? Open() : Close();
    }
}

void TCustomComPort::OpenDevice() {
    const std::string path = "\\\\.\\" + FPort;
    FHandle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE) {
        RaiseComError(1, GetLastError());
    }
}

void TCustomComPort::CloseDevice() {
    if (FHandle != INVALID_HANDLE_VALUE && CloseHandle(FHandle)) {
        FHandle = INVALID_HANDLE_VALUE;
    }
}

void TCustomComPort::ApplySettings() {
    ApplyBufferSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

void TCustomComPort::ApplyBufferSizes() {
    if (Applies() && !SetupComm(FHandle, FBuffer.InputSize(), FBuffer.OutputSize())) {
        RaiseComError(9, GetLastError());
    }
}

void TCustomComPort::ApplyLineSettings() {
    if (!Applies()) {
        return;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate =
        FBaudRate == brCustom ? static_cast<DWORD>(FCustomBaudRate) : kBaudRates[FBaudRate];
    dcb.Flags = dcb::fBinary;
    const TComFlowControl& flow = FFlowControl;
    constexpr DWORD kDtr[] = {dcb::fDtrControlDisable, dcb::fDtrControlEnable,
                              dcb::fDtrControlHandshake};
    constexpr DWORD kRts[] = {dcb::fRtsControlDisable, dcb::fRtsControlEnable,
                              dcb::fRtsControlHandshake, dcb::fRtsControlToggle};
    dcb.Flags |= (FDiscardNull ? dcb::fNull : 0) | (flow.OutCTSFlow() ? dcb::fOutxCtsFlow : 0) |
                 (flow.OutDSRFlow() ? dcb::fOutxDsrFlow : 0) | kDtr[flow.ControlDTR()] |
                 kRts[flow.ControlRTS()] | (flow.XonXoffOut() ? dcb::fOutX : 0) |
                 (flow.XonXoffIn() ? dcb::fInX : 0) |
                 (flow.DSRSensitivity() ? dcb::fDsrSensitivity : 0) |
                 (flow.TxContinueOnXoff() ? dcb::fTXContinueOnXoff : 0);
    const bool replace = FParity.Check() && FParity.Replace();
    if (FParity.Check()) {
        dcb.Flags |= dcb::fParity | (replace ? dcb::fErrorChar : 0);
    }
    dcb.XonLim = static_cast<WORD>(FBuffer.InputSize() / 4);
    dcb.XoffLim = dcb.XonLim;
    dcb.ByteSize = static_cast<BYTE>(5 + FDataBits);
    dcb.Parity = static_cast<BYTE>(FParity.Bits());
    dcb.StopBits = static_cast<BYTE>(FStopBits);
    dcb.XonChar = flow.XonChar();
    dcb.XoffChar = flow.XoffChar();
    dcb.ErrorChar = replace ? FParity.ReplaceChar() : 0;
    dcb.EvtChar = FEventChar;
    if (!SetCommState(FHandle, &dcb)) {
        RaiseComError(7, GetLastError());
    }
}

void TCustomComPort::ApplyTimeoutSettings() {
    if (!Applies()) {
        return;
    }
    // -1 becomes all ones.
    COMMTIMEOUTS timeouts{static_cast<DWORD>(FTimeouts.ReadInterval()),
                          static_cast<DWORD>(FTimeouts.ReadTotalMultiplier()),
                          static_cast<DWORD>(FTimeouts.ReadTotalConstant()),
                          static_cast<DWORD>(FTimeouts.WriteTotalMultiplier()),
                          static_cast<DWORD>(FTimeouts.WriteTotalConstant())};
    if (!SetCommTimeouts(FHandle, &timeouts)) {
        RaiseComError(8, GetLastError());
    }
}

std::unique_ptr<TComAsyncRequest, void (*)(TComAsyncRequest*)> TCustomComPort::NewAsyncRequest(
    uint8_t Kind) {
    std::unique_ptr<TComAsyncRequest, void (*)(TComAsyncRequest*)> request(new TComAsyncRequest,
                                                                           FreeAsyncRequest);
    request->Overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    request->Kind = Kind;
    return request;
}

int32_t TCustomComPort::Write(const void* Buffer, int32_t Count) {
    auto request = NewAsyncRequest(kWriteRequest);
    if (FHandle == INVALID_HANDLE_VALUE) {
        RaiseComError(24, -24);
    }
    const auto* bytes = static_cast<const uint8_t*>(Buffer);
    request->Data.assign(bytes, bytes + std::max(Count, 0));
    request->Size = Count;
    if (Count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        RaiseComError(2, ERROR_INVALID_PARAMETER);
    } else if (!WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), nullptr,
                          &request->Overlapped) &&
               GetLastError() != ERROR_IO_PENDING) {
        RaiseComError(2, GetLastError());
    }
    TellListeners(&TComPortListener::OnTx, true);
    return FinishAsync(*request);
}

int32_t TCustomComPort::Read(void* Buffer, int32_t Count) {
    auto request = NewAsyncRequest(kReadRequest);
    if (FHandle == INVALID_HANDLE_VALUE) {
        RaiseComError(24, -24);
    }
    if (Count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        RaiseComError(3, ERROR_INVALID_PARAMETER);
    } else if (!ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), nullptr,
                         &request->Overlapped) &&
               GetLastError() != ERROR_IO_PENDING) {
        RaiseComError(3, GetLastError());
    }
    return FinishAsync(*request);
}

int32_t TCustomComPort::FinishAsync(TComAsyncRequest& Request) {
    const int failureCode = Request.Kind == kWriteRequest ? 2 : 3;
    DWORD done = 0;
    if (WaitForSingleObject(Request.Overlapped.hEvent, INFINITE) != WAIT_OBJECT_0 ||
        !GetOverlappedResult(FHandle, &Request.Overlapped, &done, FALSE)) {
        RaiseComError(failureCode, GetLastError());
    }
    if (Request.Kind == kWriteRequest) {
        TellListeners(&TComPortListener::OnTxBuf, this, Request.Data.data(),
                      static_cast<int>(Request.Data.size()));
        return static_cast<int32_t>(done);
    }
    // Bytes that were read are handed over even when the queue count then fails; that failure
    // shows again at the next call.
    try {
        if (BytesWaiting() == 0) {
            TellListeners(&TComPortListener::OnRx, false);
        }
    } catch (const EComPort&) {
        if (done == 0) {
            throw;
        }
    }
    return static_cast<int32_t>(done);
}

void TCustomComPort::PurgeBuffers(bool Input, bool Output) {
    const DWORD flags = (Input ? PURGE_RXCLEAR : 0) | (Output ? PURGE_TXCLEAR : 0);
    if (!PurgeComm(FHandle, flags)) {
        RaiseComError(5, GetLastError());
    }
}

void TCustomComPort::AbortPending() {
    if (!PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT)) {
        RaiseComError(5, GetLastError());
    }
}

int32_t TCustomComPort::BytesWaiting() {
    COMSTAT stat{};
    DWORD errors = 0;
    if (!ClearCommError(FHandle, &errors, &stat)) {
        RaiseComError(10, GetLastError());
    }
    return static_cast<int32_t>(stat.cbInQue);
}

TComSignals TCustomComPort::ModemSignals() {
    DWORD status = 0;
    if (!GetCommModemStatus(FHandle, &status)) {
        RaiseComError(11, GetLastError());
    }
    TComSignals signals;
    const std::pair<DWORD, TComSignal> lines[] = {
        {MS_CTS_ON, csCTS}, {MS_DSR_ON, csDSR}, {MS_RING_ON, csRing}, {MS_RLSD_ON, csRLSD}};
    for (const auto& [bit, signal] : lines) {
        if (status & bit) {
            signals.Include(signal);
        }
    }
    return signals;
}

TComErrors TCustomComPort::LineErrors() {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(FHandle, &errors, &stat)) {
        RaiseComError(10, GetLastError());
    }
    TComErrors result;
    const std::pair<DWORD, TComError> kinds[] = {
        {CE_FRAME, ceFrame}, {CE_OVERRUN, ceOverrun}, {CE_RXOVER, ceRxOver}, {CE_TXFULL, ceTxFull},
        {CE_BREAK, ceBreak}, {CE_IOE, ceIO},          {CE_MODE, ceMode}};
    for (const auto& [bit, kind] : kinds) {
        if (errors & bit) {
            result.Include(kind);
        }
    }
    if ((errors & CE_RXPARITY) && FParity.Check()) {
        result.Include(ceRxParity);
    }
    return result;
}

template <typename T>
void TCustomComPort::ChangeLineSetting(T& Field, T Value) {
    if (Value != Field) {
        Field = Value;
        ApplyLineSettings();
    }
}

void TCustomComPort::SetBaudRate(TBaudRate Value) {
    ChangeLineSetting(FBaudRate, Value);
}

void TCustomComPort::SetCustomBaudRate(int32_t Value) {
    ChangeLineSetting(FCustomBaudRate, Value);
}

void TCustomComPort::SetStopBits(TStopBits Value) {
    ChangeLineSetting(FStopBits, Value);
}

void TCustomComPort::SetDataBits(TDataBits Value) {
    ChangeLineSetting(FDataBits, Value);
}

void TCustomComPort::SetDiscardNull(bool Value) {
    ChangeLineSetting(FDiscardNull, Value);
}

void TCustomComPort::SetEventChar(char Value) {
    ChangeLineSetting(FEventChar, Value);
}

void TCustomComPort::SetPort(const std::string& Value) {
    if (Value != FPort) {
        FPort = Value;
        if (FConnected) {
            Close();
            Open();
        }
    }
}

void TCustomComPort::SetBuffer(const TComBuffer& Value) {
    Value.AssignTo(FBuffer);
    ApplyBufferSizes();
}

void TCustomComPort::SetParity(const TComParity& Value) {
    Value.AssignTo(FParity);
    ApplyLineSettings();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& Value) {
    Value.AssignTo(FTimeouts);
    ApplyTimeoutSettings();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& Value) {
    Value.AssignTo(FFlowControl);
    ApplyLineSettings();
}

void TCustomComPort::SetSyncMethod(TSyncMethod Value) {
    if (Value == FSyncMethod) {
        return;
    }
    if (FConnected) {
        RaiseComError(14, 0);
    } else {
        FSyncMethod = Value;
    }
}

void TCustomComPort::SetSyncQueue(TComSyncQueue* Queue) {
    if (FConnected) {
        RaiseComError(14, 0);
    } else {
        FSyncQueue = Queue != nullptr ? Queue : FOwnQueue.get();
    }
}
