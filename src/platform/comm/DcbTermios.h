#pragma once

// Private: DCB to termios and back.

#include <termios.h>

#include "CommTypes.h"

namespace platform {

// Fills the line settings of a raw-mode termios from the DCB. Returns ERROR_SUCCESS, or
// ERROR_INVALID_PARAMETER for what the line cannot do. A speed without a termios constant is
// left for the custom-speed path (customSpeed set to it; 0 when the constant was used).
DWORD DcbToTermios(const DCB& dcb, termios& settings, DWORD& customSpeed);

// Overwrites the fields of the DCB that termios holds (speed, size, parity, stop bits,
// handshakes, XON/XOFF characters).
void TermiosToDcb(const termios& settings, DCB& dcb);

}  // namespace platform
