#include "ComThread.h"
#include "Comm.h"

using namespace platform;

TComThread::TComThread(TCustomComPort* Port)
    : FComPort(Port),
      FStopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      FSender(std::make_shared<TComSyncQueue::TSender>()) {
    SetCommMask(FComPort->Handle(), ComEventsToMask(FComPort->Events()));  // failure ignored
    FThread = std::thread(&TComThread::Execute, this);
}

TComThread::~TComThread() {
    SetEvent(FStopEvent);
    // A thread waiting for the pumping thread (which may be this one) is let go; its work that
    // has not run yet never will.
    FComPort->SyncQueue().Withdraw(FSender);
    FThread.join();
    CloseHandle(FStopEvent);
}

void TComThread::Execute() {
    const HANDLE port = FComPort->Handle();
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    const HANDLE handles[2] = {FStopEvent, overlapped.hEvent};
    DWORD mask = 0;
    for (;;) {
        // A wait that fails to start would leave its event signalled and spin the loop.
        if (!WaitCommEvent(port, &mask, &overlapped) && GetLastError() != ERROR_IO_PENDING) {
            break;
        }
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            break;
        }
        DWORD unused = 0;
        if (GetOverlappedResult(port, &overlapped, &unused, FALSE)) {
            try {
                DispatchComMsg(MaskToComEvents(mask));
            } catch (...) {
                break;  // a handler failed on this thread, and nobody is there to hear of it
            }
        }
    }
    SetCommMask(port, 0);
    PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(overlapped.hEvent);
}

void TComThread::DispatchComMsg(TComEvents Events) {
    if (Events.Empty()) {
        return;
    }
    TCustomComPort* port = FComPort;
    switch (FComPort->SyncMethod()) {
        case smThreadSync:
            FComPort->SyncQueue().Send(FSender, [port, Events] { port->FireEvents(Events); });
            break;
        case smWindowSync:
            // One hand-over per event, in the order FireEvents keeps; the thread goes on at once.
            for (TComEvent event : kComEventOrder) {
                if (Events.Contains(event)) {
                    FComPort->SyncQueue().Post(FSender, [port, event] {
                        if (port->Connected()) {
                            port->FireEvent(event);
                        }
                    });
                }
            }
            break;
        case smNone:
            FComPort->FireEvents(Events);
            break;
    }
}
