#pragma once

#include "Emulator.h"
#include "FPAxUnit.h"

// The built Kalvora.so registered in the registry that KALVORA_REGISTRY names, so that
// TFPPrinter creates its driver object from it as from an installed driver. The caller points
// KALVORA_REGISTRY at a file of its own first.
class RegisteredDriver {
public:
    // Throws std::runtime_error when the library cannot be loaded or does not register.
    RegisteredDriver();
    ~RegisteredDriver();
    RegisteredDriver(const RegisteredDriver&) = delete;
    RegisteredDriver& operator=(const RegisteredDriver&) = delete;

private:
    void* module_;
};

// Connects Printer to Emulator as the main window connects before a batch, then reads the
// printer's information: over TCP to a TCP emulator, otherwise at 115200 to the COM port of its
// PortMapping(), which the caller has put into KALVORA_PORTS. False when a step failed (the
// printer has told why through OnMessage).
bool ConnectToEmulator(TFPPrinter& Printer, const fpemu::Emulator& Emulator);
