#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ConstUnit.h"

// What the printer access object last learned about the printer.
struct TPrnInfo {
    std::string Model;
    std::string Serial;
    std::string FiscalNo;
    int32_t LineLength = 0;
    int32_t LastRecieptNo = 0;
    std::string LastInvoiceNo = "0";
    TDateTime PrinterClock = 0;
    std::string DriverInfo;
};

// One department as the department dialog shows it.
struct TDepartmentInf {
    int32_t DepNom = 0;
    std::string DepName;
    std::string Description;
    int32_t TaxGroup = 0;
    std::string ExitCode;
    bool Edited = false;
};

using TDepartmentTable = std::array<TDepartmentInf, 99>;  // entry N - 1 for department N

// The main window's view of the printer access object: one operation per piece of device work.
// Boolean operations report their failures through the message event; the others raise.
class TPrinterAccess {
public:
    using TMessageEvent = std::function<void(const std::string&)>;

    virtual ~TPrinterAccess() = default;

    virtual void SetOnMessage(TMessageEvent OnMessage) = 0;
    virtual const TPrnInfo& PrnInfo() const = 0;
    virtual int32_t DoneCount() const = 0;

    virtual bool ConnectRS232(const std::string& Port, int32_t Speed) = 0;
    virtual bool ConnectTCP(const std::string& Address, int32_t Port) = 0;
    virtual bool ReadPrinterInfo(bool WithClock) = 0;
    virtual bool RunManualReport(int Kind, bool Flag, TDateTime StartDate, TDateTime EndDate,
                                 bool Detailed, int32_t StartBlock, int32_t EndBlock) = 0;
    virtual bool ReadDepartment(int32_t Number, TDepartmentInf& Department) = 0;
    virtual bool WriteDepartment(int32_t Number, const TDepartmentInf& Department) = 0;
    virtual void DisconnectPRN() = 0;
    virtual void PrintTestReceipt() = 0;
    virtual void PrintDiagReceipt() = 0;
    virtual void CopyLastReceipt() = 0;
    virtual void SumInOut(double Amount) = 0;
    // Entries as SelectBonFiles lists them: time stamp, TAB, file name.
    virtual bool ProcessFiles(const std::vector<std::string>& List) = 0;
};
