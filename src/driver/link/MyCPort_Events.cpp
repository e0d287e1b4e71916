// Notifications: the firers, the linked listeners, the open and close notifications and the
// handling of the events the event thread received.

#include <algorithm>

#include "ComThread.h"
#include "MyCPort.h"

void TCustomComPort::AddListener(TComPortListener* Listener) {
    if (std::find(FListeners.begin(), FListeners.end(), Listener) == FListeners.end()) {
        FListeners.push_back(Listener);
    }
    FHasLink = !FListeners.empty();
}

void TCustomComPort::RemoveListener(TComPortListener* Listener) {
    std::erase(FListeners, Listener);
    FHasLink = !FListeners.empty();
}

bool TCustomComPort::TriggersOnRxChar() const {
    return FTriggersOnRxChar && !FHasLink;
}

void TCustomComPort::SetTriggersOnRxChar(bool Value) {
    if (FHasLink) {
        RaiseComError(22, 0);
    }
    FTriggersOnRxChar = Value;
}

namespace {

template <typename Handler, typename... Args>
void Fire(const Handler& handler, Args... args) {
    if (handler) {
        handler(args...);
    }
}

}  // namespace

void TCustomComPort::FireAfterClose() {
    Fire(OnAfterClose, this);
}
void TCustomComPort::FireAfterOpen() {
    Fire(OnAfterOpen, this);
}
void TCustomComPort::FireBeforeClose() {
    Fire(OnBeforeClose, this);
}
void TCustomComPort::FireBeforeOpen() {
    Fire(OnBeforeOpen, this);
}
void TCustomComPort::FireRxChar(int Count) {
    Fire(OnRxChar, this, Count);
}
void TCustomComPort::FireRxBuf(const uint8_t* Buffer, int Count) {
    Fire(OnRxBuf, this, Buffer, Count);
}
void TCustomComPort::FireTxEmpty() {
    Fire(OnTxEmpty, this);
}
void TCustomComPort::FireBreak() {
    Fire(OnBreak, this);
}
void TCustomComPort::FireRing() {
    Fire(OnRing, this);
}
void TCustomComPort::FireRxFlag() {
    Fire(OnRxFlag, this);
}
void TCustomComPort::FireCTSChange(bool OnOff) {
    Fire(OnCTSChange, this, OnOff);
}
void TCustomComPort::FireDSRChange(bool OnOff) {
    Fire(OnDSRChange, this, OnOff);
}
void TCustomComPort::FireError(TComErrors Errors) {
    Fire(OnError, this, Errors);
}
void TCustomComPort::FireRLSDChange(bool OnOff) {
    Fire(OnRLSDChange, this, OnOff);
}
void TCustomComPort::FireRx80Full() {
    Fire(OnRx80Full, this);
}

void TCustomComPort::CallBeforeOpen() {
    FireBeforeOpen();
}

void TCustomComPort::CallAfterOpen() {
    TellListeners(&TComPortListener::OnConn, true);
    FireAfterOpen();
    FireSignalStep(csCTS);
    FireSignalStep(csDSR);
    FireSignalStep(csRLSD);
}

void TCustomComPort::CallBeforeClose() {
    TellListeners(&TComPortListener::OnCTS, false);
    TellListeners(&TComPortListener::OnDSR, false);
    TellListeners(&TComPortListener::OnRLSD, false);
    FireCTSChange(false);
    FireDSRChange(false);
    FireRLSDChange(false);
    FireBeforeClose();
}

void TCustomComPort::CallAfterClose() {
    TellListeners(&TComPortListener::OnConn, false);
    FireAfterClose();
}

void TCustomComPort::FireSignalStep(TComSignal Signal) {
    const bool on = ModemSignals().Contains(Signal);
    switch (Signal) {
        case csCTS:
            TellListeners(&TComPortListener::OnCTS, on);
            FireCTSChange(on);
            break;
        case csDSR:
            TellListeners(&TComPortListener::OnDSR, on);
            FireDSRChange(on);
            break;
        case csRLSD:
            TellListeners(&TComPortListener::OnRLSD, on);
            FireRLSDChange(on);
            break;
        case csRing:
            break;
    }
}

void TCustomComPort::FireRxCharStep() {
    int count = BytesWaiting();
    if (count <= 0) {
        return;
    }
    TellListeners(&TComPortListener::OnRx, true);
    std::vector<uint8_t> buffer;
    bool read = false;
    // Reads the waiting bytes once and hands them to OnRxBuf; a read cut short by the port's
    // time-outs hands over only the bytes that came.
    auto readOnce = [&] {
        if (!read) {
            read = true;
            buffer.resize(count);
            buffer.resize(Read(buffer.data(), count));
            FireRxBuf(buffer.data(), static_cast<int>(buffer.size()));
        }
    };
    if (!TriggersOnRxChar()) {
        for (TComPortListener* listener : std::vector<TComPortListener*>(FListeners)) {
            if (listener->OnRxBuf) {
                readOnce();
                listener->OnRxBuf(this, buffer.data(), static_cast<int>(buffer.size()));
            }
        }
        if (!FTriggersOnRxChar) {
            readOnce();
        }
    }
    if (!read) {
        FireRxChar(count);
    }
}

void TCustomComPort::FireEvent(TComEvent Event) {
    switch (Event) {
        case evError:
            if (const TComErrors errors = LineErrors(); !errors.Empty()) {
                FireError(errors);
            }
            break;
        case evRxChar:
            FireRxCharStep();
            break;
        case evTxEmpty:
            TellListeners(&TComPortListener::OnTx, false);
            TellListeners(&TComPortListener::OnTxEmpty);
            FireTxEmpty();
            break;
        case evBreak:
            FireBreak();
            break;
        case evRing:
            TellListeners(&TComPortListener::OnRing);
            FireRing();
            break;
        case evCTS:
            FireSignalStep(csCTS);
            break;
        case evDSR:
            FireSignalStep(csDSR);
            break;
        case evRxFlag:
            TellListeners(&TComPortListener::OnRxFlag);
            FireRxFlag();
            break;
        case evRLSD:
            FireSignalStep(csRLSD);
            break;
        case evRx80Full:
            FireRx80Full();
            break;
    }
}

void TCustomComPort::FireEvents(TComEvents Events) {
    for (TComEvent event : kComEventOrder) {
        if (Events.Contains(event)) {
            FireEvent(event);
        }
    }
}
