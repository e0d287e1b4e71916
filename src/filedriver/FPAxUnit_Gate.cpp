#include "FPAxUnit_Gate.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

TWriterState LeaseWriterState(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return TWriterState::Unknown;
    }
    // A writer that opens the file while the lease is held makes the kernel signal the holder;
    // SIGURG is ignored unless a handler is installed, where the default SIGIO would end us.
    TWriterState state = TWriterState::Unknown;
    if (::fcntl(fd, F_SETSIG, SIGURG) == 0) {
        if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
            ::fcntl(fd, F_SETLEASE, F_UNLCK);
            state = TWriterState::Done;
        } else if (errno == EAGAIN) {
            state = TWriterState::Writing;
        }
    }
    ::close(fd);
    return state;
}

bool TReceiptFileGate::WriterDone(const std::string& Path) {
    switch (LeaseWriterState(Path)) {
        case TWriterState::Done:
            FSeen.erase(Path);
            return true;
        case TWriterState::Writing:
            FSeen.erase(Path);
            return false;
        case TWriterState::Unknown:
            break;
    }
    return SteadySinceLastCall(Path);
}

bool TReceiptFileGate::SteadySinceLastCall(const std::string& Path) {
    struct stat info {};
    if (::stat(Path.c_str(), &info) != 0) {
        FSeen.erase(Path);
        return true;  // the caller reports a file that is gone
    }
    const TSeen now{
        static_cast<int64_t>(info.st_size),
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
    const auto it = FSeen.find(Path);
    const bool steady =
        it != FSeen.end() && it->second.Size == now.Size && it->second.MTimeNs == now.MTimeNs;
    if (steady) {
        FSeen.erase(it);
    } else {
        FSeen[Path] = now;
    }
    return steady;
}
