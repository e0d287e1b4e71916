#pragma once

#include <string>

#include "BStr.h"
#include "ErrorInfo.h"

namespace platform {

// The bodies of plain property accessors: a get hands out the field, a put stores its
// argument. Text fields hold 8-bit ANSI text and cross the boundary as BSTR.

inline HRESULT PropertyGet(LONG field, LONG* value) {
    if (!value) {
        return E_POINTER;
    }
    *value = field;
    return S_OK;
}

inline HRESULT PropertyGet(double field, double* value) {
    if (!value) {
        return E_POINTER;
    }
    *value = field;
    return S_OK;
}

inline HRESULT PropertyGet(const std::string& field, BSTR* value) {
    if (!value) {
        return E_POINTER;
    }
    *value = nullptr;
    return SafeCall([&] { *value = AnsiToBSTR(field); });
}

inline HRESULT PropertyPut(LONG& field, LONG value) {
    field = value;
    return S_OK;
}

inline HRESULT PropertyPut(double& field, double value) {
    field = value;
    return S_OK;
}

inline HRESULT PropertyPut(std::string& field, BSTR value) {
    return SafeCall([&] { field = BSTRToAnsi(value); });
}

}  // namespace platform
