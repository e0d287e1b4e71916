#pragma once

// The Win32 serial calls, on termios and poll. A port is opened as "\\.\COMn" (or "COMn"); the
// name is mapped to a device path as ComPorts.h describes. Every port is opened exclusively and
// in raw mode. Reads and writes complete before they return, but report through the OVERLAPPED
// record and its event as on Windows; WaitCommEvent is truly overlapped. Failures set the
// thread's last error to a Windows error number (SystemErrorMessage gives its text).

#include <string>

#include "ComPorts.h"
#include "CommTypes.h"

namespace platform {

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   void* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// Closes a port or an event. Closing a port ends its pending WaitCommEvent with
// ERROR_OPERATION_ABORTED and a read that runs on another thread.
BOOL CloseHandle(HANDLE hObject);

// Accepted for an open port; the kernel's queues keep their own size.
BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue);
// One termios update for the whole record. Refused with ERROR_INVALID_PARAMETER: a speed of 0
// or above 0x7FFFFFFF, sizes other than 5 to 8, stop bits the line cannot make, and switches
// that Linux has no counterpart for (DSR flow control and sensitivity, DTR handshake, RTS
// toggle, NUL stripping, parity error replacement, a clear fBinary).
BOOL SetCommState(HANDLE hFile, DCB* lpDCB);
BOOL GetCommState(HANDLE hFile, DCB* lpDCB);
BOOL SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts);
BOOL GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts);

BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              OVERLAPPED* lpOverlapped);
BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped);
BOOL GetOverlappedResult(HANDLE hFile, OVERLAPPED* lpOverlapped, DWORD* lpNumberOfBytesTransferred,
                         BOOL bWait);

// PURGE_TXCLEAR and PURGE_RXCLEAR empty the queues; the abort flags succeed at once, since no
// read or write is ever left pending; 0 does nothing.
BOOL PurgeComm(HANDLE hFile, DWORD dwFlags);
// Line errors (CE_...) since the last call, and the queue counts. Where the line keeps no error
// counters (a pseudo-terminal), no error bit is ever set.
BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat);
// A line without modem lines (a pseudo-terminal) reports every line off.
BOOL GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat);

// Changing the mask ends a pending WaitCommEvent with an empty event mask.
BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask);
// Reported: EV_RXCHAR (new bytes since the last report), EV_TXEMPTY (after a write), and where
// the line keeps counters, EV_ERR, EV_BREAK, EV_CTS, EV_DSR, EV_RLSD and EV_RING.
BOOL WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, OVERLAPPED* lpOverlapped);

// Event objects. Named events are not supported (ERROR_NOT_SUPPORTED).
HANDLE CreateEventA(void* lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// Waits for any one of the events; waiting for all of them is not supported.
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                             DWORD dwMilliseconds);

// Sleeps on the current clock (platform::CurrentClock), so simulated time moves in tests.
void Sleep(DWORD dwMilliseconds);

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
// The system's text for a Windows error number, without a trailing line break; empty for a
// number the system has no text for.
std::string SystemErrorMessage(DWORD dwErrCode);

}  // namespace platform
