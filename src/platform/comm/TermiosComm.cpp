#include "TermiosComm.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "ComPortNames.h"
#include "Comm.h"
#include "CommErrors.h"
#include "DcbTermios.h"
#include "TermiosCustomSpeed.h"

namespace platform {

namespace {

// "\\.\COM3" or "COM3" to the device path of the port, or nothing.
std::optional<std::string> DevicePath(const std::string& fileName) {
    const std::string prefix = "\\\\.\\";
    const std::string name =
        fileName.compare(0, prefix.size(), prefix) == 0 ? fileName.substr(prefix.size()) : fileName;
    const std::optional<std::string> comName = CanonicalComName(name);
    if (!comName) {
        return std::nullopt;
    }
    for (const ComPortEntry& entry : BuildPortMap(CurrentPortMapSources())) {
        if (entry.Name == *comName) {
            return entry.Path;
        }
    }
    return std::nullopt;
}

// Raw mode: no canonical input, echo, signals, CR/LF translation, output processing or XON/XOFF;
// the protocol's control bytes must pass unchanged. Reads never block in the kernel: the
// time-out rules decide how long to wait.
void MakeRaw(termios& settings) {
    cfmakeraw(&settings);
    settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
}

}  // namespace

TermiosPort::TermiosPort(int fd, int closeFd, int kickFd, std::string path)
    : fd(fd), closeFd(closeFd), kickFd(kickFd), path(std::move(path)) {}

TermiosPort::~TermiosPort() {
    ioctl(fd, TIOCNXCL);
    ::close(fd);
    ::close(closeFd);
    ::close(kickFd);
}

CommApi& TermiosCommApi() {
    static TermiosComm api;
    return api;
}

std::shared_ptr<TermiosPort> TermiosComm::Find(HANDLE handle, bool argumentsValid) {
    std::lock_guard lock(mutex_);
    auto found = ports_.find(handle);
    if (found == ports_.end() || !argumentsValid) {
        SetLastError(found == ports_.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return found->second;
}

HANDLE TermiosComm::CreateFileA(LPCSTR lpFileName, DWORD /*dwDesiredAccess*/, DWORD /*dwShareMode*/,
                                void* /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                                DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (lpFileName == nullptr || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::optional<std::string> path = DevicePath(lpFileName);
    char resolved[PATH_MAX];
    if (!path || realpath(path->c_str(), resolved) == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string device = resolved;
    std::lock_guard lock(mutex_);
    if (openPaths_.count(device) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto refuse = [fd](DWORD error) {
        ::close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    };
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return refuse(ERROR_INVALID_FUNCTION);  // not a terminal, so not a serial port
    }
    // The kernel's exclusive mode keeps other users out, but not root; the lock covers every
    // process of ours, root or not.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return refuse(ERROR_ACCESS_DENIED);
    }
    ioctl(fd, TIOCEXCL);
    MakeRaw(settings);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        return refuse(ErrorFromErrno(errno));
    }
    const int closeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int kickFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (closeFd < 0 || kickFd < 0) {
        const int err = errno;
        if (closeFd >= 0) {
            ::close(closeFd);
        }
        return refuse(ErrorFromErrno(err));
    }
    auto port = std::make_shared<TermiosPort>(fd, closeFd, kickFd, device);
    port->dcb = DCB{};
    port->dcb.DCBlength = sizeof(DCB);
    // Linux raises DTR and RTS when a port opens.
    port->dcb.Flags = dcb::fBinary | dcb::fDtrControlEnable | dcb::fRtsControlEnable;
    port->dcb.XonChar = 17;
    port->dcb.XoffChar = 19;
    TermiosToDcb(settings, port->dcb);
    port->dcb.BaudRate = ReadTermiosSpeed(fd);
    port->eventBase = port->errorBase = ReadLineCounters(fd);
    HANDLE handle = NewHandleValue();
    ports_[handle] = std::move(port);
    openPaths_.insert(device);
    return handle;
}

BOOL TermiosComm::CloseHandle(HANDLE hObject) {
    std::shared_ptr<TermiosPort> port;
    {
        std::lock_guard lock(mutex_);
        auto found = ports_.find(hObject);
        if (found == ports_.end()) {
            return FailWith(ERROR_INVALID_HANDLE);
        }
        port = std::move(found->second);
        ports_.erase(found);
        openPaths_.erase(port->path);
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(port->closeFd, &one, sizeof one);
    StopEventWorker(*port);
    return TRUE;
}

BOOL TermiosComm::SetupComm(HANDLE hFile, DWORD /*dwInQueue*/, DWORD /*dwOutQueue*/) {
    return Find(hFile) != nullptr ? TRUE : FALSE;
}

BOOL TermiosComm::SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    std::shared_ptr<TermiosPort> port = Find(hFile, lpCommTimeouts != nullptr);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    port->timeouts = *lpCommTimeouts;
    return TRUE;
}

BOOL TermiosComm::GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    std::shared_ptr<TermiosPort> port = Find(hFile, lpCommTimeouts != nullptr);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    *lpCommTimeouts = port->timeouts;
    return TRUE;
}

std::vector<ComPortEntry> TermiosComm::ListComPorts() {
    return BuildPortMap(CurrentPortMapSources());
}

}  // namespace platform
