// The main window's printer connection: connect, disconnect, port search and connection test.
#include <QCoreApplication>

#include "ConstUnit_Program.h"
#include "FormText.h"
#include "MainUnit.h"
#include "StrResUnit.h"

namespace {

const QColor kConnectedColor(0, 255, 0);

}  // namespace

TPrinterAccess& TMainForm::Printer() {
    // Without a printer object (its creation failed at start) every connection fails.
    if (!FPrinter) {
        throw EAbort("Printer not initialized.");
    }
    return *FPrinter;
}

void TMainForm::SetTrayState(int IconIndex, const std::string& Hint) {
    FTrayIconIndex = IconIndex;
    TrayIcon->setIcon(Icons[IconIndex]);
    TrayIcon->setToolTip(FromAnsi(Hint));
}

void TMainForm::ShowDeviceLabels() {
    const TPrnInfo& info = FPrinter->PrnInfo();
    lblModelName->setText(FromAnsi(info.Model));
    lblSerialNo->setText(FromAnsi(info.Serial));
    lblFMNom->setText(FromAnsi(info.FiscalNo));
    lblLastDoc->setText(QString::number(info.LastRecieptNo));
    lblNextInvNo->setText(FromAnsi(info.LastInvoiceNo));
    lblColumnCount->setText(QString::number(info.LineLength));
}

bool TMainForm::ConnectPrinter(bool WithClock) {
    TSettings& s = Settings();
    const TLngMessages& m = LngMessages();
    try {
        if (!s.UseTCP && s.AutoSearch) {
            std::string serial;
            AutoSearchPort(serial);
        }
        const std::string connection =
            s.UseTCP ? "\"" + s.IPAddress + "/" + std::to_string(s.TCPPort) + "\""
                     : "\"" + s.ComPort + "/" + std::to_string(s.BaudRate) + "\"";
        if (s.UseTCP) {
            if (!IsValidIP(s.IPAddress)) {
                throw EAbort("IP address is not valid.");
            }
            if (!Printer().ConnectTCP(s.IPAddress, s.TCPPort)) {
                throw EAbort("Faled connect to " + connection);
            }
        } else {
            if (Trim(s.ComPort).empty()) {
                throw EAbort("Com port is not defined.");
            }
            if (!Printer().ConnectRS232(s.ComPort, s.BaudRate)) {
                throw EAbort("Faled connect to " + connection);
            }
        }
        if (!FPrinter->ReadPrinterInfo(WithClock)) {
            throw EAbort("Fali get device info.");
        }
        ShowDeviceLabels();
        const TPrnInfo& info = FPrinter->PrnInfo();
        Log("Connected to " + connection, false);
        Log("Fiscal printer: \"" + info.Model + "\", Serial: \"" + info.Serial + "\"", false);
        Log("Driver: \"" + info.DriverInfo + "\"", false);
        ShowConnectionInfo();
        pConn->SetColor(kConnectedColor);
        SetTrayState(0, m.S_HintOK);
        lblComError->setText(QStringLiteral("-"));
        imgError->hide();
        QCoreApplication::processEvents();
        return true;
    } catch (const std::exception& e) {
        Log(e.what(), true);
        ShowNotifyHint(1, m.S_PRNFatalError);
        SetTrayState(1, m.S_PRNFatalError);
        pAction->setText(FromAnsi(m.S_PRNFatalError));
        lblComError->setText(FromAnsi(m.S_PRNFatalError));
        imgError->show();
        return false;
    }
}

void TMainForm::DisconnectPrinter() {
    if (FPrinter) {
        FPrinter->DisconnectPRN();
    }
    pConn->SetColor(palette().color(QPalette::Button));
    QCoreApplication::processEvents();
    Log("Disconnected from device", false);
}

void TMainForm::ShowConnectionInfo() {
    const TSettings& s = Settings();
    pConn->setText(s.UseTCP ? FromAnsi(s.IPAddress) + "/" + QString::number(s.TCPPort)
                            : FromAnsi(s.ComPort) + "/" + QString::number(s.BaudRate));
}

bool TMainForm::AutoSearchPort(std::string& Serial) {
    TSettings& s = Settings();
    bool result = false;
    try {
        DisconnectPrinter();
        std::vector<std::string> candidates =
            FServices.EnumSerialPorts ? FServices.EnumSerialPorts() : std::vector<std::string>{};
        if (!s.ComPort.empty()) {
            candidates.insert(candidates.begin(), s.ComPort);
        }
        std::string firstPort;
        std::string firstSerial;
        for (const std::string& port : candidates) {
            std::string serial;
            if (!TryPort(port, serial)) {
                continue;
            }
            if (firstPort.empty()) {
                firstPort = port;
                firstSerial = serial;
            }
            if (IsWantedDevice(serial, s.DevicesToWorkWith)) {
                s.ComPort = port;
                Serial = serial;
                result = true;
                break;
            }
        }
        if (!result && !firstPort.empty()) {
            s.ComPort = firstPort;
            Serial = firstSerial;
            result = true;
            Log("Device not found. Will use first available printer on port: " + s.ComPort, false);
        }
    } catch (const std::exception& e) {
        Log(std::string("Auto search comports failed: ") + e.what(), false);
    }
    DisconnectPrinter();
    return result;
}

bool TMainForm::TryPort(const std::string& Port, std::string& Serial) {
    const std::string prefix = "Checking for fiscal device on port:\"" + Port + "\". ";
    try {
        if (Trim(Port).empty()) {
            throw EAbort("Empty com port supplied.");
        }
        if (!Printer().ConnectRS232(Port, Settings().BaudRate)) {
            throw EAbort("Fali to connect.");
        }
        if (!FPrinter->ReadPrinterInfo(false)) {
            throw EAbort("Fali to get device info.");
        }
        const TPrnInfo& info = FPrinter->PrnInfo();
        Serial = info.Serial;
        Log(prefix + " Found device  \"" + info.Model + "/" + info.Serial + "\"", false);
        return !Trim(Serial).empty();
    } catch (const std::exception& e) {
        Log(prefix + " " + e.what(), false);
        return false;
    }
}

void TMainForm::TestConnection(const std::string& Port, int32_t Speed) {
    TSettings& s = Settings();
    const TLngMessages& m = LngMessages();
    StartTask(FromAnsi(m.S_ConnectionTest));
    const bool useTCP = s.UseTCP;
    const int32_t tcpPort = s.TCPPort;
    const std::string ipAddress = s.IPAddress;
    const int32_t baudRate = s.BaudRate;
    const std::string comPort = s.ComPort;
    try {
        s.UseTCP = false;
        s.BaudRate = Speed;
        s.ComPort = Port;
        InfoBox(FromAnsi(ConnectPrinter(false) ? m.S_TestOK : m.S_TestFail));
    } catch (const std::exception& e) {
        Log(std::string("Manual test failed: ") + e.what(), false);
        InfoBox(FromAnsi(m.S_Error) + "\n" + FromAnsi(e.what()));
    }
    EndTask();
    DisconnectPrinter();
    s.UseTCP = useTCP;
    s.TCPPort = tcpPort;
    s.IPAddress = ipAddress;
    s.BaudRate = baudRate;
    s.ComPort = comPort;
}
