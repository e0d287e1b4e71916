#include "ComServer.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "ErrorInfo.h"
#include "Registry.h"

namespace platform {

namespace {

std::atomic<ULONG> g_moduleLocks{0};

// The automation marshaler that serves every dual interface.
constexpr const char* kAutomationProxyStub = "{00020424-0000-0000-C000-000000000046}";

}  // namespace

void ModuleLock() {
    ++g_moduleLocks;
}
void ModuleUnlock() {
    --g_moduleLocks;
}
ULONG ModuleLockCount() {
    return g_moduleLocks;
}

HRESULT TAutoObjectFactory::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT TAutoObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (!ppvObject) {
        return E_POINTER;
    }
    *ppvObject = nullptr;
    if (pUnkOuter) {
        return CLASS_E_NOAGGREGATION;
    }
    return SafeCall([&] {
        IDispatch* object = create_();
        const HRESULT hr = object->QueryInterface(riid, ppvObject);
        object->Release();
        return hr;
    });
}

HRESULT TAutoObjectFactory::LockServer(BOOL fLock) {
    if (fLock) {
        ModuleLock();
    } else {
        ModuleUnlock();
    }
    return S_OK;
}

ComServer::ComServer(const TypeLibDesc& typeLib, std::initializer_list<ServerClass> classes)
    : typeLib_(typeLib) {
    for (const ServerClass& served : classes) {
        factories_.push_back(std::make_unique<TAutoObjectFactory>(*served.coclass, served.create));
    }
}

TAutoObjectFactory* ComServer::Factory(REFCLSID clsid) const {
    for (const auto& factory : factories_) {
        if (factory->CoClass().clsid == clsid) {
            return factory.get();
        }
    }
    return nullptr;
}

HRESULT ComServer::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    TAutoObjectFactory* factory = Factory(clsid);
    return factory ? factory->QueryInterface(riid, ppv) : CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComServer::CanUnloadNow() const {
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

std::string ComServer::ProgID(const CoClassDesc& coclass) const {
    return std::string(typeLib_.name) + "." + coclass.name;
}

HRESULT ComServer::EditClassesRoot(const ClassesRootEdit& edit) const {
    const std::string libid = GUIDToString(typeLib_.libid);
    const std::string version =
        std::to_string(typeLib_.majorVersion) + "." + std::to_string(typeLib_.minorVersion);
    const HRESULT hr = SafeCall([&] {
        UpdateRegistry(
            [&](RegistryTree& tree) { edit(tree.Root(HKEY_CLASSES_ROOT), libid, version); });
    });
    return hr == S_OK ? S_OK : SELFREG_E_CLASS;
}

HRESULT ComServer::RegisterServer(const std::string& modulePath) const {
    return EditClassesRoot([&](RegKey& root, const std::string& libid, const std::string& version) {
        for (const auto& factory : factories_) {
            const CoClassDesc& coclass = factory->CoClass();
            const std::string clsid = GUIDToString(coclass.clsid);
            const std::string progID = ProgID(coclass);
            RegKey& classKey = root.CreateKey("CLSID\\" + clsid);
            classKey.SetValue("", std::string(coclass.helpString));
            RegKey& server = classKey.CreateKey("InprocServer32");
            server.SetValue("", modulePath);
            server.SetValue("ThreadingModel", std::string("Apartment"));
            classKey.CreateKey("ProgID").SetValue("", progID);
            classKey.CreateKey("Version").SetValue("", version);
            classKey.CreateKey("TypeLib").SetValue("", libid);
            RegKey& progKey = root.CreateKey(progID);
            progKey.SetValue("", std::string(coclass.helpString));
            progKey.CreateKey("Clsid").SetValue("", clsid);

            const InterfaceDesc& iface = *coclass.defaultInterface;
            RegKey& ifaceKey = root.CreateKey("Interface\\" + GUIDToString(iface.iid));
            ifaceKey.SetValue("", std::string(iface.name));
            ifaceKey.CreateKey("ProxyStubClsid32").SetValue("", std::string(kAutomationProxyStub));
            RegKey& ifaceLib = ifaceKey.CreateKey("TypeLib");
            ifaceLib.SetValue("", libid);
            ifaceLib.SetValue("Version", version);
        }
        RegKey& libKey = root.CreateKey("TypeLib\\" + libid + "\\" + version);
        libKey.SetValue("", std::string(typeLib_.helpString));
        // The locale key is the LCID in hex ("409"), as type-library readers look it up.
        char lcid[16];
        std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(typeLib_.lcid));
        libKey.CreateKey(std::string(lcid) + "\\win32").SetValue("", modulePath);
        libKey.CreateKey("FLAGS").SetValue("", std::string("0"));
        libKey.CreateKey("HELPDIR").SetValue(
            "", std::filesystem::path(modulePath).parent_path().string());
    });
}

HRESULT ComServer::UnregisterServer() const {
    return EditClassesRoot([&](RegKey& root, const std::string& libid, const std::string& version) {
        for (const auto& factory : factories_) {
            const CoClassDesc& coclass = factory->CoClass();
            root.DeleteKey("CLSID\\" + GUIDToString(coclass.clsid));
            root.DeleteKey(ProgID(coclass));
            root.DeleteKey("Interface\\" + GUIDToString(coclass.defaultInterface->iid));
        }
        const std::string libPath = "TypeLib\\" + libid;
        root.DeleteKey(libPath + "\\" + version);
        if (const RegKey* lib = root.OpenKey(libPath); lib && lib->SubKeyNames().empty()) {
            root.DeleteKey(libPath);
        }
    });
}

}  // namespace platform
