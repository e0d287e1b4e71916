#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "Link.h"

namespace fpemu {

namespace {

// The protocol's bytes (0x03, 0x04, 0x11, 0x13, 0x15, 0x16) are terminal control characters.
void MakeRaw(int fd, const std::string& what) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        ThrowErrno("tcgetattr " + what);
    }
    cfmakeraw(&settings);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        ThrowErrno("tcsetattr " + what);
    }
}

}  // namespace

PtyLink::PtyLink() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        ThrowErrno("posix_openpt");
    }
    try {
        char path[128] = {};
        if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            ptsname_r(master_, path, sizeof path) != 0) {
            ThrowErrno("pseudo-terminal slave");
        }
        slavePath_ = path;
        slave_ = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave_ < 0) {
            ThrowErrno("open " + slavePath_);
        }
        MakeRaw(slave_, slavePath_);
        MakeRaw(master_, "pty master");
    } catch (...) {
        if (slave_ >= 0) {
            close(slave_);
        }
        close(master_);
        throw;
    }
}

PtyLink::~PtyLink() {
    close(slave_);
    close(master_);
}

ssize_t PtyLink::Write(const uint8_t* data, size_t size) {
    return write(master_, data, size);
}

}  // namespace fpemu
