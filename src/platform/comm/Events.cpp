// Event objects and waits. One lock and one condition variable serve every event: a process
// holds a handful of them, and a single lock makes waiting for any of several events simple.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "Clock.h"
#include "Comm.h"
#include "CommApi.h"
#include "CommErrors.h"

namespace platform {

namespace {

struct EventState {
    bool manualReset;
    bool signalled;
};

struct EventTable {
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<HANDLE, EventState> events;
};

EventTable& Events() {
    static EventTable table;
    return table;
}

bool CloseEvent(HANDLE handle) {
    EventTable& table = Events();
    std::lock_guard lock(table.mutex);
    if (table.events.erase(handle) == 0) {
        return false;
    }
    table.changed.notify_all();
    return true;
}

BOOL ChangeEvent(HANDLE handle, bool signalled) {
    EventTable& table = Events();
    std::lock_guard lock(table.mutex);
    auto found = table.events.find(handle);
    if (found == table.events.end()) {
        return FailWith(ERROR_INVALID_HANDLE);
    }
    found->second.signalled = signalled;
    if (signalled) {
        table.changed.notify_all();
    }
    return TRUE;
}

}  // namespace

HANDLE NewHandleValue() {
    // Multiples of four, like the system's, starting well above zero.
    static std::atomic<uintptr_t> next{0x1000};
    return reinterpret_cast<HANDLE>(next.fetch_add(4));
}

HANDLE CreateEventA(void* /*lpEventAttributes*/, BOOL bManualReset, BOOL bInitialState,
                    LPCSTR lpName) {
    if (lpName != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HANDLE handle = NewHandleValue();
    EventTable& table = Events();
    std::lock_guard lock(table.mutex);
    table.events[handle] = EventState{bManualReset != FALSE, bInitialState != FALSE};
    return handle;
}

BOOL SetEvent(HANDLE hEvent) {
    return ChangeEvent(hEvent, true);
}

BOOL ResetEvent(HANDLE hEvent) {
    return ChangeEvent(hEvent, false);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                             DWORD dwMilliseconds) {
    if (nCount == 0 || lpHandles == nullptr || bWaitAll != FALSE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    EventTable& table = Events();
    std::unique_lock lock(table.mutex);
    constexpr DWORD kNoneSignalled = WAIT_TIMEOUT;
    // The first signalled event (an auto-reset one is taken), or WAIT_FAILED.
    auto take = [&]() -> DWORD {
        for (DWORD i = 0; i < nCount; ++i) {
            auto found = table.events.find(lpHandles[i]);
            if (found == table.events.end()) {
                SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
            if (found->second.signalled) {
                if (!found->second.manualReset) {
                    found->second.signalled = false;
                }
                return WAIT_OBJECT_0 + i;
            }
        }
        return kNoneSignalled;
    };
    for (;;) {
        const DWORD result = take();
        if (result != kNoneSignalled) {
            return result;
        }
        if (dwMilliseconds == INFINITE) {
            table.changed.wait(lock);
        } else if (table.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            // An event may have been set just as the time ran out.
            return take();
        }
    }
}

BOOL CloseHandle(HANDLE hObject) {
    if (CloseEvent(hObject)) {
        return TRUE;
    }
    return CurrentCommApi().CloseHandle(hObject);
}

void Sleep(DWORD dwMilliseconds) {
    CurrentClock().SleepMs(dwMilliseconds);
}

}  // namespace platform
