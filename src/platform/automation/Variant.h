#pragma once

#include "AutoTypes.h"

namespace platform {

struct IDispatch;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_BYREF = 0x4000,
};

// The kinds of value the automation interfaces carry: empty, I4, R8, DATE, BSTR, BOOL,
// DISPATCH and a reference to an I4 ([in, out] parameters).
struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        double dblVal;
        DATE date;
        BSTR bstrVal;
        VARIANT_BOOL boolVal;
        IDispatch* pdispVal;
        LONG* plVal;
    };
};

void VariantInit(VARIANT* value);
// Frees what the variant owns (a BSTR, a reference on an interface) and leaves it empty.
HRESULT VariantClear(VARIANT* value);
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);

// Converts src to type vt into dest (which may be src itself), the way a late-bound client's
// arguments are fitted to declared parameters: "3", 3.0 and 3 all make the integer 3.
// Texts are numbers with "." (never the locale's separator) or dates "DD.MM.YYYY[ HH:NN[:SS]]"
// or "YYYY-MM-DD[ HH:NN[:SS]]". Doubles become integers by rounding half to even.
// DISP_E_TYPEMISMATCH when the value cannot be read as vt, DISP_E_OVERFLOW when it does not
// fit, DISP_E_BADVARTYPE for a type outside the list above. dest is unchanged on failure.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);

}  // namespace platform
