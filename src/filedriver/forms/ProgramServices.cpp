#include "ProgramServices.h"

#include "AboutDialog.h"
#include "EnumPorts.h"
#include "ErrorInfo.h"
#include "FPAxUnit.h"
#include "FPAxUnit_Wide.h"
#include "PayTypesRelation.h"
#include "uDepartments.h"

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
    services.EditSettings = [](TMainForm& Main) {
        return EditSettings(Main, &Main, Main.LngFileName());
    };
    services.ShowDepartments = [](TDepartmentTable& Table) { return ShowDepartments(Table); };
    services.ShowPayTypeRelations = [] { return ShowPayTypeRelations(); };
    services.SelectReportPeriod = [](TReportPeriod& Period) { return SelectReportPeriod(Period); };
    services.ShowAboutDialog = [](QWidget* Parent) { ShowAboutDialog(Parent); };
    return services;
}
