#include "TestCounter.h"

#include <stdexcept>

HRESULT TCounter::Add(LONG Count, double Factor, BSTR Note, LONG* Res) {
    return SafeCall([&] {
        total += static_cast<LONG>(Count * Factor) + static_cast<LONG>(SysStringLen(Note));
        *Res = total;
    });
}

HRESULT TCounter::Get_Name(BSTR* Value) {
    return SafeCall([&] { *Value = AnsiToBSTR(name); });
}

HRESULT TCounter::Set_Name(BSTR Value) {
    return SafeCall([&] { name = BSTRToAnsi(Value); });
}

HRESULT TCounter::Twice(LONG* Status, LONG* Res) {
    *Status *= 2;
    *Res = 0;
    return S_OK;
}

HRESULT TCounter::Fail(BSTR Text, LONG* Res) {
    return SafeCall([&] {
        *Res = 500;
        throw std::runtime_error(BSTRToAnsi(Text));
    });
}

HRESULT TCounter::Child(LONG Make, ICounter** Res) {
    return SafeCall([&] {
        *Res = nullptr;
        if (Make) {
            auto* child = static_cast<TCounter*>(CreateAutoObject<TCounter>());
            child->total = Make;
            *Res = child;
        }
    });
}

HRESULT TCounter::Get_When(DATE* Value) {
    *Value = when;
    return S_OK;
}

HRESULT TCounter::Set_When(DATE Value) {
    when = Value;
    return S_OK;
}
