// The exports of the tests' own in-process server.
#include <dlfcn.h>

#include "TestCounter.h"

namespace {

const ComServer& Server() {
    static const ComServer server(kCounterLib, {{&kCounterClasses[0], CreateAutoObject<TCounter>}});
    return server;
}

std::string ModulePath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&Server), &info);
    return info.dli_fname ? info.dli_fname : "";
}

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return Server().GetClassObject(rclsid, riid, ppv);
}
EXPORT HRESULT DllCanUnloadNow() {
    return Server().CanUnloadNow();
}
EXPORT HRESULT DllRegisterServer() {
    return Server().RegisterServer(ModulePath());
}
EXPORT HRESULT DllUnregisterServer() {
    return Server().UnregisterServer();
}
