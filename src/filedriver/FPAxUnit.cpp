#include "FPAxUnit.h"

#include <cinttypes>
#include <cstdio>

#include "ComClient.h"
#include "ConstUnit_Program.h"
#include "ErrorInfo.h"
#include "FPAxUnit_Parser.h"
#include "FPAxUnit_Wide.h"

using platform::BSTR;
using platform::HRESULT;

namespace {

// The reason a call failed at the interface itself (server gone, bad argument).
std::string FailureText(HRESULT Result) {
    std::string text = platform::TakeErrorDescription();
    if (text.empty()) {
        char code[16];
        std::snprintf(code, sizeof code, "%08" PRIX32, static_cast<uint32_t>(Result));
        text = "OLE error " + std::string(code);
    }
    return text;
}

}  // namespace

platform::ComPtr<ITavrinoFprnRO> CreateDriverObject() {
    platform::ComPtr<ITavrinoFprnRO> driver;
    const HRESULT result =
        platform::CoCreateInstance(CLASS_TavrinoFprnRO, nullptr, platform::CLSCTX_INPROC_SERVER,
                                   IID_ITavrinoFprnRO, driver.ReceiveVoid());
    if (platform::FAILED(result)) {
        throw EAbort("Cannot create the driver object. " + FailureText(result));
    }
    return driver;
}

void WithContext(const std::string& Context, const std::function<void()>& Body) {
    try {
        Body();
    } catch (const std::exception& e) {
        throw EAbort(Context + e.what());
    }
}

TFPPrinter::TFPPrinter() : TFPPrinter(CreateDriverObject()) {}

TFPPrinter::TFPPrinter(platform::ComPtr<ITavrinoFprnRO> Driver) : FDriver(std::move(Driver)) {
    if (FDriver) {
        const std::string version = ReadText(&ITavrinoFprnRO::Get_DriverVersion);
        const std::string vendor = ReadText(&ITavrinoFprnRO::Get_DriverVendor);
        DoMessage("AX version: " + version);
        DoMessage("AX Vendor: " + vendor);
    }
}

TFPPrinter::~TFPPrinter() = default;

void TFPPrinter::DoMessage(const std::string& Text) {
    if (OnMessage) {
        OnMessage(Text);
    }
}

void TFPPrinter::DoError(const std::string& Context, const std::exception& E) {
    DoMessage("FP ERROR." + Context + " " + E.what());
}

void TFPPrinter::CheckInitialized() {
    if (!FDriver) {
        throw EAbort("Printer not initialized.");
    }
}

ITavrinoFprnRO* TFPPrinter::Driver() {
    CheckInitialized();
    return FDriver.Get();
}

void TFPPrinter::CheckHResult(HRESULT Result) {
    if (platform::FAILED(Result)) {
        throw EAbort(FailureText(Result));
    }
}

void TFPPrinter::CheckLastError() {
    int32_t code = 0;
    CheckHResult(Driver()->Get_LastErrorCode(&code));
    if (code != 0) {
        throw EAbort(LastErrorMsg());
    }
}

std::string TFPPrinter::LastErrorMsg() {
    return ReadText(&ITavrinoFprnRO::Get_LastErrorMsg);
}

std::string TFPPrinter::ReadText(HRESULT (ITavrinoFprnRO::*Getter)(BSTR*)) {
    BSTR value = nullptr;
    const HRESULT result = (Driver()->*Getter)(&value);
    std::string text = TakeText(value);
    CheckHResult(result);
    return text;
}

bool TFPPrinter::ConnectRS232(const std::string& Port, int32_t Speed) {
    try {
        // "COM12" is port 12; only the fourth and fifth characters count.
        const int32_t comPort = StrToIntDef(Port.size() > 3 ? Port.substr(3, 2) : "", 1);
        Run([&](int32_t* res) {
            return Driver()->InitRS232(comPort, Speed, TWideText(""),
                                       TWideText(Settings().AxLogDir), res);
        });
        return true;
    } catch (const std::exception& e) {
        DoError("Connect on " + Port + "/" + std::to_string(Speed) + " failed: ", e);
        return false;
    }
}

bool TFPPrinter::ConnectTCP(const std::string& Address, int32_t Port) {
    try {
        Run([&](int32_t* res) {
            return Driver()->InitTCP(TWideText(Address), Port, TWideText(""),
                                     TWideText(Settings().AxLogDir), res);
        });
        return true;
    } catch (const std::exception& e) {
        DoError("ConnectTCP " + Address + "/" + std::to_string(Port) + " failed: ", e);
        return false;
    }
}

bool TFPPrinter::ReadPrinterInfo(bool WithClock) {
    try {
        PrnInfo.Model = ReadText(&ITavrinoFprnRO::Get_FPModel);
        CheckLastError();
        PrnInfo.Serial = ReadText(&ITavrinoFprnRO::Get_FPSerial);
        CheckLastError();
        int32_t lineLength = 0;
        CheckHResult(Driver()->Get_FPLineLength(&lineLength));
        PrnInfo.LineLength = lineLength;
        CheckLastError();
        PrnInfo.FiscalNo = ReadText(&ITavrinoFprnRO::Get_FPFiscalNo);
        CheckLastError();
        PrnInfo.LastInvoiceNo = ReadText(&ITavrinoFprnRO::Get_LastInvoiceNo);
        if (WithClock) {
            platform::DATE clock = 0;
            CheckHResult(Driver()->Get_FPDateTime(&clock));
            PrnInfo.PrinterClock = clock;
            int32_t number = 0;
            CheckHResult(Driver()->Get_LastRecieptNo(&number));
            PrnInfo.LastRecieptNo = number;
        }
        const std::string version = ReadText(&ITavrinoFprnRO::Get_DriverVersion);
        PrnInfo.DriverInfo = version + ". " + ReadText(&ITavrinoFprnRO::Get_DriverVendor);
        return true;
    } catch (const std::exception& e) {
        DoError("Get printer info failed: ", e);
        return false;
    }
}

bool TFPPrinter::RunManualReport(int32_t Kind, bool Flag, TDateTime StartDate, TDateTime EndDate,
                                 bool Detailed, int32_t StartBlock, int32_t EndBlock) {
    try {
        CheckInitialized();
        ITavrinoFprnRO* driver = FDriver.Get();
        switch (Kind) {
            case 0:
                Run([&](int32_t* res) { return driver->RunXReport(res); });
                break;
            case 1:
                Run([&](int32_t* res) { return driver->RunZReport(res); });
                break;
            case 2:
                Run([&](int32_t* res) {
                    return driver->RunFMDateReport(StartDate, EndDate, Detailed ? 1 : 0, res);
                });
                break;
            case 3:
                Run([&](int32_t* res) { return driver->RunDepartReport(Flag ? 1 : 0, res); });
                break;
            case 4:
                Run([&](int32_t* res) { return driver->RunPluReport(res); });
                break;
            case 5:
                Run([&](int32_t* res) { return driver->RunOtherReport(2, res); });
                break;
            case 6:
                Run([&](int32_t* res) {
                    return driver->RunFMBlockReport(StartBlock, EndBlock, Flag ? 1 : 0, res);
                });
                break;
            default:
                break;
        }
        return true;
    } catch (const std::exception& e) {
        DoError("Manal report failed: ", e);
        return false;
    }
}

bool TFPPrinter::ReadDepartment(int32_t Number, TDepartmentInf& Department) {
    try {
        platform::ComPtr<IDepatmentData> data;
        CheckHResult(Driver()->GetDepartData(Number, data.Receive()));
        CheckLastError();
        if (data) {
            int32_t value = 0;
            CheckHResult(data->Get_DepNom(&value));
            Department.DepNom = value;
            BSTR text = nullptr;
            CheckHResult(data->Get_DepName(&text));
            Department.DepName = TakeText(text);
            text = nullptr;
            CheckHResult(data->Get_Description(&text));
            Department.Description = TakeText(text);
            CheckHResult(data->Get_TaxGroup(&value));
            Department.TaxGroup = value;
            CheckHResult(data->Get_DepExists(&value));
            Department.ExitCode = std::to_string(value);
            Department.Edited = false;
        }
        return true;
    } catch (const std::exception& e) {
        DoMessage("Read department fail: " + std::string(e.what()));
        return false;
    }
}

bool TFPPrinter::WriteDepartment(int32_t Number, const TDepartmentInf& Department) {
    try {
        Run([&](int32_t* res) {
            return Driver()->SetDepartData(Number, TWideText(Department.DepName),
                                           Department.TaxGroup, TWideText(Department.Description),
                                           res);
        });
        return true;
    } catch (const std::exception& e) {
        DoMessage(e.what());
        return false;
    }
}

void TFPPrinter::DisconnectPRN() {
    try {
        Run([&](int32_t* res) { return Driver()->CloseConnection(res); });
    } catch (const std::exception& e) {
        DoMessage("DisconnectPRN" + std::string(e.what()));
    }
}

void TFPPrinter::PrintTestReceipt() {
    WithContext("Test reciept fail ", [&] {
        ITavrinoFprnRO* driver = Driver();
        const TWideText empty("");
        Run([&](int32_t* res) {
            return driver->StartBon(1, 1, TWideText("Test casier"),
                                    TWideText(Settings().CashierPass), TWideText("0"), empty, empty,
                                    empty, empty, empty, empty, res);
        });
        Run([&](int32_t* res) { return driver->AddLine(TWideText("Empty"), empty, 1, res); });
        Run([&](int32_t* res) { return driver->EndBon(res); });
    });
}

void TFPPrinter::PrintDiagReceipt() {
    WithContext("Test FP Test fail ",
                [&] { Run([&](int32_t* res) { return Driver()->PrintDiagReciept(res); }); });
}

void TFPPrinter::CopyLastReceipt() {
    WithContext("Copy last rec fail ",
                [&] { Run([&](int32_t* res) { return Driver()->CopyLastReciept(res); }); });
}

void TFPPrinter::SumInOut(double Amount) {
    WithContext("SumInOut fail ",
                [&] { Run([&](int32_t* res) { return Driver()->InOutAmnt(Amount, 1, res); }); });
}
