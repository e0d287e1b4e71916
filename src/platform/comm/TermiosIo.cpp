// Reads and writes complete before they return, bounded by the COMMTIMEOUTS rules, and report
// through the OVERLAPPED record as a request that completed at once does on Windows.

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "Clock.h"
#include "CommErrors.h"
#include "ReadTimeouts.h"
#include "TermiosComm.h"

namespace platform {

namespace {

constexpr DWORD kPurgeFlags = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// Waits until the descriptor is ready for `events`, the time is over, or the handle is closed.
// Returns ERROR_SUCCESS (ready or time over) or the failure; hungUp tells of a line that is gone.
DWORD WaitReady(const TermiosPort& port, short events, std::optional<uint64_t> waitMs,
                bool& hungUp) {
    pollfd fds[2] = {{port.fd, events, 0}, {port.closeFd, POLLIN, 0}};
    const int timeout = waitMs ? static_cast<int>(std::min<uint64_t>(*waitMs, INT_MAX)) : -1;
    if (poll(fds, 2, timeout) < 0 && errno != EINTR) {
        return ErrorFromErrno(errno);
    }
    if (fds[1].revents != 0) {
        return ERROR_OPERATION_ABORTED;
    }
    // A line that hung up also reports itself readable, and its reads then give 0 bytes, which
    // with VMIN 0 look like an empty queue: the hang-up bit alone tells them apart.
    hungUp = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    return ERROR_SUCCESS;
}

BOOL Finish(OVERLAPPED* overlapped, DWORD* transferred, DWORD bytes) {
    if (transferred != nullptr) {
        *transferred = bytes;
    }
    if (overlapped != nullptr) {
        CompleteOverlapped(overlapped, ERROR_SUCCESS, bytes);
    }
    return TRUE;
}

}  // namespace

BOOL TermiosComm::ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                           DWORD* lpNumberOfBytesRead, OVERLAPPED* lpOverlapped) {
    std::shared_ptr<TermiosPort> port =
        Find(hFile, lpBuffer != nullptr || nNumberOfBytesToRead == 0);
    if (!port) {
        return FALSE;
    }
    const COMMTIMEOUTS timeouts = port->Timeouts();
    auto* buffer = static_cast<uint8_t*>(lpBuffer);
    Clock& clock = MonotonicClock();
    const uint64_t start = clock.NowMs();
    const ReadDeadline deadline(timeouts, nNumberOfBytesToRead, start);
    DWORD received = 0;
    uint64_t lastByte = start;
    DWORD error = ERROR_SUCCESS;
    bool hungUp = false;
    bool lastLook = false;
    for (;;) {
        if (received < nNumberOfBytesToRead) {
            const ssize_t count =
                ::read(port->fd, buffer + received, nNumberOfBytesToRead - received);
            if (count > 0) {
                received += static_cast<DWORD>(count);
                lastByte = clock.NowMs();
                continue;
            }
            if ((count < 0 && errno != EAGAIN && errno != EINTR) || hungUp) {
                error = count < 0 && errno != EIO ? ErrorFromErrno(errno) : ERROR_GEN_FAILURE;
                break;
            }
        }
        const std::optional<uint64_t> wait = deadline.WaitMs(clock.NowMs(), received, lastByte);
        if (wait == 0u) {
            // An empty read says nothing of the line; one look without waiting tells a quiet
            // line from one that is gone.
            if (received >= nNumberOfBytesToRead || lastLook) {
                break;
            }
            lastLook = true;
        }
        error = WaitReady(*port, POLLIN, wait, hungUp);
        if (error != ERROR_SUCCESS) {
            break;
        }
    }
    {
        std::lock_guard lock(port->mutex);
        port->rxSeen -= std::min(port->rxSeen, received);
    }
    // Bytes that came before a failure are handed over; the next read reports the failure.
    if (error != ERROR_SUCCESS && received == 0) {
        return FailWith(error);
    }
    return Finish(lpOverlapped, lpNumberOfBytesRead, received);
}

BOOL TermiosComm::WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                            DWORD* lpNumberOfBytesWritten, OVERLAPPED* lpOverlapped) {
    std::shared_ptr<TermiosPort> port =
        Find(hFile, lpBuffer != nullptr || nNumberOfBytesToWrite == 0);
    if (!port) {
        return FALSE;
    }
    const COMMTIMEOUTS timeouts = port->Timeouts();
    const auto* buffer = static_cast<const uint8_t*>(lpBuffer);
    Clock& clock = MonotonicClock();
    const uint64_t start = clock.NowMs();
    const std::optional<uint64_t> limit = WriteTimeLimitMs(timeouts, nNumberOfBytesToWrite);
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    bool hungUp = false;
    while (written < nNumberOfBytesToWrite) {
        const ssize_t count = ::write(port->fd, buffer + written, nNumberOfBytesToWrite - written);
        if (count > 0) {
            written += static_cast<DWORD>(count);
            continue;
        }
        if ((count < 0 && errno != EAGAIN && errno != EINTR) || hungUp) {
            error = count < 0 && errno != EIO ? ErrorFromErrno(errno) : ERROR_GEN_FAILURE;
            break;
        }
        std::optional<uint64_t> wait;
        if (limit) {
            const uint64_t elapsed = clock.NowMs() - start;
            if (elapsed >= *limit) {
                break;  // the write time-out: Windows completes with the bytes sent so far
            }
            wait = *limit - elapsed;
        }
        error = WaitReady(*port, POLLOUT, wait, hungUp);
        if (error != ERROR_SUCCESS) {
            break;
        }
    }
    if (written > 0) {
        std::lock_guard lock(port->mutex);
        port->txPending = true;
        if (port->pendingOverlapped != nullptr) {
            KickEventWorker(*port);
        }
    }
    if (error != ERROR_SUCCESS && written == 0) {
        return FailWith(error);
    }
    return Finish(lpOverlapped, lpNumberOfBytesWritten, written);
}

BOOL TermiosComm::PurgeComm(HANDLE hFile, DWORD dwFlags) {
    std::shared_ptr<TermiosPort> port = Find(hFile, (dwFlags & ~kPurgeFlags) == 0);
    if (!port) {
        return FALSE;
    }
    const bool input = (dwFlags & PURGE_RXCLEAR) != 0;
    const bool output = (dwFlags & PURGE_TXCLEAR) != 0;
    if (!input && !output) {
        return TRUE;  // nothing is ever left pending to abort
    }
    std::lock_guard lock(port->mutex);
    if (tcflush(port->fd, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH) != 0) {
        return FailWith(ErrorFromErrno(errno));
    }
    if (input) {
        port->rxSeen = 0;
    }
    return TRUE;
}

}  // namespace platform
