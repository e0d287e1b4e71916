// Line errors, modem lines and comm events. A port's pending WaitCommEvent is watched by a
// worker thread of its own, started with the first wait that cannot complete at once. It sleeps
// in poll on the line (for received bytes) and on the kick and close descriptors; what the
// kernel reports only as counters (modem-line changes, line errors) or as a queue count (the
// transmitter running empty) is sampled while such an event is awaited.

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "CommErrors.h"
#include "TermiosComm.h"

namespace platform {

namespace {

constexpr int kSampleMs = 10;
constexpr DWORD kCountedEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_ERR | EV_BREAK;

int QueuedInput(int fd) {
    int queued = 0;
    return ioctl(fd, FIONREAD, &queued) == 0 ? queued : 0;
}

bool OutputEmpty(int fd) {
    int queued = 0;
    return ioctl(fd, TIOCOUTQ, &queued) != 0 || queued == 0;
}

// The line errors counted between two readings, as CE_ bits.
DWORD ErrorsBetween(const LineCounters& before, const LineCounters& after) {
    if (!before.valid || !after.valid) {
        return 0;
    }
    DWORD errors = 0;
    errors |= after.frame != before.frame ? CE_FRAME : 0;
    errors |= after.overrun != before.overrun ? CE_OVERRUN : 0;
    errors |= after.parity != before.parity ? CE_RXPARITY : 0;
    errors |= after.brk != before.brk ? CE_BREAK : 0;
    errors |= after.bufOverrun != before.bufOverrun ? CE_RXOVER : 0;
    return errors;
}

// The events of the mask that happened since the last report; takes them as reported.
DWORD TakeEvents(TermiosPort& port) {
    const DWORD mask = port.eventMask;
    DWORD events = 0;
    const DWORD queued = static_cast<DWORD>(QueuedInput(port.fd));
    port.rxSeen = std::min(port.rxSeen, queued);
    if ((mask & EV_RXCHAR) && queued > port.rxSeen) {
        events |= EV_RXCHAR;
    }
    if ((mask & EV_TXEMPTY) && port.txPending && OutputEmpty(port.fd)) {
        events |= EV_TXEMPTY;
    }
    LineCounters now;
    if (mask & kCountedEvents) {
        now = ReadLineCounters(port.fd);
        const LineCounters& base = port.eventBase;
        if (now.valid && base.valid) {
            events |= now.cts != base.cts ? EV_CTS : 0;
            events |= now.dsr != base.dsr ? EV_DSR : 0;
            events |= now.dcd != base.dcd ? EV_RLSD : 0;
            events |= now.rng != base.rng ? EV_RING : 0;
            events |= now.brk != base.brk ? EV_BREAK : 0;
            events |= (ErrorsBetween(base, now) & ~CE_BREAK) != 0 ? EV_ERR : 0;
        }
    }
    events &= mask;
    if (events & EV_RXCHAR) {
        port.rxSeen = queued;
    }
    if (events & EV_TXEMPTY) {
        port.txPending = false;
    }
    if ((events & kCountedEvents) && now.valid) {
        port.eventBase = now;
    }
    return events;
}

// Whether the awaited events need sampling, beyond what poll reports.
bool NeedsSampling(const TermiosPort& port) {
    const DWORD mask = port.eventMask;
    return ((mask & EV_TXEMPTY) && port.txPending) ||
           ((mask & kCountedEvents) && port.eventBase.valid) ||
           ((mask & EV_RXCHAR) && port.rxSeen > 0);
}

void CompleteWait(TermiosPort& port, DWORD events, DWORD error) {
    *port.pendingMask = events;
    CompleteOverlapped(port.pendingOverlapped, error, 0);
    port.pendingMask = nullptr;
    port.pendingOverlapped = nullptr;
}

}  // namespace

LineCounters ReadLineCounters(int fd) {
    serial_icounter_struct counters{};
    LineCounters result;
    if (ioctl(fd, TIOCGICOUNT, &counters) != 0) {
        return result;
    }
    result.valid = true;
    result.cts = counters.cts;
    result.dsr = counters.dsr;
    result.rng = counters.rng;
    result.dcd = counters.dcd;
    result.frame = counters.frame;
    result.overrun = counters.overrun;
    result.parity = counters.parity;
    result.brk = counters.brk;
    result.bufOverrun = counters.buf_overrun;
    return result;
}

void KickEventWorker(const TermiosPort& port) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(port.kickFd, &one, sizeof one);
}

BOOL TermiosComm::ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) {
    std::shared_ptr<TermiosPort> port = Find(hFile);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    int queued = 0;
    if (ioctl(port->fd, FIONREAD, &queued) != 0) {
        return FailWith(ErrorFromErrno(errno));
    }
    const LineCounters now = ReadLineCounters(port->fd);
    const DWORD errors = ErrorsBetween(port->errorBase, now);
    port->errorBase = now;
    if (lpErrors != nullptr) {
        *lpErrors = errors;
    }
    if (lpStat != nullptr) {
        int outQueued = 0;
        ioctl(port->fd, TIOCOUTQ, &outQueued);
        *lpStat = COMSTAT{0, static_cast<DWORD>(queued), static_cast<DWORD>(outQueued)};
    }
    return TRUE;
}

BOOL TermiosComm::GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat) {
    std::shared_ptr<TermiosPort> port = Find(hFile, lpModemStat != nullptr);
    if (!port) {
        return FALSE;
    }
    int lines = 0;
    if (ioctl(port->fd, TIOCMGET, &lines) != 0) {
        if (errno != ENOTTY && errno != EINVAL) {
            return FailWith(ErrorFromErrno(errno));
        }
        lines = 0;  // no modem lines at all
    }
    *lpModemStat = ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
                   ((lines & TIOCM_RI) ? MS_RING_ON : 0) | ((lines & TIOCM_CD) ? MS_RLSD_ON : 0);
    return TRUE;
}

BOOL TermiosComm::SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
    std::shared_ptr<TermiosPort> port = Find(hFile);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    if (port->pendingOverlapped != nullptr) {
        CompleteWait(*port, 0, ERROR_SUCCESS);
    }
    port->eventMask = dwEvtMask;
    // Only what happens from now on is reported.
    port->rxSeen = static_cast<DWORD>(QueuedInput(port->fd));
    port->eventBase = ReadLineCounters(port->fd);
    return TRUE;
}

BOOL TermiosComm::WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, OVERLAPPED* lpOverlapped) {
    std::shared_ptr<TermiosPort> port =
        Find(hFile, lpEvtMask != nullptr && lpOverlapped != nullptr);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    if (port->pendingOverlapped != nullptr || port->stopping) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    if (const DWORD events = TakeEvents(*port); events != 0) {
        *lpEvtMask = events;
        CompleteOverlapped(lpOverlapped, ERROR_SUCCESS, 0);
        return TRUE;
    }
    *lpEvtMask = 0;
    StartOverlapped(lpOverlapped);
    port->pendingMask = lpEvtMask;
    port->pendingOverlapped = lpOverlapped;
    if (!port->worker.joinable()) {
        port->worker = std::thread(&TermiosComm::EventWorker, std::ref(*port));
    } else {
        KickEventWorker(*port);
    }
    return FailWith(ERROR_IO_PENDING);
}

void TermiosComm::EventWorker(TermiosPort& port) {
    std::unique_lock lock(port.mutex);
    bool hungUp = false;
    while (!port.stopping) {
        bool watchInput = false;
        int timeout = -1;
        if (port.pendingOverlapped != nullptr) {
            if (const DWORD events = TakeEvents(port); events != 0) {
                CompleteWait(port, events, ERROR_SUCCESS);
                continue;
            }
            // A line that hung up reports so for ever; it is not watched any more.
            watchInput = (port.eventMask & EV_RXCHAR) && port.rxSeen == 0 && !hungUp;
            timeout = NeedsSampling(port) ? kSampleMs : -1;
        }
        lock.unlock();
        pollfd fds[3] = {{port.kickFd, POLLIN, 0},
                         {port.closeFd, POLLIN, 0},
                         {watchInput ? port.fd : -1, POLLIN, 0}};
        poll(fds, 3, timeout);
        if (fds[0].revents != 0) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t got = ::read(port.kickFd, &count, sizeof count);
        }
        hungUp = hungUp || (fds[2].revents & (POLLHUP | POLLERR)) != 0;
        lock.lock();
    }
}

void TermiosComm::StopEventWorker(TermiosPort& port) {
    {
        std::lock_guard lock(port.mutex);
        port.stopping = true;
        if (port.pendingOverlapped != nullptr) {
            CompleteWait(port, 0, ERROR_OPERATION_ABORTED);
        }
    }
    KickEventWorker(port);
    if (port.worker.joinable()) {
        port.worker.join();
    }
}

}  // namespace platform
