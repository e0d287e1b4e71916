#include "PrinterAccess.h"

void TFPPrinterAccess::SetOnMessage(TMessageEvent OnMessage) {
    FPrinter.OnMessage = std::move(OnMessage);
}

const TPrnInfo& TFPPrinterAccess::PrnInfo() const {
    return FPrinter.PrnInfo;
}

int32_t TFPPrinterAccess::DoneCount() const {
    return FPrinter.DoneCount;
}

bool TFPPrinterAccess::ConnectRS232(const std::string& Port, int32_t Speed) {
    return FPrinter.ConnectRS232(Port, Speed);
}

bool TFPPrinterAccess::ConnectTCP(const std::string& Address, int32_t Port) {
    return FPrinter.ConnectTCP(Address, Port);
}

bool TFPPrinterAccess::ReadPrinterInfo(bool WithClock) {
    return FPrinter.ReadPrinterInfo(WithClock);
}

bool TFPPrinterAccess::RunManualReport(int Kind, bool Flag, TDateTime StartDate, TDateTime EndDate,
                                       bool Detailed, int32_t StartBlock, int32_t EndBlock) {
    return FPrinter.RunManualReport(Kind, Flag, StartDate, EndDate, Detailed, StartBlock, EndBlock);
}

bool TFPPrinterAccess::ReadDepartment(int32_t Number, TDepartmentInf& Department) {
    return FPrinter.ReadDepartment(Number, Department);
}

bool TFPPrinterAccess::WriteDepartment(int32_t Number, const TDepartmentInf& Department) {
    return FPrinter.WriteDepartment(Number, Department);
}

void TFPPrinterAccess::DisconnectPRN() {
    FPrinter.DisconnectPRN();
}

void TFPPrinterAccess::PrintTestReceipt() {
    FPrinter.PrintTestReceipt();
}

void TFPPrinterAccess::PrintDiagReceipt() {
    FPrinter.PrintDiagReceipt();
}

void TFPPrinterAccess::CopyLastReceipt() {
    FPrinter.CopyLastReceipt();
}

void TFPPrinterAccess::SumInOut(double Amount) {
    FPrinter.SumInOut(Amount);
}

bool TFPPrinterAccess::ProcessFiles(const std::vector<std::string>& List) {
    return FPrinter.ProcessFiles(List);
}

bool TFPPrinterAccess::BatchDue(bool NewFiles) {
    return FPrinter.BatchDue(NewFiles);
}

bool TFPPrinterAccess::HasUnsettledFiles() {
    return FPrinter.HasUnsettledFiles();
}
