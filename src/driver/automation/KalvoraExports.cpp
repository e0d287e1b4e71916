// The library's only exports: the four entry points of an in-process server.
#include "KalvoraServer.h"
#include "Version.h"

using platform::REFCLSID;
using platform::REFIID;

#define KALVORA_EXPORT extern "C" __attribute__((visibility("default")))

KALVORA_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return KalvoraServer().GetClassObject(rclsid, riid, ppv);
}

KALVORA_EXPORT HRESULT DllCanUnloadNow() {
    return KalvoraServer().CanUnloadNow();
}

KALVORA_EXPORT HRESULT DllRegisterServer() {
    return KalvoraServer().RegisterServer(platform::ModuleFileName());
}

KALVORA_EXPORT HRESULT DllUnregisterServer() {
    return KalvoraServer().UnregisterServer();
}
