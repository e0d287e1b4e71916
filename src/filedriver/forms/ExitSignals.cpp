#include "ExitSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t gWriteSocket = -1;

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full socket already holds a wake-up; the byte is not needed then.
    [[maybe_unused]] const ssize_t written = ::write(gWriteSocket, &byte, 1);
    errno = saved;
}

}  // namespace

TExitSignals::TExitSignals(QObject* Parent) : QObject(Parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, FSockets.data()) !=
        0) {
        return;
    }
    gWriteSocket = FSockets[0];
    FNotifier = new QSocketNotifier(FSockets[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TExitSignals::Drain);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &FPrevious[i]);
    }
}

TExitSignals::~TExitSignals() {
    if (FNotifier != nullptr) {
        for (size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &FPrevious[i], nullptr);
        }
        // Before its socket is closed.
        delete FNotifier;
    }
    gWriteSocket = -1;
    for (int socket : FSockets) {
        if (socket >= 0) {
            ::close(socket);
        }
    }
}

void TExitSignals::Drain() {
    char bytes[64];
    while (::read(FSockets[1], bytes, sizeof bytes) > 0) {
    }
    emit Received();
}
