#include "ProgramServices.h"

#include "EnumPorts.h"
#include "ErrorInfo.h"
#include "FPAxUnit.h"
#include "FPAxUnit_Wide.h"

std::string ReadDriverVersion() {
    const platform::ComPtr<ITavrinoFprnRO> driver = CreateDriverObject();
    platform::BSTR version = nullptr;
    if (platform::FAILED(driver->Get_DriverVersion(&version))) {
        throw EAbort("DriverVersion: " + platform::TakeErrorDescription());
    }
    return TakeText(version);
}

TMainFormServices ProgramServices() {
    TMainFormServices services;
    services.DriverVersion = ReadDriverVersion;
    services.CreatePrinter = [] { return std::make_unique<TFPPrinterAccess>(); };
    services.EnumSerialPorts = [] { return EnumSerialPorts(); };
    return services;
}
