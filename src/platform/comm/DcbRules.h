#pragma once

// Private: the checks every backend makes on a DCB before it takes it.

#include "CommTypes.h"

namespace platform {

// Speed 1 to 0x7FFFFFFF (a speed of 0 would hang the line up), 5 to 8 data bits, a known parity
// and stop-bit value, and fBinary set, as Windows demands.
bool DcbIsValid(const DCB& dcb);

}  // namespace platform
