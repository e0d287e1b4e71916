#include "TavrinoFprnRO.h"

#include "ConstUnit.h"
#include "RS232DeviceUnit.h"
#include "TCPDeviceUnit.h"
#include "TavrinoFprnRO_Frame.h"

namespace {

const char* const NotInitialized = "Device is not initiqlized. Call \"init\" first!";

}  // namespace

TTavrinoFprnRO::TTavrinoFprnRO() : TAutoObject(ITavrinoFprnRODesc) {}

// Numbers and dates of the library are always formatted with "." and ":" by the helper unit,
// whatever the process locale says, so there is no setting to make here.
void TTavrinoFprnRO::Initialize() {
    FLogFile.clear();
    FSerial.clear();
    FModel.clear();
    FFiscalNo.clear();
    FCharPerLine = 0;
    FLastInvoiceNo.assign(1, '0');
    FStatusBytes.clear();
    ClearError();
}

TTavrinoFprnRO::~TTavrinoFprnRO() {
    int32_t Res = ResOk;
    CloseConnection(&Res);
    FStatusBytes.clear();
}

void TTavrinoFprnRO::ClearError() {
    FLastErrorCode = 0;
    FLastErrorMsg.clear();
}

void TTavrinoFprnRO::LogMessage(const std::string& Text, TLogKind Kind) {
    if (!Trim(FLogFile).empty()) {
        WriteLog(Text, FLogFile, Kind);
    }
}

void TTavrinoFprnRO::CheckConnected() {
    if (!FDevice) {
        throw ECmdException(ResFail, NotInitialized);
    }
    if (!FDevice->IsConnected()) {
        throw ECmdException(101, "Device is not connected!");
    }
}

void TTavrinoFprnRO::HandleError(const std::exception& E, const std::string& Context) {
    FLastErrorMsg = E.what();
    const auto* Cmd = dynamic_cast<const ECmdException*>(&E);
    FLastErrorCode = Cmd ? Cmd->Code : ResFail;
    LogMessage(Context.empty() ? FLastErrorMsg : Context + ". " + FLastErrorMsg, lkError);
}

void TTavrinoFprnRO::DeviceCheck(bool Ok, const std::string& Prefix) {
    if (!Ok) {
        throw ECmdException(FDevice->FLastErrorCode, Prefix + FDevice->FLastErrorMsg);
    }
}

void TTavrinoFprnRO::CheckPrinterStatus() {
    DeviceCheck(FDevice->GetStatus(true, FStatusBytes));
    std::string Warnings;
    FDevice->StatusWarnings(FStatusBytes, Warnings);
    if (!Trim(Warnings).empty()) {
        throw ECmdException(251, Warnings);
    }
}

// A receipt left open on the printer ([2/3] fiscal, [2/5] non-fiscal) is cancelled; the
// driver's own receipt state is left alone.
void TTavrinoFprnRO::CancelWhenReceiptOpen() {
    if (TBaseDevice::IsBitSet(FStatusBytes, 2, 3) || TBaseDevice::IsBitSet(FStatusBytes, 2, 5)) {
        DeviceCheck(FDevice->CancelOpenReceipt(), "[CancelRec]");
    }
}

// A port number of 0 or below selects the TCP device.
std::unique_ptr<TBaseDeviceRO> TTavrinoFprnRO::NewDevice(int32_t ComPort, int32_t BaudRate,
                                                         int32_t PortNo,
                                                         const std::string& IPAddress) {
    if (ComPort <= 0) {
        auto Tcp = std::make_unique<TTCPDevice>();
        Tcp->SetHost(IPAddress);
        Tcp->SetPort(std::to_string(PortNo));
        return Tcp;
    }
    auto Serial = std::make_unique<TRS32Device>();
    Serial->SetPortName("COM" + std::to_string(ComPort));
    Serial->SetBaudRate(std::to_string(BaudRate));
    return Serial;
}

int32_t TTavrinoFprnRO::Init(int32_t ComPort, int32_t BaudRate, int32_t PortNo,
                             const std::string& LogFile, const std::string& IPAddress) {
    FLogFile = LogFile;
    ClearError();
    try {
        LogMessage("Init. " + GetModulePath(true) + "." + GetModuleVersion() + " " +
                       "ComPort:" + std::to_string(ComPort) +
                       ", BaudRate:" + std::to_string(BaudRate) + ", IPAddress:" + IPAddress +
                       ", TCPPort:" + std::to_string(PortNo) + ", LogFolder:" + LogFile,
                   lkInfo);
        if (ComPort <= 0 && Trim(IPAddress).empty()) {
            throw EAbort(
                "Invalid COM Port and IP address. Add valid ComPort or IP Address to connect.");
        }
        if (ComPort <= 0 && !IsValidIP(IPAddress)) {
            throw EAbort("Invalid IP address. Must valid ComPort or IP Address to connect.");
        }
        FDevice.reset();
        FDevice = NewDevice(ComPort, BaudRate, PortNo, IPAddress);
        LogMessage(ComPort > 0
                       ? "Connecting to \"COM" + std::to_string(ComPort) + "/" +
                             std::to_string(BaudRate) + "\""
                       : "Connecting to \"IP: " + IPAddress + ":" + std::to_string(PortNo) + "\"",
                   lkInfo);
        DeviceCheck(FDevice->Connect());
        CheckPrinterStatus();
        TDiagnosticInfo Info{};
        DeviceCheck(FDevice->GetDiagnosticInfo(false, Info));
        FModel = Info.FPModel;
        FSerial = Info.FPSerial;
        FFiscalNo = Info.FPFiscalNo;
        TPrnConst Params{};
        DeviceCheck(FDevice->GetDeviceInfo(Params));
        CancelWhenReceiptOpen();
        FCharPerLine = 0;
        TryStrToInt(Params.Items[TPrnConst::CharsPerLineIndex], FCharPerLine);
        LogMessage("Connected to: " + FModel + "/" + FSerial +
                       ", CharPerLine=" + std::to_string(FCharPerLine),
                   lkInfo);
        return ResOk;
    } catch (const std::exception& E) {
        // A failed Init leaves no device at all, the previous one included.
        FDevice.reset();
        HandleError(E, "Init fail");
        return ResFail;
    }
}

HRESULT TTavrinoFprnRO::InitRS232(int32_t ComPort, int32_t BaudRate, BSTR /*Reserved*/,
                                  BSTR LogFile, int32_t* Res) {
    return Slot(Res, [&] {
        *Res = ResFail;
        *Res = Init(ComPort, BaudRate, 0, AnsiText(LogFile), {});
    });
}

HRESULT TTavrinoFprnRO::InitTCP(BSTR IPAddress, int32_t PortNo, BSTR /*Reserved*/, BSTR LogFile,
                                int32_t* Res) {
    return Slot(Res, [&] {
        *Res = ResFail;
        *Res = Init(0, 0, PortNo, AnsiText(LogFile), AnsiText(IPAddress));
    });
}

HRESULT TTavrinoFprnRO::CloseConnection(int32_t* Res) {
    return Slot(Res, [&] {
        *Res = ResOk;
        ClearError();
        if (!FDevice) {
            return;
        }
        try {
            FDevice->Disconnect();
            FDevice.reset();
        } catch (const std::exception& E) {
            HandleError(E, {});
        }
    });
}

HRESULT TTavrinoFprnRO::Close(int32_t* Res) {
    return CloseConnection(Res);
}
