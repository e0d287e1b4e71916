#include "Dispatch.h"

#include <ffi.h>

#include <algorithm>
#include <vector>

#include "BStr.h"
#include "ErrorInfo.h"

namespace platform {

namespace {

bool SameName(std::u16string_view a, std::string_view b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char16_t x, char y) {
        return lower(x) == lower(static_cast<unsigned char>(y));
    });
}

bool KindAllowed(MemberKind kind, WORD flags) {
    switch (kind) {
        case MemberKind::Method:
            return flags & DISPATCH_METHOD;
        case MemberKind::PropertyGet:
            return flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
        case MemberKind::PropertyPut:
            return flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    }
    return false;
}

// Storage for one argument or result of a slot call, laid out as the slot expects it.
union Slot {
    LONG i4;
    double r8;
    void* pointer;
};

ffi_type* FfiType(VARTYPE type) {
    switch (type) {
        case VT_I4:
            return &ffi_type_sint32;
        case VT_R8:
        case VT_DATE:
            return &ffi_type_double;
        default:
            return &ffi_type_pointer;
    }
}

// The arguments of one call: coerced copies of the client's VARIANTs, released at the end.
class Arguments {
public:
    explicit Arguments(size_t count) : coerced_(count) {
        for (VARIANT& value : coerced_) {
            VariantInit(&value);
        }
    }
    ~Arguments() {
        for (VARIANT& value : coerced_) {
            VariantClear(&value);
        }
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    // Fits arg to the declared type and returns where the slot's argument is stored.
    HRESULT Fit(size_t index, VARIANT& arg, VARTYPE type, Slot& slot) {
        VARIANT& value = coerced_[index];
        if (type == (VT_BYREF | VT_I4)) {
            if (arg.vt == (VT_BYREF | VT_I4) && arg.plVal) {
                slot.pointer = arg.plVal;  // the member writes through to the client's variable
                return S_OK;
            }
            // A client that passed the value itself does not see what the member writes back.
            const HRESULT hr = VariantChangeType(&value, &arg, 0, VT_I4);
            slot.pointer = &value.lVal;
            return hr;
        }
        const HRESULT hr = VariantChangeType(&value, &arg, 0, type);
        switch (type) {
            case VT_I4:
                slot.i4 = value.lVal;
                break;
            case VT_R8:
            case VT_DATE:
                slot.r8 = value.dblVal;
                break;
            case VT_BSTR:
                slot.pointer = value.bstrVal;
                break;
            default:
                slot.pointer = value.pdispVal;
        }
        return hr;
    }

private:
    std::vector<VARIANT> coerced_;
};

void StoreResult(VARTYPE type, Slot& slot, VARIANT* out) {
    if (!out) {
        if (type == VT_BSTR) {
            SysFreeString(static_cast<BSTR>(slot.pointer));
        } else if (type == VT_DISPATCH && slot.pointer) {
            static_cast<IDispatch*>(slot.pointer)->Release();
        }
        return;
    }
    VariantClear(out);
    out->vt = type;
    switch (type) {
        case VT_I4:
            out->lVal = slot.i4;
            break;
        case VT_R8:
        case VT_DATE:
            out->dblVal = slot.r8;
            break;
        case VT_BSTR:
            out->bstrVal = static_cast<BSTR>(slot.pointer);
            break;
        default:  // a nil interface stays VT_DISPATCH with a null pointer
            out->pdispVal = static_cast<IDispatch*>(slot.pointer);
    }
}

HRESULT CallSlot(void* object, const MemberDesc& member, std::vector<Slot>& values) {
    const bool hasResult = member.result.type != VT_EMPTY;
    std::vector<ffi_type*> types{&ffi_type_pointer};
    for (const ParamDesc& param : member.params) {
        types.push_back(FfiType(param.type));
    }
    if (hasResult) {
        types.push_back(&ffi_type_pointer);
    }
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(types.size()), &ffi_type_sint32,
                     types.data()) != FFI_OK) {
        return E_UNEXPECTED;
    }
    // values[0] is the object, values[1..n] the parameters, values[n + 1] the result.
    Slot self;
    self.pointer = object;
    Slot resultAddress;
    resultAddress.pointer = &values.back();
    std::vector<void*> argv{&self};
    for (size_t i = 0; i < member.params.size(); ++i) {
        argv.push_back(&values[i]);
    }
    if (hasResult) {
        argv.push_back(&resultAddress);
    }
    void** table = *static_cast<void***>(object);
    ffi_arg hr = 0;
    ffi_call(&cif, reinterpret_cast<void (*)()>(table[member.slot]), &hr, argv.data());
    return static_cast<HRESULT>(hr);
}

void FillExcepInfo(EXCEPINFO* info, const InterfaceDesc& iface, HRESULT hr) {
    *info = EXCEPINFO{};
    info->scode = hr;
    info->bstrSource = AnsiToBSTR(iface.name);
    info->bstrDescription = AnsiToBSTR(TakeErrorDescription());
}

}  // namespace

const MemberDesc* FindMember(const InterfaceDesc& iface, std::u16string_view name) {
    for (const MemberDesc& member : iface.members) {
        if (SameName(name, member.name)) {
            return &member;
        }
    }
    return nullptr;
}

const MemberDesc* FindMember(const InterfaceDesc& iface, DISPID dispid, WORD flags) {
    for (const MemberDesc& member : iface.members) {
        if (member.dispid == dispid && KindAllowed(member.kind, flags)) {
            return &member;
        }
    }
    return nullptr;
}

HRESULT DispGetIDsOfNames(const InterfaceDesc& iface, REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                          DISPID* rgDispId) {
    if (riid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (!rgszNames || !rgDispId || cNames == 0) {
        return E_INVALIDARG;
    }
    std::fill(rgDispId, rgDispId + cNames, DISPID_UNKNOWN);
    const MemberDesc* member =
        rgszNames[0] ? FindMember(iface, std::u16string_view(rgszNames[0])) : nullptr;
    if (member) {
        rgDispId[0] = member->dispid;
    }
    return member && cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT DispInvoke(void* object, const InterfaceDesc& iface, DISPID dispIdMember, REFIID riid,
                   WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) {
    return SafeCall([&]() -> HRESULT {
        if (riid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (!pDispParams || (pDispParams->cArgs && !pDispParams->rgvarg)) {
            return E_INVALIDARG;
        }
        const MemberDesc* member = FindMember(iface, dispIdMember, wFlags);
        if (!member) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const bool put = member->kind == MemberKind::PropertyPut;
        const bool namedPut = pDispParams->cNamedArgs == 1 && pDispParams->rgdispidNamedArgs &&
                              pDispParams->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
        if (pDispParams->cNamedArgs != 0 && !(put && namedPut)) {
            return DISP_E_NONAMEDARGS;
        }
        const size_t count = member->params.size();
        if (pDispParams->cArgs != count) {
            return DISP_E_BADPARAMCOUNT;
        }
        Arguments arguments(count);
        std::vector<Slot> values(count + 1);
        for (size_t i = 0; i < count; ++i) {
            const UINT position = static_cast<UINT>(count - 1 - i);  // arguments come last first
            const HRESULT hr =
                arguments.Fit(i, pDispParams->rgvarg[position], member->params[i].type, values[i]);
            if (FAILED(hr)) {
                if (puArgErr) {
                    *puArgErr = position;
                }
                return hr;
            }
        }
        values.back().pointer = nullptr;
        TakeErrorDescription();  // a text left from an earlier call must not be reported
        const HRESULT hr = CallSlot(object, *member, values);
        if (FAILED(hr)) {
            if (!pExcepInfo) {
                return hr;
            }
            FillExcepInfo(pExcepInfo, iface, hr);
            return DISP_E_EXCEPTION;
        }
        if (member->result.type != VT_EMPTY) {
            StoreResult(member->result.type, values.back(), pVarResult);
        }
        return S_OK;
    });
}

}  // namespace platform
