#pragma once

// Private: the termios backend. Its calls are spread over files by concern: TermiosComm.cpp
// (handles, open and close, queue sizes, time-outs), TermiosIo.cpp (reads, writes, purges),
// DcbTermios.cpp (line settings), CommEvents.cpp (errors, modem lines, comm events).

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "CommApi.h"

namespace platform {

// The kernel's per-line counters of modem-line changes and line errors; a pseudo-terminal
// keeps none (valid false).
struct LineCounters {
    bool valid = false;
    int cts = 0, dsr = 0, rng = 0, dcd = 0;
    int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};
LineCounters ReadLineCounters(int fd);

// One open port. Calls hold it by shared pointer, so closing the handle on one thread never
// closes the descriptor under a read on another: the descriptor closes with the last holder.
struct TermiosPort {
    TermiosPort(int fd, int closeFd, int kickFd, std::string path);
    ~TermiosPort();
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    const int fd;
    const int closeFd;  // readable once the handle is closed: ends reads and the event wait
    const int kickFd;   // wakes the event worker when the wait or the mask changed
    const std::string path;

    COMMTIMEOUTS Timeouts() {
        std::lock_guard lock(mutex);
        return timeouts;
    }

    std::mutex mutex;
    DCB dcb{};
    COMMTIMEOUTS timeouts{};

    // Comm events, guarded by mutex.
    DWORD eventMask = 0;
    DWORD* pendingMask = nullptr;
    OVERLAPPED* pendingOverlapped = nullptr;
    DWORD rxSeen = 0;        // queued input already reported as EV_RXCHAR
    bool txPending = false;  // a write went out and EV_TXEMPTY is still due
    LineCounters eventBase;  // counters at the last event report
    LineCounters errorBase;  // counters at the last ClearCommError
    bool stopping = false;
    std::thread worker;
};

// Wakes the event worker of the port, after the wait or what it watches changed.
void KickEventWorker(const TermiosPort& port);

class TermiosComm : public CommApi {
public:
    HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       void* lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    BOOL CloseHandle(HANDLE hObject) override;
    BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) override;
    BOOL SetCommState(HANDLE hFile, DCB* lpDCB) override;
    BOOL GetCommState(HANDLE hFile, DCB* lpDCB) override;
    BOOL SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) override;
    BOOL GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) override;
    BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                  DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped) override;
    BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                   DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped) override;
    BOOL PurgeComm(HANDLE hFile, DWORD dwFlags) override;
    BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) override;
    BOOL GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat) override;
    BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask) override;
    BOOL WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, OVERLAPPED* lpOverlapped) override;
    std::vector<ComPortEntry> ListComPorts() override;

private:
    // The open port of a handle, or null with the last error set: ERROR_INVALID_HANDLE, or
    // ERROR_INVALID_PARAMETER when the call's arguments are not valid.
    std::shared_ptr<TermiosPort> Find(HANDLE handle, bool argumentsValid = true);
    static void EventWorker(TermiosPort& port);
    static void StopEventWorker(TermiosPort& port);

    std::mutex mutex_;
    std::map<HANDLE, std::shared_ptr<TermiosPort>> ports_;
    // Device paths open in this process; the kernel's exclusive mode does not hold for root.
    std::set<std::string> openPaths_;
};

}  // namespace platform
