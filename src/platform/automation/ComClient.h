#pragma once

#include "Interfaces.h"

namespace platform {

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_SERVER = 0x15;
inline constexpr DWORD CLSCTX_ALL = 0x17;

// The exports of an in-process server.
using DllGetClassObjectFunc = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using DllCanUnloadNowFunc = HRESULT (*)();
using DllRegisterServerFunc = HRESULT (*)();
using DllUnregisterServerFunc = HRESULT (*)();

// Finds the class's in-process server in the registry (the default value of
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32), loads it and asks its DllGetClassObject. Only
// in-process servers exist here. REGDB_E_CLASSNOTREG for an unknown class, REGDB_E_READREGDB when
// the registry cannot be read, HRESULT_MOD_NOT_FOUND when the library does not load,
// CO_E_ERRORINDLL when it has no DllGetClassObject; the reason is kept by SetErrorDescription. A
// loaded library stays loaded.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid,
                         void** ppv);
// CoGetClassObject, then the factory's CreateInstance.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv);
// HKEY_CLASSES_ROOT\<ProgID>\Clsid; CO_E_CLASSSTRING when the ProgID is not registered.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
// There is no table of running objects here: always MK_E_UNAVAILABLE.
HRESULT GetActiveObject(REFCLSID rclsid, void* pvReserved, IUnknown** ppunk);

}  // namespace platform
