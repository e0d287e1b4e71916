#pragma once

// A simulated serial line for tests, behind the serial calls of Comm.h.
//
//     platform::SimulatedClock clock;
//     platform::ScopedClock useClock(clock);
//     platform::FakeCommApi line;
//     platform::ScopedCommApi useLine(line);
//     line.OnWrite([&](const FakeCommApi::Bytes& request) {
//         line.PeerSends({0x16}, 60);                  // busy 60 ms after the request
//         line.PeerSends(AnswerTo(request), 400);      // then the answer
//     });
//
// One port: CreateFileA opens it under any name (a second open fails with
// ERROR_ACCESS_DENIED while it is open). Reads follow the COMMTIMEOUTS rules on the current
// clock (platform::CurrentClock): a read takes the bytes that have arrived, and when it has to
// wait it sleeps on that clock until the next scripted arrival or its time-out, whichever comes
// first, so a simulated clock moves by exactly the time a real line would take. A read that
// would wait for ever (no time-out, nothing more scripted) fails with ERROR_SEM_TIMEOUT instead
// of hanging the test. Writes complete at once and take no time.
//
// The peer is scripted: PeerSends queues bytes to arrive a given time from now, PeerSendsAt at a
// given clock time, and the OnWrite hook sees every written buffer (after it was recorded), so
// a test can answer a request as it goes out. Silence is simply no answer.
//
// Every call can be made to fail (FailNext), and what reached SetCommState, SetCommTimeouts,
// SetupComm and PurgeComm is recorded, as are the written buffers and the opened names.
// WaitCommEvent completes when RaiseCommEvent names an event of the mask (or when the event was
// raised before the wait). All members may be called from any thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "CommApi.h"

namespace platform {

class FakeCommApi : public CommApi {
public:
    using Bytes = std::vector<uint8_t>;
    enum class Call {
        CreateFile,
        CloseHandle,
        SetupComm,
        SetCommState,
        GetCommState,
        SetCommTimeouts,
        GetCommTimeouts,
        ReadFile,
        WriteFile,
        PurgeComm,
        ClearCommError,
        GetCommModemStatus,
        SetCommMask,
        WaitCommEvent,
    };

    FakeCommApi();
    ~FakeCommApi() override;

    // The peer.
    void PeerSends(Bytes bytes, uint64_t afterMs = 0);
    void PeerSendsAt(Bytes bytes, uint64_t atMs);
    void OnWrite(std::function<void(const Bytes& written)> hook);

    // The line.
    void FailNext(Call call, DWORD error, int times = 1);
    void SetModemStatus(DWORD modemStatus);             // MS_ bits; all lines off at first
    void RaiseLineErrors(DWORD errors);                 // CE_ bits, reported once by ClearCommError
    void RaiseCommEvent(DWORD events);                  // EV_ bits
    void SetComPorts(std::vector<ComPortEntry> ports);  // what ListComPorts returns

    // What happened.
    bool IsOpen() const;
    std::vector<std::string> OpenedNames() const;
    std::vector<Bytes> Written() const;
    std::vector<DCB> CommStates() const;
    std::vector<COMMTIMEOUTS> CommTimeouts() const;
    std::vector<std::pair<DWORD, DWORD>> QueueSizes() const;
    std::vector<DWORD> Purges() const;
    size_t BytesNotRead() const;  // arrived or still to arrive

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
    // Under mutex_: false with the last error set when the handle is not the open port or the
    // call was told to fail.
    bool Admit(Call call, HANDLE handle);
    // Under mutex_: moves up to `count` arrived bytes into `out`.
    DWORD TakeArrived(uint8_t* out, DWORD count, uint64_t nowMs);
    void CompletePendingWait(DWORD events, DWORD error);

    mutable std::mutex mutex_;
    HANDLE handle_ = nullptr;
    std::multimap<uint64_t, uint8_t> arrivals_;  // by arrival time, then in order sent
    std::function<void(const Bytes&)> writeHook_;
    std::map<Call, std::deque<DWORD>> failures_;
    DWORD modemStatus_ = 0;
    DWORD lineErrors_ = 0;
    DWORD raisedEvents_ = 0;
    DWORD eventMask_ = 0;
    DWORD* pendingMask_ = nullptr;
    OVERLAPPED* pendingOverlapped_ = nullptr;
    DCB dcb_{};
    COMMTIMEOUTS timeouts_{};
    std::vector<ComPortEntry> ports_;
    std::vector<std::string> openedNames_;
    std::vector<Bytes> written_;
    std::vector<DCB> commStates_;
    std::vector<COMMTIMEOUTS> commTimeouts_;
    std::vector<std::pair<DWORD, DWORD>> queueSizes_;
    std::vector<DWORD> purges_;
};

}  // namespace platform
