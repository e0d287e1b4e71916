#pragma once

#include <string>
#include <string_view>

#include "AutoTypes.h"

namespace platform {

// A BSTR points at UTF-16 text that is preceded by its length in bytes and followed by a zero.
BSTR SysAllocString(LPCOLESTR text);
// Copies length characters; text may be null, which leaves them zero.
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

std::u16string_view BSTRView(BSTR text);

// The boundary conversions between 8-bit text in the ANSI code page and BSTR.
BSTR AnsiToBSTR(std::string_view text);
std::string BSTRToAnsi(BSTR text);

}  // namespace platform
