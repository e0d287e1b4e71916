#pragma once

// The serial-port component: a port opened for overlapped I/O whose reads and writes wait for
// their own completion, its settings objects and their text forms, persistence to an INI file or
// a registry key, and an optional event thread that reports line events through handlers.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ComSyncQueue.h"
#include "CommTypes.h"

namespace platform {
class TIniFile;
class RegKey;
}  // namespace platform

class TCustomComPort;
class TComThread;
struct TComSettingsStore;

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TComEvent {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
// The modem input lines, in the order ModemSignals reports them.
enum TComSignal { csCTS, csDSR, csRing, csRLSD };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TStoredProp { spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers };
// Code N of the error table is the kind at position N, counting from 1.
enum TComExceptions {
    CE_OpenFailed,
    CE_WriteFailed,
    CE_ReadFailed,
    CE_InvalidAsync,
    CE_PurgeFailed,
    CE_AsyncCheck,
    CE_SetStateFailed,
    CE_TimeoutsFailed,
    CE_SetupComFailed,
    CE_ClearComFailed,
    CE_ModemStatFailed,
    CE_EscapeComFailed,
    CE_TransmitFailed,
    CE_ConnChangeProp,
    CE_EnumPortsFailed,
    CE_StoreFailed,
    CE_LoadFailed,
    CE_RegFailed,
    CE_LedStateFailed,
    CE_ThreadCreated,
    CE_WaitFailed,
    CE_HasLink,
    CE_RegError,
    CEPortNotOpen
};

// A set of the values of an enumeration with fewer than 32 values.
template <typename E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items) {
        for (E item : items) {
            bits_ |= Bit(item);
        }
    }
    static constexpr TEnumSet FromBits(uint32_t bits) {
        TEnumSet set;
        set.bits_ = bits;
        return set;
    }
    constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr void Include(E item) { bits_ |= Bit(item); }
    constexpr void Exclude(E item) { bits_ &= ~Bit(item); }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    static constexpr uint32_t Bit(E item) { return uint32_t{1} << static_cast<int>(item); }
    uint32_t bits_ = 0;
};

using TComEvents = TEnumSet<TComEvent>;
using TComErrors = TEnumSet<TComError>;
using TComSignals = TEnumSet<TComSignal>;
using TStoredProps = TEnumSet<TStoredProp>;

inline constexpr TComEvents kAllComEvents = {evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                                             evCTS,    evDSR,     evError,  evRLSD, evRx80Full};

// The error table: the text of code 1..24 (empty for any other code).
std::string ComErrorText(int Code);

class EComPort : public std::runtime_error {
public:
    EComPort(int ErrorCode, int32_t WinError, const std::string& Message)
        : std::runtime_error(Message), FErrorCode(ErrorCode), FWinError(WinError) {}
    ~EComPort() override;
    int ErrorCode() const { return FErrorCode; }
    // The Windows error number, or -1 when none was given.
    int32_t WinError() const { return FWinError; }
    std::string Message() const { return what(); }

private:
    int FErrorCode;
    int32_t FWinError;
};

// Text forms. Text to value compares in upper case, whole; text that names no value gives the
// default (br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable).
std::string BaudRateText(TBaudRate Value);
std::string StopBitsText(TStopBits Value);
std::string DataBitsText(TDataBits Value);
std::string ParityText(TParityBits Value);
std::string FlowControlText(TFlowControl Value);
std::string DTRControlText(TDTRFlowControl Value);
std::string RTSControlText(TRTSFlowControl Value);
TBaudRate BaudRateFromText(const std::string& Text);
TStopBits StopBitsFromText(const std::string& Text);
TDataBits DataBitsFromText(const std::string& Text);
TParityBits ParityFromText(const std::string& Text);
TFlowControl FlowControlFromText(const std::string& Text);
TDTRFlowControl DTRControlFromText(const std::string& Text);
TRTSFlowControl RTSControlFromText(const std::string& Text);
std::string YesNoText(bool Value);
bool YesNoValue(const std::string& Text);
// Codes below 33 as "#" and the decimal code; other characters as themselves.
std::string CharText(char Value);
char CharFromText(const std::string& Text);

// The event masks of the line, bit for bit.
platform::DWORD ComEventsToMask(TComEvents Events);
TComEvents MaskToComEvents(platform::DWORD Mask);

// The settings objects. Each setter stores a changed value and, when the object belongs to a
// port, has the port re-apply that group of settings (which acts only while the port is open).
// AssignTo copies every field without re-applying anything.

class TComTimeouts {
public:
    void AttachPort(TCustomComPort* Port) { FComPort = Port; }
    TCustomComPort* ComPort() const { return FComPort; }
    void AssignTo(TComTimeouts& Dest) const;

    int32_t ReadInterval() const { return FReadInterval; }
    int32_t ReadTotalMultiplier() const { return FReadTotalMultiplier; }
    int32_t ReadTotalConstant() const { return FReadTotalConstant; }
    int32_t WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
    int32_t WriteTotalConstant() const { return FWriteTotalConstant; }
    void SetReadInterval(int32_t Value);
    void SetReadTotalMultiplier(int32_t Value);
    void SetReadTotalConstant(int32_t Value);
    void SetWriteTotalMultiplier(int32_t Value);
    void SetWriteTotalConstant(int32_t Value);

private:
    void Change(int32_t& Field, int32_t Value);

    TCustomComPort* FComPort = nullptr;
    int32_t FReadInterval = -1;
    int32_t FReadTotalMultiplier = 0;
    int32_t FReadTotalConstant = 0;
    int32_t FWriteTotalMultiplier = 100;
    int32_t FWriteTotalConstant = 1000;
};

class TComFlowControl {
public:
    void AttachPort(TCustomComPort* Port) { FComPort = Port; }
    TCustomComPort* ComPort() const { return FComPort; }
    void AssignTo(TComFlowControl& Dest) const;

    bool OutCTSFlow() const { return FOutCTSFlow; }
    bool OutDSRFlow() const { return FOutDSRFlow; }
    TDTRFlowControl ControlDTR() const { return FControlDTR; }
    TRTSFlowControl ControlRTS() const { return FControlRTS; }
    bool XonXoffOut() const { return FXonXoffOut; }
    bool XonXoffIn() const { return FXonXoffIn; }
    bool DSRSensitivity() const { return FDSRSensitivity; }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    char XonChar() const { return FXonChar; }
    char XoffChar() const { return FXoffChar; }
    // The preset the fields amount to; fcCustom when they match none.
    TFlowControl FlowControl() const;

    void SetOutCTSFlow(bool Value);
    void SetOutDSRFlow(bool Value);
    void SetControlDTR(TDTRFlowControl Value);
    void SetControlRTS(TRTSFlowControl Value);
    void SetXonXoffOut(bool Value);
    void SetXonXoffIn(bool Value);
    void SetDSRSensitivity(bool Value);
    void SetTxContinueOnXoff(bool Value);
    void SetXonChar(char Value);
    void SetXoffChar(char Value);
    // Sets RTS, CTS flow and XON/XOFF for a preset (fcCustom changes nothing) and always
    // re-applies.
    void SetFlowControl(TFlowControl Value);

private:
    template <typename T>
    void Change(T& Field, T Value);
    void Apply();

    TCustomComPort* FComPort = nullptr;
    bool FOutCTSFlow = false;
    bool FOutDSRFlow = false;
    TDTRFlowControl FControlDTR = dtrDisable;
    TRTSFlowControl FControlRTS = rtsDisable;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDSRSensitivity = false;
    bool FTxContinueOnXoff = false;
    char FXonChar = 17;
    char FXoffChar = 19;
};

class TComParity {
public:
    void AttachPort(TCustomComPort* Port) { FComPort = Port; }
    TCustomComPort* ComPort() const { return FComPort; }
    void AssignTo(TComParity& Dest) const;

    TParityBits Bits() const { return FBits; }
    bool Check() const { return FCheck; }
    bool Replace() const { return FReplace; }
    char ReplaceChar() const { return FReplaceChar; }
    void SetBits(TParityBits Value);
    void SetCheck(bool Value);
    void SetReplace(bool Value);
    void SetReplaceChar(char Value);

private:
    template <typename T>
    void Change(T& Field, T Value);

    TCustomComPort* FComPort = nullptr;
    TParityBits FBits = prNone;
    bool FCheck = false;
    bool FReplace = false;
    char FReplaceChar = 0;
};

class TComBuffer {
public:
    void AttachPort(TCustomComPort* Port) { FComPort = Port; }
    TCustomComPort* ComPort() const { return FComPort; }
    void AssignTo(TComBuffer& Dest) const;

    int32_t InputSize() const { return FInputSize; }
    int32_t OutputSize() const { return FOutputSize; }
    // A positive odd size is lowered by one.
    void SetInputSize(int32_t Value);
    void SetOutputSize(int32_t Value);

private:
    void Change(int32_t& Field, int32_t Value);

    TCustomComPort* FComPort = nullptr;
    int32_t FInputSize = 1024;
    int32_t FOutputSize = 1024;
};

// Handlers. Sender is the port.
using TComNotifyEvent = std::function<void(TCustomComPort* Sender)>;
using TRxCharEvent = std::function<void(TCustomComPort* Sender, int Count)>;
using TRxBufEvent = std::function<void(TCustomComPort* Sender, const uint8_t* Buffer, int Count)>;
using TComSignalEvent = std::function<void(TCustomComPort* Sender, bool OnOff)>;
using TComErrorEvent = std::function<void(TCustomComPort* Sender, TComErrors Errors)>;
using TComExceptionEvent = std::function<void(TCustomComPort* Sender, TComExceptions TComException,
                                              const std::string& ComportMessage, int64_t WinError,
                                              const std::string& WinMessage)>;

// A listener linked to a port; every callback is optional.
struct TComPortListener {
    std::function<void(bool OnOff)> OnConn;
    std::function<void(TCustomComPort* Sender, const uint8_t* Buffer, int Count)> OnRxBuf;
    std::function<void(TCustomComPort* Sender, const uint8_t* Buffer, int Count)> OnTxBuf;
    std::function<void()> OnTxEmpty;
    std::function<void()> OnRxFlag;
    std::function<void(bool OnOff)> OnCTS;
    std::function<void(bool OnOff)> OnDSR;
    std::function<void(bool OnOff)> OnRLSD;
    std::function<void()> OnRing;
    std::function<void(bool OnOff)> OnTx;  // sending active
    std::function<void(bool OnOff)> OnRx;  // receiving active
};

// Overlapped request of one read or write.
struct TComAsyncRequest {
    platform::OVERLAPPED Overlapped{};
    uint8_t Kind = 0;           // 0 write, 1 read
    std::vector<uint8_t> Data;  // private copy of the bytes of a write
    int32_t Size = 0;
};

class TCustomComPort {
public:
    TCustomComPort();
    virtual ~TCustomComPort();
    TCustomComPort(const TCustomComPort&) = delete;
    TCustomComPort& operator=(const TCustomComPort&) = delete;

    void Open();
    void Close();
    // Both block until done; a read that meets its time-out returns fewer bytes, maybe 0.
    int32_t Write(const void* Buffer, int32_t Count);
    int32_t Read(void* Buffer, int32_t Count);
    void PurgeBuffers(bool Input, bool Output);
    void AbortPending();
    int32_t BytesWaiting();
    TComSignals ModemSignals();
    // Clears the line errors in the driver.
    TComErrors LineErrors();

    virtual void SaveToIniFile(platform::TIniFile& IniFile);
    virtual void LoadFromIniFile(const platform::TIniFile& IniFile);
    virtual void SaveToRegistry(platform::RegKey& Reg);
    virtual void LoadFromRegistry(const platform::RegKey& Reg);

    // Properties.
    const std::string& Name() const { return FName; }  // the INI section
    void SetName(const std::string& Value) { FName = Value; }
    bool Connected() const { return FConnected; }
    void SetConnected(bool Value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate Value);
    int32_t CustomBaudRate() const { return FCustomBaudRate; }
    void SetCustomBaudRate(int32_t Value);
    const std::string& Port() const { return FPort; }
    void SetPort(const std::string& Value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits Value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits Value);
    bool DiscardNull() const { return FDiscardNull; }
    void SetDiscardNull(bool Value);
    char EventChar() const { return FEventChar; }
    void SetEventChar(char Value);
    // Read only by Open; writing it has no other effect.
    TComEvents Events() const { return FEvents; }
    void SetEvents(TComEvents Value) { FEvents = Value; }
    TComBuffer& Buffer() { return FBuffer; }
    void SetBuffer(const TComBuffer& Value);
    TComParity& Parity() { return FParity; }
    void SetParity(const TComParity& Value);
    TComTimeouts& Timeouts() { return FTimeouts; }
    void SetTimeouts(const TComTimeouts& Value);
    TComFlowControl& FlowControl() { return FFlowControl; }
    void SetFlowControl(const TComFlowControl& Value);
    TSyncMethod SyncMethod() const { return FSyncMethod; }
    // Refused with code 14 while the port is open.
    void SetSyncMethod(TSyncMethod Value);
    TStoredProps StoredProps() const { return FStoredProps; }
    void SetStoredProps(TStoredProps Value) { FStoredProps = Value; }
    uint32_t CodePage() const { return FCodePage; }
    void SetCodePage(uint32_t Value) { FCodePage = Value; }
    // False while a listener is linked, whatever was stored.
    bool TriggersOnRxChar() const;
    void SetTriggersOnRxChar(bool Value);
    platform::HANDLE Handle() const { return FHandle; }

    // The queue through which smThreadSync and smWindowSync hand events to the thread that
    // pumps it; the port's own unless another is set (while the port is closed).
    TComSyncQueue& SyncQueue() { return *FSyncQueue; }
    void SetSyncQueue(TComSyncQueue* Queue);

    // Linked listeners; the port does not own them.
    void AddListener(TComPortListener* Listener);
    void RemoveListener(TComPortListener* Listener);

    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TComNotifyEvent OnTxEmpty;
    TComNotifyEvent OnBreak;
    TComNotifyEvent OnRing;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TComErrorEvent OnError;
    TComNotifyEvent OnRxFlag;
    TComNotifyEvent OnAfterOpen;
    TComNotifyEvent OnAfterClose;
    TComNotifyEvent OnBeforeOpen;
    TComNotifyEvent OnBeforeClose;
    TComNotifyEvent OnRx80Full;
    // When assigned, errors go here instead of being raised, and the operation goes on.
    TComExceptionEvent OnException;

protected:
    friend class TComTimeouts;
    friend class TComFlowControl;
    friend class TComParity;
    friend class TComBuffer;
    friend class TComThread;

    virtual void OpenDevice();
    virtual void CloseDevice();
    virtual void ApplySettings();
    virtual void ApplyLineSettings();
    virtual void ApplyTimeoutSettings();
    virtual void ApplyBufferSizes();

    virtual void FireAfterClose();
    virtual void FireAfterOpen();
    virtual void FireBeforeClose();
    virtual void FireBeforeOpen();
    virtual void FireRxChar(int Count);
    virtual void FireRxBuf(const uint8_t* Buffer, int Count);
    virtual void FireTxEmpty();
    virtual void FireBreak();
    virtual void FireRing();
    virtual void FireRxFlag();
    virtual void FireCTSChange(bool OnOff);
    virtual void FireDSRChange(bool OnOff);
    virtual void FireError(TComErrors Errors);
    virtual void FireRLSDChange(bool OnOff);
    virtual void FireRx80Full();

    // Raises EComPort for error-table code Code, or hands it to OnException. WinError: the
    // Windows error, 0 for a refused setting, -24 for a port that is not open.
    void RaiseComError(int Code, int64_t WinError);

    // The handlers of the received events, in their fixed order; FireEvent runs one of them.
    void FireEvents(TComEvents Events);
    void FireEvent(TComEvent Event);

private:
    bool Applies() const { return FConnected; }
    template <typename T>
    void ChangeLineSetting(T& Field, T Value);
    std::unique_ptr<TComAsyncRequest, void (*)(TComAsyncRequest*)> NewAsyncRequest(uint8_t Kind);
    int32_t FinishAsync(TComAsyncRequest& Request);
    void CallBeforeOpen();
    void CallAfterOpen();
    void CallBeforeClose();
    void CallAfterClose();
    template <typename Callback, typename... Args>
    void TellListeners(Callback TComPortListener::*Member, Args... args);
    void FireSignalStep(TComSignal Signal);
    void FireRxCharStep();
    void SaveSettings(TComSettingsStore& Store);
    void LoadSettings(TComSettingsStore& Store);

    std::unique_ptr<TComThread> FEventThread;
    bool FThreadCreated = false;
    platform::HANDLE FHandle;
    std::vector<TComPortListener*> FListeners;
    bool FTriggersOnRxChar = true;
    bool FHasLink = false;
    bool FConnected = false;
    TBaudRate FBaudRate = br9600;
    int32_t FCustomBaudRate = 9600;
    std::string FPort = "COM1";
    TStopBits FStopBits = sbOneStopBit;
    TDataBits FDataBits = dbEight;
    bool FDiscardNull = false;
    char FEventChar = 0;
    TComEvents FEvents = kAllComEvents;
    TComBuffer FBuffer;
    TComParity FParity;
    TComTimeouts FTimeouts;
    TComFlowControl FFlowControl;
    TSyncMethod FSyncMethod = smThreadSync;
    TStoredProps FStoredProps = {spBasic};
    uint32_t FCodePage = 0;
    std::string FName;
    std::unique_ptr<TComSyncQueue> FOwnQueue;
    TComSyncQueue* FSyncQueue;
};

template <typename Callback, typename... Args>
void TCustomComPort::TellListeners(Callback TComPortListener::*Member, Args... args) {
    for (TComPortListener* listener : FListeners) {
        if (listener->*Member) {
            (listener->*Member)(args...);
        }
    }
}

// The published port; the serial device owns one.
class TComPort : public TCustomComPort {};
