#include "RegisteredDriver.h"

#include <dlfcn.h>

#include <stdexcept>

#include "ComClient.h"

RegisteredDriver::RegisteredDriver() : module_(::dlopen(KALVORA_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (module_ == nullptr) {
        throw std::runtime_error(::dlerror());
    }
    const auto registerServer =
        reinterpret_cast<platform::DllRegisterServerFunc>(::dlsym(module_, "DllRegisterServer"));
    if (registerServer == nullptr || registerServer() != platform::S_OK) {
        ::dlclose(module_);
        throw std::runtime_error("DllRegisterServer of " KALVORA_PATH " failed");
    }
}

RegisteredDriver::~RegisteredDriver() {
    ::dlclose(module_);
}

bool ConnectToEmulator(TFPPrinter& Printer, const fpemu::Emulator& Emulator) {
    const bool connected =
        Emulator.IsTcp()
            ? Printer.ConnectTCP(Emulator.Host(), Emulator.Port())
            : Printer.ConnectRS232(
                  Emulator.PortMapping().substr(0, Emulator.PortMapping().find('=')), 115200);
    return connected && Printer.ReadPrinterInfo(false);
}
