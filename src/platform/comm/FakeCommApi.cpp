#include "FakeCommApi.h"

#include <algorithm>
#include <limits>

#include "Clock.h"
#include "Comm.h"
#include "CommErrors.h"
#include "DcbRules.h"
#include "ReadTimeouts.h"

namespace platform {

namespace {

uint32_t SleepSpan(uint64_t ms) {
    return static_cast<uint32_t>(std::min<uint64_t>(ms, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

FakeCommApi::FakeCommApi() = default;

FakeCommApi::~FakeCommApi() {
    std::lock_guard lock(mutex_);
    CompletePendingWait(0, ERROR_OPERATION_ABORTED);
}

void FakeCommApi::PeerSends(Bytes bytes, uint64_t afterMs) {
    PeerSendsAt(std::move(bytes), CurrentClock().NowMs() + afterMs);
}

void FakeCommApi::PeerSendsAt(Bytes bytes, uint64_t atMs) {
    std::lock_guard lock(mutex_);
    for (uint8_t byte : bytes) {
        arrivals_.emplace(atMs, byte);
    }
}

void FakeCommApi::OnWrite(std::function<void(const Bytes& written)> hook) {
    std::lock_guard lock(mutex_);
    writeHook_ = std::move(hook);
}

void FakeCommApi::FailNext(Call call, DWORD error, int times) {
    std::lock_guard lock(mutex_);
    failures_[call].insert(failures_[call].end(), times, error);
}

void FakeCommApi::SetModemStatus(DWORD modemStatus) {
    std::lock_guard lock(mutex_);
    modemStatus_ = modemStatus;
}

void FakeCommApi::RaiseLineErrors(DWORD errors) {
    std::lock_guard lock(mutex_);
    lineErrors_ |= errors;
}

void FakeCommApi::RaiseCommEvent(DWORD events) {
    std::lock_guard lock(mutex_);
    raisedEvents_ |= events;
    if (pendingOverlapped_ != nullptr && (raisedEvents_ & eventMask_) != 0) {
        CompletePendingWait(raisedEvents_ & eventMask_, ERROR_SUCCESS);
        raisedEvents_ &= ~eventMask_;
    }
}

void FakeCommApi::SetComPorts(std::vector<ComPortEntry> ports) {
    std::lock_guard lock(mutex_);
    ports_ = std::move(ports);
}

bool FakeCommApi::IsOpen() const {
    std::lock_guard lock(mutex_);
    return handle_ != nullptr;
}

std::vector<std::string> FakeCommApi::OpenedNames() const {
    std::lock_guard lock(mutex_);
    return openedNames_;
}

std::vector<FakeCommApi::Bytes> FakeCommApi::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::vector<DCB> FakeCommApi::CommStates() const {
    std::lock_guard lock(mutex_);
    return commStates_;
}

std::vector<COMMTIMEOUTS> FakeCommApi::CommTimeouts() const {
    std::lock_guard lock(mutex_);
    return commTimeouts_;
}

std::vector<std::pair<DWORD, DWORD>> FakeCommApi::QueueSizes() const {
    std::lock_guard lock(mutex_);
    return queueSizes_;
}

std::vector<DWORD> FakeCommApi::Purges() const {
    std::lock_guard lock(mutex_);
    return purges_;
}

size_t FakeCommApi::BytesNotRead() const {
    std::lock_guard lock(mutex_);
    return arrivals_.size();
}

bool FakeCommApi::Admit(Call call, HANDLE handle) {
    if (call != Call::CreateFile && (handle_ == nullptr || handle != handle_)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    std::deque<DWORD>& failures = failures_[call];
    if (!failures.empty()) {
        SetLastError(failures.front());
        failures.pop_front();
        return false;
    }
    return true;
}

DWORD FakeCommApi::TakeArrived(uint8_t* out, DWORD count, uint64_t nowMs) {
    DWORD taken = 0;
    while (taken < count && !arrivals_.empty() && arrivals_.begin()->first <= nowMs) {
        out[taken++] = arrivals_.begin()->second;
        arrivals_.erase(arrivals_.begin());
    }
    return taken;
}

void FakeCommApi::CompletePendingWait(DWORD events, DWORD error) {
    if (pendingOverlapped_ == nullptr) {
        return;
    }
    *pendingMask_ = events;
    CompleteOverlapped(pendingOverlapped_, error, 0);
    pendingMask_ = nullptr;
    pendingOverlapped_ = nullptr;
}

HANDLE FakeCommApi::CreateFileA(LPCSTR lpFileName, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::CreateFile, nullptr)) {
        return INVALID_HANDLE_VALUE;
    }
    if (handle_ != nullptr) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    openedNames_.push_back(lpFileName != nullptr ? lpFileName : "");
    handle_ = NewHandleValue();
    return handle_;
}

BOOL FakeCommApi::CloseHandle(HANDLE hObject) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::CloseHandle, hObject)) {
        return FALSE;
    }
    CompletePendingWait(0, ERROR_OPERATION_ABORTED);
    handle_ = nullptr;
    return TRUE;
}

BOOL FakeCommApi::SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::SetupComm, hFile)) {
        return FALSE;
    }
    queueSizes_.emplace_back(dwInQueue, dwOutQueue);
    return TRUE;
}

BOOL FakeCommApi::SetCommState(HANDLE hFile, DCB* lpDCB) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::SetCommState, hFile)) {
        return FALSE;
    }
    if (lpDCB == nullptr || !DcbIsValid(*lpDCB)) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    commStates_.push_back(*lpDCB);
    dcb_ = *lpDCB;
    return TRUE;
}

BOOL FakeCommApi::GetCommState(HANDLE hFile, DCB* lpDCB) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::GetCommState, hFile)) {
        return FALSE;
    }
    *lpDCB = dcb_;
    return TRUE;
}

BOOL FakeCommApi::SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::SetCommTimeouts, hFile)) {
        return FALSE;
    }
    commTimeouts_.push_back(*lpCommTimeouts);
    timeouts_ = *lpCommTimeouts;
    return TRUE;
}

BOOL FakeCommApi::GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::GetCommTimeouts, hFile)) {
        return FALSE;
    }
    *lpCommTimeouts = timeouts_;
    return TRUE;
}

BOOL FakeCommApi::ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                           DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped) {
    COMMTIMEOUTS timeouts;
    {
        std::lock_guard lock(mutex_);
        if (!Admit(Call::ReadFile, hFile)) {
            return FALSE;
        }
        timeouts = timeouts_;
    }
    auto* buffer = static_cast<uint8_t*>(lpBuffer);
    Clock& clock = CurrentClock();
    const ReadDeadline deadline(timeouts, nNumberOfBytesToRead, clock.NowMs());
    DWORD received = 0;
    uint64_t lastByte = 0;
    for (;;) {
        const uint64_t now = clock.NowMs();
        std::optional<uint64_t> nextArrival;
        {
            std::lock_guard lock(mutex_);
            const DWORD taken =
                TakeArrived(buffer + received, nNumberOfBytesToRead - received, now);
            if (taken > 0) {
                received += taken;
                lastByte = now;
            }
            if (!arrivals_.empty()) {
                nextArrival = arrivals_.begin()->first;
            }
        }
        const std::optional<uint64_t> wait = deadline.WaitMs(now, received, lastByte);
        if (wait == 0u) {
            break;
        }
        if (nextArrival && (!wait || *nextArrival - now <= *wait)) {
            clock.SleepMs(SleepSpan(*nextArrival - now));
        } else if (wait) {
            clock.SleepMs(SleepSpan(*wait));
        } else if (received == 0) {
            return FailWith(ERROR_SEM_TIMEOUT);  // would wait for ever
        } else {
            break;
        }
    }
    if (lpNumberOfBytesRead != nullptr) {
        *lpNumberOfBytesRead = received;
    }
    if (lpOverlapped != nullptr) {
        CompleteOverlapped(lpOverlapped, ERROR_SUCCESS, received);
    }
    return TRUE;
}

BOOL FakeCommApi::WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                            DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped) {
    const auto* bytes = static_cast<const uint8_t*>(lpBuffer);
    Bytes written(bytes, bytes + nNumberOfBytesToWrite);
    std::function<void(const Bytes&)> hook;
    {
        std::lock_guard lock(mutex_);
        if (!Admit(Call::WriteFile, hFile)) {
            return FALSE;
        }
        written_.push_back(written);
        hook = writeHook_;
    }
    if (hook) {
        hook(written);
    }
    if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    }
    if (lpOverlapped != nullptr) {
        CompleteOverlapped(lpOverlapped, ERROR_SUCCESS, nNumberOfBytesToWrite);
    }
    return TRUE;
}

BOOL FakeCommApi::PurgeComm(HANDLE hFile, DWORD dwFlags) {
    const uint64_t now = CurrentClock().NowMs();
    std::lock_guard lock(mutex_);
    if (!Admit(Call::PurgeComm, hFile)) {
        return FALSE;
    }
    purges_.push_back(dwFlags);
    if (dwFlags & PURGE_RXCLEAR) {
        arrivals_.erase(arrivals_.begin(), arrivals_.upper_bound(now));
    }
    return TRUE;
}

BOOL FakeCommApi::ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) {
    const uint64_t now = CurrentClock().NowMs();
    std::lock_guard lock(mutex_);
    if (!Admit(Call::ClearCommError, hFile)) {
        return FALSE;
    }
    if (lpErrors != nullptr) {
        *lpErrors = lineErrors_;
    }
    lineErrors_ = 0;
    if (lpStat != nullptr) {
        const auto arrived = std::distance(arrivals_.begin(), arrivals_.upper_bound(now));
        *lpStat = COMSTAT{0, static_cast<DWORD>(arrived), 0};
    }
    return TRUE;
}

BOOL FakeCommApi::GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::GetCommModemStatus, hFile)) {
        return FALSE;
    }
    *lpModemStat = modemStatus_;
    return TRUE;
}

BOOL FakeCommApi::SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::SetCommMask, hFile)) {
        return FALSE;
    }
    CompletePendingWait(0, ERROR_SUCCESS);
    eventMask_ = dwEvtMask;
    return TRUE;
}

BOOL FakeCommApi::WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, OVERLAPPED* lpOverlapped) {
    std::lock_guard lock(mutex_);
    if (!Admit(Call::WaitCommEvent, hFile)) {
        return FALSE;
    }
    if (lpEvtMask == nullptr || lpOverlapped == nullptr || pendingOverlapped_ != nullptr) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    if (const DWORD events = raisedEvents_ & eventMask_; events != 0) {
        raisedEvents_ &= ~eventMask_;
        *lpEvtMask = events;
        CompleteOverlapped(lpOverlapped, ERROR_SUCCESS, 0);
        return TRUE;
    }
    *lpEvtMask = 0;
    StartOverlapped(lpOverlapped);
    pendingMask_ = lpEvtMask;
    pendingOverlapped_ = lpOverlapped;
    return FailWith(ERROR_IO_PENDING);
}

std::vector<ComPortEntry> FakeCommApi::ListComPorts() {
    std::lock_guard lock(mutex_);
    return ports_;
}

}  // namespace platform
