// The free serial calls forward to the backend in use.

#include "CommApi.h"

#include <atomic>

#include "Comm.h"

namespace platform {

namespace {

std::atomic<CommApi*> g_current{nullptr};

}  // namespace

CommApi& CurrentCommApi() {
    CommApi* api = g_current.load();
    return api != nullptr ? *api : TermiosCommApi();
}

ScopedCommApi::ScopedCommApi(CommApi& api) : previous_(g_current.exchange(&api)) {}

ScopedCommApi::~ScopedCommApi() {
    g_current.store(previous_);
}

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   void* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    return CurrentCommApi().CreateFileA(lpFileName, dwDesiredAccess, dwShareMode,
                                        lpSecurityAttributes, dwCreationDisposition,
                                        dwFlagsAndAttributes, hTemplateFile);
}

BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) {
    return CurrentCommApi().SetupComm(hFile, dwInQueue, dwOutQueue);
}

BOOL SetCommState(HANDLE hFile, DCB* lpDCB) {
    return CurrentCommApi().SetCommState(hFile, lpDCB);
}

BOOL GetCommState(HANDLE hFile, DCB* lpDCB) {
    return CurrentCommApi().GetCommState(hFile, lpDCB);
}

BOOL SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    return CurrentCommApi().SetCommTimeouts(hFile, lpCommTimeouts);
}

BOOL GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    return CurrentCommApi().GetCommTimeouts(hFile, lpCommTimeouts);
}

BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              OVERLAPPED* lpOverlapped) {
    return CurrentCommApi().ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                                     lpOverlapped);
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped) {
    return CurrentCommApi().WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite,
                                      lpNumberOfBytesWritten, lpOverlapped);
}

BOOL PurgeComm(HANDLE hFile, DWORD dwFlags) {
    return CurrentCommApi().PurgeComm(hFile, dwFlags);
}

BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) {
    return CurrentCommApi().ClearCommError(hFile, lpErrors, lpStat);
}

BOOL GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat) {
    return CurrentCommApi().GetCommModemStatus(hFile, lpModemStat);
}

BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
    return CurrentCommApi().SetCommMask(hFile, dwEvtMask);
}

BOOL WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, OVERLAPPED* lpOverlapped) {
    return CurrentCommApi().WaitCommEvent(hFile, lpEvtMask, lpOverlapped);
}

std::vector<ComPortEntry> ListComPorts() {
    return CurrentCommApi().ListComPorts();
}

}  // namespace platform
