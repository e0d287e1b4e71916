#pragma once

#include <cstdint>

namespace platform {

// The integer types of the automation interfaces are exactly 32-bit, as on the 32-bit target
// the interfaces were defined for; `long` would be 64-bit here.
using BYTE = uint8_t;
using WORD = uint16_t;
using USHORT = uint16_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using INT = int32_t;
using BOOL = int32_t;
using HRESULT = int32_t;
using SCODE = int32_t;
using DISPID = int32_t;
using LCID = uint32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// Length-prefixed UTF-16; a null BSTR reads as an empty string.
using BSTR = OLECHAR*;
// Days since 30 December 1899; the fraction is the time of day.
using DATE = double;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

namespace hresult_detail {
constexpr HRESULT Code(uint32_t value) {
    return static_cast<HRESULT>(value);
}
}  // namespace hresult_detail

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hresult_detail::Code(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hresult_detail::Code(0x80004002);
inline constexpr HRESULT E_POINTER = hresult_detail::Code(0x80004003);
inline constexpr HRESULT E_FAIL = hresult_detail::Code(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hresult_detail::Code(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = hresult_detail::Code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hresult_detail::Code(0x80070057);
// The library file of a registered class cannot be loaded.
inline constexpr HRESULT HRESULT_MOD_NOT_FOUND = hresult_detail::Code(0x8007007E);

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hresult_detail::Code(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hresult_detail::Code(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hresult_detail::Code(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hresult_detail::Code(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hresult_detail::Code(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hresult_detail::Code(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = hresult_detail::Code(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = hresult_detail::Code(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hresult_detail::Code(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hresult_detail::Code(0x8002000B);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hresult_detail::Code(0x8002000E);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = hresult_detail::Code(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hresult_detail::Code(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = hresult_detail::Code(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hresult_detail::Code(0x80040151);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hresult_detail::Code(0x80040154);
inline constexpr HRESULT SELFREG_E_CLASS = hresult_detail::Code(0x80040201);
inline constexpr HRESULT MK_E_UNAVAILABLE = hresult_detail::Code(0x800401E3);
inline constexpr HRESULT CO_E_CLASSSTRING = hresult_detail::Code(0x800401F3);
inline constexpr HRESULT CO_E_ERRORINDLL = hresult_detail::Code(0x800401F9);

}  // namespace platform
