#include "TermiosCustomSpeed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace platform {

int WriteTermiosWithSpeed(int fd, const TermiosFields& fields, uint32_t speed) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return errno;
    }
    settings.c_iflag = fields.iflag;
    settings.c_oflag = fields.oflag;
    settings.c_cflag =
        (fields.cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | BOTHER | (BOTHER << IBSHIFT);
    settings.c_lflag = fields.lflag;
    settings.c_line = fields.line;
    static_assert(sizeof settings.c_cc == sizeof fields.cc);
    std::memcpy(settings.c_cc, fields.cc, sizeof settings.c_cc);
    settings.c_ispeed = speed;
    settings.c_ospeed = speed;
    return ioctl(fd, TCSETS2, &settings) == 0 ? 0 : errno;
}

uint32_t ReadTermiosSpeed(int fd) {
    termios2 settings{};
    return ioctl(fd, TCGETS2, &settings) == 0 ? settings.c_ospeed : 0;
}

}  // namespace platform
