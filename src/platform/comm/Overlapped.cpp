// Overlapped results. The status word is written last and read first, with release and acquire,
// so a request completed on one thread is read whole on another.

#include <atomic>

#include "Comm.h"
#include "CommApi.h"
#include "CommErrors.h"

namespace platform {

namespace {

std::atomic_ref<ULONG_PTR> Status(OVERLAPPED* overlapped) {
    return std::atomic_ref<ULONG_PTR>(overlapped->Internal);
}

}  // namespace

void StartOverlapped(OVERLAPPED* lpOverlapped) {
    lpOverlapped->InternalHigh = 0;
    Status(lpOverlapped).store(STATUS_PENDING, std::memory_order_release);
    if (lpOverlapped->hEvent != nullptr) {
        ResetEvent(lpOverlapped->hEvent);
    }
}

void CompleteOverlapped(OVERLAPPED* lpOverlapped, DWORD dwError, DWORD dwBytes) {
    lpOverlapped->InternalHigh = dwBytes;
    Status(lpOverlapped).store(dwError, std::memory_order_release);
    if (lpOverlapped->hEvent != nullptr) {
        SetEvent(lpOverlapped->hEvent);
    }
}

BOOL GetOverlappedResult(HANDLE /*hFile*/, OVERLAPPED* lpOverlapped,
                         DWORD* lpNumberOfBytesTransferred, BOOL bWait) {
    if (lpOverlapped == nullptr) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    ULONG_PTR status = Status(lpOverlapped).load(std::memory_order_acquire);
    if (status == STATUS_PENDING) {
        if (bWait == FALSE || lpOverlapped->hEvent == nullptr) {
            return FailWith(ERROR_IO_INCOMPLETE);
        }
        if (WaitForSingleObject(lpOverlapped->hEvent, INFINITE) != WAIT_OBJECT_0) {
            return FALSE;
        }
        status = Status(lpOverlapped).load(std::memory_order_acquire);
        if (status == STATUS_PENDING) {
            return FailWith(ERROR_IO_INCOMPLETE);
        }
    }
    if (lpNumberOfBytesTransferred != nullptr) {
        *lpNumberOfBytesTransferred = static_cast<DWORD>(lpOverlapped->InternalHigh);
    }
    if (status != ERROR_SUCCESS) {
        return FailWith(static_cast<DWORD>(status));
    }
    return TRUE;
}

}  // namespace platform
