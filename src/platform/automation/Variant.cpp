#include "Variant.h"

#include <charconv>
#include <cmath>
#include <string>

#include "AutoDate.h"
#include "BStr.h"
#include "Interfaces.h"

namespace platform {

namespace {

constexpr double kFirstDate = -657434.0;     // 1 January 100
constexpr double kPastLastDate = 2958466.0;  // 1 January 10000

// The ASCII text of a BSTR without surrounding blanks; false when it holds anything else.
bool AsciiText(BSTR text, std::string& out) {
    for (char16_t c : BSTRView(text)) {
        if (c > 0x7F) {
            return false;
        }
        out += static_cast<char>(c);
    }
    const size_t first = out.find_first_not_of(" \t");
    const size_t last = out.find_last_not_of(" \t");
    out = first == std::string::npos ? std::string() : out.substr(first, last - first + 1);
    return true;
}

HRESULT NumberFromText(BSTR text, double* value) {
    std::string ascii;
    if (!AsciiText(text, ascii)) {
        return DISP_E_TYPEMISMATCH;
    }
    std::string_view digits = ascii;
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *value);
    if (digits.empty() || end != digits.data() + digits.size()) {
        return DISP_E_TYPEMISMATCH;
    }
    if (ec == std::errc::result_out_of_range) {
        return DISP_E_OVERFLOW;
    }
    return ec == std::errc() && std::isfinite(*value) ? S_OK : DISP_E_TYPEMISMATCH;
}

HRESULT ToNumber(const VARIANT& from, VARTYPE target, double* value) {
    switch (from.vt) {
        case VT_EMPTY:
            *value = 0;
            return S_OK;
        case VT_I4:
            *value = from.lVal;
            return S_OK;
        case VT_R8:
            *value = from.dblVal;
            return S_OK;
        case VT_DATE:
            *value = from.date;
            return S_OK;
        case VT_BOOL:
            *value = from.boolVal;
            return S_OK;
        case VT_BSTR: {
            if (target == VT_DATE) {
                std::string ascii;
                if (AsciiText(from.bstrVal, ascii)) {
                    if (const std::optional<DATE> date = DateFromText(ascii)) {
                        *value = *date;
                        return S_OK;
                    }
                }
            }
            if (target == VT_BOOL) {
                const std::u16string_view text = BSTRView(from.bstrVal);
                if (text == u"True" || text == u"False") {
                    *value = text == u"True" ? -1 : 0;
                    return S_OK;
                }
            }
            return NumberFromText(from.bstrVal, value);
        }
        case VT_DISPATCH:
            return DISP_E_TYPEMISMATCH;
        default:
            return DISP_E_BADVARTYPE;
    }
}

// Half-way values go to the even neighbour, as automation coercion does.
HRESULT RoundToI4(double value, LONG* out) {
    if (!std::isfinite(value)) {
        return DISP_E_OVERFLOW;
    }
    double whole = std::floor(value);
    const double rest = value - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) {
        whole += 1;
    }
    if (whole < -2147483648.0 || whole > 2147483647.0) {
        return DISP_E_OVERFLOW;
    }
    *out = static_cast<LONG>(whole);
    return S_OK;
}

// Up to 15 significant digits, "." as separator, whatever the C locale says.
std::u16string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value == 0 ? 0.0 : value,
                                      std::chars_format::general, 15);
    std::u16string out;
    for (const char* p = text; p != result.ptr; ++p) {
        out += static_cast<char16_t>(*p == 'e' ? 'E' : *p);
    }
    return out;
}

std::u16string Ascii16(const std::string& text) {
    return {text.begin(), text.end()};
}

HRESULT ToText(const VARIANT& from, BSTR* out) {
    std::u16string text;
    switch (from.vt) {
        case VT_EMPTY:
            break;
        case VT_I4:
            text = Ascii16(std::to_string(from.lVal));
            break;
        case VT_R8:
            text = NumberText(from.dblVal);
            break;
        case VT_DATE:
            if (!(from.date >= kFirstDate && from.date < kPastLastDate)) {
                return DISP_E_OVERFLOW;
            }
            text = Ascii16(DateToText(from.date));
            break;
        case VT_BOOL:
            text = from.boolVal ? u"-1" : u"0";
            break;
        case VT_BSTR:
            text = BSTRView(from.bstrVal);
            break;
        case VT_DISPATCH:
            return DISP_E_TYPEMISMATCH;
        default:
            return DISP_E_BADVARTYPE;
    }
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Convert(const VARIANT& from, VARTYPE vt, VARIANT& out) {
    out.vt = vt;
    double number = 0;
    HRESULT hr = S_OK;
    switch (vt) {
        case VT_EMPTY:
            return S_OK;
        case VT_I4:
            hr = ToNumber(from, vt, &number);
            return FAILED(hr) ? hr : RoundToI4(number, &out.lVal);
        case VT_R8:
        case VT_DATE:
            hr = ToNumber(from, vt, &number);
            if (SUCCEEDED(hr) && vt == VT_DATE &&
                !(number >= kFirstDate && number < kPastLastDate)) {
                hr = DISP_E_OVERFLOW;
            }
            out.dblVal = number;
            return hr;
        case VT_BOOL:
            hr = ToNumber(from, vt, &number);
            out.boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return hr;
        case VT_BSTR:
            return ToText(from, &out.bstrVal);
        case VT_DISPATCH:
            if (from.vt == VT_EMPTY) {
                out.pdispVal = nullptr;
                return S_OK;
            }
            if (from.vt != VT_DISPATCH) {
                return DISP_E_TYPEMISMATCH;
            }
            out.pdispVal = from.pdispVal;
            if (out.pdispVal) {
                out.pdispVal->AddRef();
            }
            return S_OK;
        default:
            return DISP_E_BADVARTYPE;
    }
}

}  // namespace

void VariantInit(VARIANT* value) {
    value->vt = VT_EMPTY;
    value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
    value->dblVal = 0;
}

HRESULT VariantClear(VARIANT* value) {
    if (!value) {
        return E_INVALIDARG;
    }
    switch (value->vt) {
        case VT_BSTR:
            SysFreeString(value->bstrVal);
            break;
        case VT_DISPATCH:
            if (value->pdispVal) {
                value->pdispVal->Release();
            }
            break;
        case VT_EMPTY:
        case VT_I4:
        case VT_R8:
        case VT_DATE:
        case VT_BOOL:
        case VT_BYREF | VT_I4:
            break;
        default:
            return DISP_E_BADVARTYPE;
    }
    VariantInit(value);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) {
        return E_INVALIDARG;
    }
    if (dest == src) {
        return S_OK;
    }
    if (src->vt == (VT_BYREF | VT_I4)) {
        const HRESULT hr = VariantClear(dest);
        *dest = *src;
        return hr;
    }
    return VariantChangeType(dest, src, 0, src->vt);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT /*flags*/, VARTYPE vt) {
    if (!dest || !src) {
        return E_INVALIDARG;
    }
    VARIANT from = *src;
    if (src->vt == (VT_BYREF | VT_I4)) {
        if (!src->plVal) {
            return E_INVALIDARG;
        }
        from.vt = VT_I4;
        from.lVal = *src->plVal;
    }
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = Convert(from, vt, out);
    if (FAILED(hr)) {
        return hr;
    }
    VariantClear(dest);
    *dest = out;
    return S_OK;
}

}  // namespace platform
