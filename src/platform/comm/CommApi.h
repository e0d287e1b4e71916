#pragma once

// The backend behind the serial calls of Comm.h. The free functions forward to the current
// backend: the termios one, unless a test installed another with ScopedCommApi (FakeCommApi.h
// offers a simulated line). Event objects, waits, GetOverlappedResult and the last error are
// shared by every backend; CloseHandle reaches the backend for any handle that is not an event.

#include <vector>

#include "ComPorts.h"
#include "CommTypes.h"

namespace platform {

class CommApi {
public:
    virtual ~CommApi() = default;

    virtual HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               void* lpSecurityAttributes, DWORD dwCreationDisposition,
                               DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) = 0;
    virtual BOOL CloseHandle(HANDLE hObject) = 0;
    virtual BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) = 0;
    virtual BOOL SetCommState(HANDLE hFile, DCB* lpDCB) = 0;
    virtual BOOL GetCommState(HANDLE hFile, DCB* lpDCB) = 0;
    virtual BOOL SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) = 0;
    virtual BOOL GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) = 0;
    virtual BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                          DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped) = 0;
    virtual BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                           DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped) = 0;
    virtual BOOL PurgeComm(HANDLE hFile, DWORD dwFlags) = 0;
    virtual BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) = 0;
    virtual BOOL GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat) = 0;
    virtual BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask) = 0;
    virtual BOOL WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, OVERLAPPED* lpOverlapped) = 0;
    virtual std::vector<ComPortEntry> ListComPorts() = 0;
};

// The termios backend.
CommApi& TermiosCommApi();

// The backend in use: the termios one unless a test installed another.
CommApi& CurrentCommApi();

// Installs a backend for the lifetime of the guard and restores the previous one after it.
class ScopedCommApi {
public:
    explicit ScopedCommApi(CommApi& api);
    ~ScopedCommApi();
    ScopedCommApi(const ScopedCommApi&) = delete;
    ScopedCommApi& operator=(const ScopedCommApi&) = delete;

private:
    CommApi* previous_;
};

// A handle value for a backend's new object: never 0, never INVALID_HANDLE_VALUE, never reused
// within the process, never equal to an event's.
HANDLE NewHandleValue();

// Completion of an overlapped request, for backends: record the result and signal the event.
// Pass ERROR_SUCCESS for a request that succeeded.
void CompleteOverlapped(OVERLAPPED* lpOverlapped, DWORD dwError, DWORD dwBytes);
// Marks a request as running and resets its event; GetOverlappedResult then waits for it.
void StartOverlapped(OVERLAPPED* lpOverlapped);

}  // namespace platform
