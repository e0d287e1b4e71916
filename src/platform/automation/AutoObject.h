#pragma once

#include <atomic>
#include <type_traits>

#include "Dispatch.h"
#include "Interfaces.h"
#include "TypeLibDesc.h"

namespace platform {

// Objects alive and server locks held in this module; the module may be unloaded at zero.
void ModuleLock();
void ModuleUnlock();
ULONG ModuleLockCount();

// The reference-counted automation object behind one described dual interface: it answers
// IUnknown for the interface, IDispatch and IUnknown, and IDispatch from the description.
// The implementing class overrides the interface's own members (wrapping each body in
// SafeCall) and, where it needs one, the Initialize hook that the class factory calls after
// construction. It starts with one reference, which its creator owns.
template <class Interface>
class TAutoObject : public Interface {
    static_assert(std::is_base_of_v<IDispatch, Interface>);

public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) final {
        if (!ppvObject) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == desc_.iid) {
            *ppvObject = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() final { return ++refCount_; }
    ULONG Release() final {
        const ULONG count = --refCount_;
        if (count == 0) {
            delete this;
        }
        return count;
    }

    HRESULT GetTypeInfoCount(UINT* pctinfo) final {
        if (!pctinfo) {
            return E_POINTER;
        }
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) final {
        if (ppTInfo) {
            *ppTInfo = nullptr;
        }
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                          DISPID* rgDispId) final {
        return DispGetIDsOfNames(desc_, riid, rgszNames, cNames, rgDispId);
    }
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) final {
        return DispInvoke(static_cast<Interface*>(this), desc_, dispIdMember, riid, wFlags,
                          pDispParams, pVarResult, pExcepInfo, puArgErr);
    }

    virtual void Initialize() {}

protected:
    explicit TAutoObject(const InterfaceDesc& desc) : desc_(desc) { ModuleLock(); }
    virtual ~TAutoObject() { ModuleUnlock(); }

private:
    const InterfaceDesc& desc_;
    std::atomic<ULONG> refCount_{1};
};

// Makes an object of class T for a class factory: constructs it, runs Initialize and hands
// over its one reference.
template <class T>
IDispatch* CreateAutoObject() {
    T* object = new T();
    try {
        object->Initialize();
    } catch (...) {
        object->Release();
        throw;
    }
    return object;
}

}  // namespace platform
