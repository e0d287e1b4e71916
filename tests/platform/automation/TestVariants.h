#pragma once

#include "Automation.h"

// Arguments as a late-bound client builds them; a BSTR made here is the caller's to clear.
inline platform::VARIANT I4(platform::LONG v) {
    platform::VARIANT x{};
    x.vt = platform::VT_I4;
    x.lVal = v;
    return x;
}

inline platform::VARIANT R8(double v, platform::VARTYPE vt = platform::VT_R8) {
    platform::VARIANT x{};
    x.vt = vt;
    x.dblVal = v;
    return x;
}

inline platform::VARIANT Str(const char16_t* v) {
    platform::VARIANT x{};
    x.vt = platform::VT_BSTR;
    x.bstrVal = platform::SysAllocString(v);
    return x;
}
