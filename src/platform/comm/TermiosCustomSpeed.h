#pragma once

// Private: speeds without a termios constant, through the kernel's termios2. Its declarations
// clash with the C library's termios, so this file and its .cpp see only the kernel's, and the
// settings cross between them as plain fields.

#include <cstdint>

namespace platform {

struct TermiosFields {
    uint32_t iflag, oflag, cflag, lflag;
    uint8_t line;
    uint8_t cc[19];
};

// Writes the settings with the given speed in both directions, as one update. Returns 0 or an
// errno value.
int WriteTermiosWithSpeed(int fd, const TermiosFields& fields, uint32_t speed);

// The output speed the kernel holds, or 0 when it cannot be read.
uint32_t ReadTermiosSpeed(int fd);

}  // namespace platform
