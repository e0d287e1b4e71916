#pragma once

// The event thread of a port: waits for the line's events and delivers them by the port's
// SyncMethod. It exists from the end of Open to Close; destroying it stops it and waits.

#include <thread>

#include "MyCPort.h"

// The order in which received events are handled.
inline constexpr TComEvent kComEventOrder[] = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                               evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};

class TComThread {
public:
    explicit TComThread(TCustomComPort* Port);
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

private:
    void Execute();
    void DispatchComMsg(TComEvents Events);

    TCustomComPort* FComPort;
    platform::HANDLE FStopEvent;
    TComSyncQueue::TSenderPtr FSender;
    std::thread FThread;
};
