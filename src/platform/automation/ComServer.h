#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "AutoObject.h"
#include "TypeLibDesc.h"

namespace platform {

class RegKey;

// A factory that makes a new object for every request (multiple instances).
class TAutoObjectFactory final : public IClassFactory {
public:
    // create returns a new object holding one reference (CreateAutoObject<T>).
    using Creator = IDispatch* (*)();

    TAutoObjectFactory(const CoClassDesc& coclass, Creator create)
        : coclass_(coclass), create_(create) {}

    const CoClassDesc& CoClass() const { return coclass_; }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    // The server owns its factories for the life of the module.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

private:
    const CoClassDesc& coclass_;
    Creator create_;
};

struct ServerClass {
    const CoClassDesc* coclass;
    TAutoObjectFactory::Creator create;
};

// The in-process server of one type library: the factories of the classes it serves and the
// work behind the four exports (DllGetClassObject, DllCanUnloadNow, DllRegisterServer,
// DllUnregisterServer).
class ComServer {
public:
    ComServer(const TypeLibDesc& typeLib, std::initializer_list<ServerClass> classes);

    // The kept factory of a served class, or null.
    TAutoObjectFactory* Factory(REFCLSID clsid) const;

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const;
    // S_OK when no object of the module is alive and no lock is held, else S_FALSE.
    HRESULT CanUnloadNow() const;

    // Writes, under HKEY_CLASSES_ROOT, each served class (CLSID\{clsid} with InprocServer32 =
    // modulePath and ThreadingModel Apartment, ProgID, Version, TypeLib), its ProgID key
    // (library name "." class name) and the type library's keys (TypeLib\{libid}\major.minor,
    // Interface\{iid}). On failure SELFREG_E_CLASS, with the reason kept by SetErrorDescription.
    HRESULT RegisterServer(const std::string& modulePath) const;
    // Removes the same keys.
    HRESULT UnregisterServer() const;

    // The ProgID of a class: type library name, a dot, class name.
    std::string ProgID(const CoClassDesc& coclass) const;

private:
    using ClassesRootEdit =
        std::function<void(RegKey& root, const std::string& libid, const std::string& version)>;
    // Runs edit on HKEY_CLASSES_ROOT in one registry update; SELFREG_E_CLASS when that fails.
    HRESULT EditClassesRoot(const ClassesRootEdit& edit) const;

    const TypeLibDesc& typeLib_;
    std::vector<std::unique_ptr<TAutoObjectFactory>> factories_;
};

}  // namespace platform
