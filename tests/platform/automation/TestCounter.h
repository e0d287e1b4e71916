#pragma once

#include "Automation.h"

// A small described dual interface and its object, served in-process by the tests and from
// a shared library of their own.

using namespace platform;

struct ICounter : IDispatch {
    virtual HRESULT Add(LONG Count, double Factor, BSTR Note, LONG* Res) = 0;
    virtual HRESULT Get_Name(BSTR* Value) = 0;
    virtual HRESULT Set_Name(BSTR Value) = 0;
    virtual HRESULT Twice(LONG* Status, LONG* Res) = 0;
    virtual HRESULT Fail(BSTR Text, LONG* Res) = 0;
    virtual HRESULT Child(LONG Make, ICounter** Res) = 0;
    virtual HRESULT Get_When(DATE* Value) = 0;
    virtual HRESULT Set_When(DATE Value) = 0;

protected:
    ~ICounter() = default;
};

extern const InterfaceDesc kICounterDesc;

inline constexpr MemberDesc kICounterMembers[] = {
    {7,
     1,
     MemberKind::Method,
     "Add",
     {{"Count", VT_I4}, {"Factor", VT_R8}, {"Note", VT_BSTR}},
     {"Res", VT_I4}},
    {8, 2, MemberKind::PropertyGet, "Name", {}, {"Value", VT_BSTR}},
    {9, 2, MemberKind::PropertyPut, "Name", {{"Value", VT_BSTR}}, {}},
    {10, 3, MemberKind::Method, "Twice", {{"Status", VT_BYREF | VT_I4}}, {"Res", VT_I4}},
    {11, 4, MemberKind::Method, "Fail", {{"Text", VT_BSTR}}, {"Res", VT_I4}},
    {12, 5, MemberKind::Method, "Child", {{"Make", VT_I4}}, {"Res", VT_DISPATCH, &kICounterDesc}},
    {13, 6, MemberKind::PropertyGet, "When", {}, {"Value", VT_DATE}},
    {14, 6, MemberKind::PropertyPut, "When", {{"Value", VT_DATE}}, {}},
};

inline constexpr InterfaceDesc kICounterDesc{
    "ICounter", "{8F1D2C3B-0A4E-4F5D-9C6B-7A8E9F0D1C2B}"_guid,
    "Dispatch interface for Counter Object", kICounterMembers};

inline constexpr CoClassDesc kCounterClasses[] = {
    {"Counter", "{1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0}"_guid, "Counter Object", &kICounterDesc},
};

inline constexpr TypeLibDesc kCounterLib{
    "CounterLib",   "{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}"_guid, 1, 2, 0x409, "Counter Library",
    kCounterClasses};

class TCounter : public TAutoObject<ICounter> {
public:
    TCounter() : TAutoObject(kICounterDesc) {}

    HRESULT Add(LONG Count, double Factor, BSTR Note, LONG* Res) override;
    HRESULT Get_Name(BSTR* Value) override;
    HRESULT Set_Name(BSTR Value) override;
    HRESULT Twice(LONG* Status, LONG* Res) override;
    HRESULT Fail(BSTR Text, LONG* Res) override;
    HRESULT Child(LONG Make, ICounter** Res) override;
    HRESULT Get_When(DATE* Value) override;
    HRESULT Set_When(DATE Value) override;

    LONG total = 0;
    std::string name;  // ANSI
    DATE when = 0;
};
