#pragma once

// The member frame and the small conversions that the driver object's units share; private to
// the driver object.

#include <cstdint>
#include <string>

#include "AbortError.h"
#include "ErrorInfo.h"
#include "TavrinoFprnRO.h"

// ---- Text at the automation boundary ----------------------------------------------------------

// The 8-bit text (ANSI code page) of a wide argument; a null BSTR reads as empty.
std::string AnsiText(BSTR Text);
// The same argument as UTF-8, for the one member that reads its argument that way.
std::string Utf8Text(BSTR Text);
// A new wide string for an out-parameter; the caller frees it.
BSTR WideText(const std::string& Text);

// A wide string argument that lives as long as the call it is passed to.
class TWideArg {
public:
    TWideArg(const std::string& Text) : FText(WideText(Text)) {}
    ~TWideArg() { platform::SysFreeString(FText); }
    TWideArg(const TWideArg&) = delete;
    TWideArg& operator=(const TWideArg&) = delete;
    operator BSTR() const { return FText; }

private:
    BSTR FText;
};

// ---- Texts and numbers of the driver's own messages and receipt lines -------------------------

// Text between single quotes, each single quote inside doubled.
std::string QuotedStr(const std::string& S);
// Upper case of the Latin letters only, as the printer's names compare.
std::string UpperCase(const std::string& S);
// A decimal 64-bit integer with an optional sign and nothing else.
bool TryStrToInt64(const std::string& S, int64_t& Value);
// The amount of a non-fiscal receipt line: "0.00" with a decimal comma.
std::string AmountText(double Amount);
// Every "." of a line becomes ",".
std::string DecimalCommas(std::string Line);
// Whether amount A is above amount B in whole cents, as the printer counts them; amounts of any
// size compare, far beyond what a cent count in an integer could hold.
bool CentsAbove(double A, double B);
// The tax group of a printer letter: A to G as the helper unit maps them, and H, which the
// driver itself programs for group 8, as 8.
int32_t TaxLetterNumber(char Letter);

// ---- Interface slots --------------------------------------------------------------------------

// Runs body at an interface slot with an out-parameter: no C++ exception crosses the slot; one
// that the frame could not record (a log line that cannot be written) becomes the call's error
// result with its message as the error description.
template <class Out, class Body>
HRESULT Slot(Out* Result, Body&& body) noexcept {
    return Result == nullptr ? platform::E_POINTER : platform::SafeCall(body);
}

// A member that converts its arguments and composes its failure context before its frame runs:
// Res is 500 from the start, and a conversion that fails (a code page iconv cannot open, no
// memory) fails the call itself instead of crossing the slot.
template <class Body>
HRESULT ArgumentsSlot(int32_t* Res, Body&& body) noexcept {
    return Slot(Res, [&] {
        *Res = ResFail;
        return body();
    });
}

// A new data object from the server's kept factory of its class, holding one reference.
void* NewDataObject(const platform::CLSID& Class, const platform::IID& Iid);
// A failed put of a data-object property fails the member like any other step.
void Put(HRESULT Result);

// ---- The member frame -------------------------------------------------------------------------

template <class Body>
bool TTavrinoFprnRO::Framed(std::string Context, Body&& body) {
    ClearError();
    try {
        CheckConnected();
        body(Context);
        return true;
    } catch (const std::exception& E) {
        HandleError(E, Context);
        return false;
    }
}

template <class Body>
HRESULT TTavrinoFprnRO::Method(int32_t* Res, std::string Context, Body&& body) {
    return Slot(Res, [&] {
        *Res = ResFail;
        if (Framed(std::move(Context), body)) {
            *Res = ResOk;
        }
    });
}

template <class T, class Body>
HRESULT TTavrinoFprnRO::Getter(T* Value, std::string Context, Body&& body) {
    return Slot(Value, [&] {
        *Value = T{};
        Framed(std::move(Context), [&](std::string& C) { *Value = body(C); });
    });
}

template <class Body>
HRESULT TTavrinoFprnRO::TextGetter(BSTR* Value, std::string Context, Body&& body) {
    return Slot(Value, [&] {
        *Value = nullptr;
        std::string Text;
        Framed(std::move(Context), [&](std::string& C) { Text = body(C); });
        *Value = WideText(Text);
    });
}

template <class I, class Body>
HRESULT TTavrinoFprnRO::DataObject(I** Res, const platform::CLSID& Class, const platform::IID& Iid,
                                   std::string Context, Body&& body) {
    return Slot(Res, [&] {
        *Res = nullptr;
        Framed(std::move(Context), [&](std::string&) {
            // The object is handed out as soon as it exists, then filled.
            body([&] { return *Res = static_cast<I*>(NewDataObject(Class, Iid)); });
        });
    });
}
