#include "ComClient.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "CodePage.h"
#include "ComPtr.h"
#include "ErrorInfo.h"
#include "Registry.h"

namespace platform {

namespace {

// The default value of a key of HKEY_CLASSES_ROOT, empty when it is missing.
HRESULT ReadClassesRoot(const std::string& path, std::string& value) {
    try {
        const RegistryTree tree = ReadRegistry();
        const RegKey* key = tree.Root(HKEY_CLASSES_ROOT).OpenKey(path);
        value = key ? key->StringValue("").value_or("") : "";
        return S_OK;
    } catch (const std::exception& e) {
        SetErrorDescription(e.what());
        return REGDB_E_READREGDB;
    }
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (!(dwClsContext & CLSCTX_INPROC_SERVER)) {
        return REGDB_E_CLASSNOTREG;
    }
    std::string path;
    const HRESULT hr = ReadClassesRoot("CLSID\\" + GUIDToString(rclsid) + "\\InprocServer32", path);
    if (FAILED(hr)) {
        return hr;
    }
    if (path.empty()) {
        return REGDB_E_CLASSNOTREG;
    }
    // The library stays loaded: objects it made may outlive every factory reference.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        SetErrorDescription(dlerror());
        return HRESULT_MOD_NOT_FOUND;
    }
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFunc>(dlsym(module, "DllGetClassObject"));
    if (!getClassObject) {
        SetErrorDescription("\"" + path + "\" has no DllGetClassObject");
        dlclose(module);
        return CO_E_ERRORINDLL;
    }
    return getClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    ComPtr<IClassFactory> factory;
    const HRESULT hr =
        CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, factory.ReceiveVoid());
    if (FAILED(hr)) {
        return hr;
    }
    return factory->CreateInstance(pUnkOuter, riid, ppv);
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
    if (!lpszProgID || !lpclsid) {
        return E_INVALIDARG;
    }
    *lpclsid = GUID_NULL;
    std::string progID;
    try {
        progID = Utf16ToUtf8(lpszProgID);
    } catch (const std::exception& e) {
        SetErrorDescription(e.what());
        return E_OUTOFMEMORY;
    }
    if (progID.empty() || progID.find('\\') != std::string::npos) {
        return CO_E_CLASSSTRING;
    }
    std::string text;
    const HRESULT hr = ReadClassesRoot(progID + "\\Clsid", text);
    if (FAILED(hr)) {
        return hr;
    }
    const std::optional<GUID> clsid = GUIDFromString(text);
    if (!clsid) {
        return CO_E_CLASSSTRING;
    }
    *lpclsid = *clsid;
    return S_OK;
}

HRESULT GetActiveObject(REFCLSID, void*, IUnknown** ppunk) {
    if (ppunk) {
        *ppunk = nullptr;
    }
    return MK_E_UNAVAILABLE;
}

}  // namespace platform
