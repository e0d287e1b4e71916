#include "DcbRules.h"

namespace platform {

bool DcbIsValid(const DCB& dcb) {
    return dcb.BaudRate != 0 && dcb.BaudRate <= 0x7FFFFFFF && dcb.ByteSize >= 5 &&
           dcb.ByteSize <= 8 && dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS &&
           (dcb.Flags & dcb::fBinary) != 0;
}

}  // namespace platform
