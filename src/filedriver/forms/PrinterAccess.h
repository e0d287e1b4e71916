#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConstUnit.h"
#include "FPAxUnit.h"

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
    // Once a tick, before connecting: writes the answers the receipt folder refused before;
    // True when a batch is due (files wait for the printer, or NewFiles may be taken).
    virtual bool BatchDue(bool NewFiles) = 0;
    // A work file waits for the printer to tell whether its receipt was closed.
    virtual bool HasUnsettledFiles() = 0;
    // Safe on any thread, also while another call runs: the batch under way and every later one
    // take no further file.
    virtual void StopTakingFiles() = 0;
};

// The engine's printer access object behind that view.
class TFPPrinterAccess : public TPrinterAccess {
public:
    // Creates the driver object; a failure raises EAbort.
    TFPPrinterAccess() = default;

    void SetOnMessage(TMessageEvent OnMessage) override;
    const TPrnInfo& PrnInfo() const override;
    int32_t DoneCount() const override;
    bool ConnectRS232(const std::string& Port, int32_t Speed) override;
    bool ConnectTCP(const std::string& Address, int32_t Port) override;
    bool ReadPrinterInfo(bool WithClock) override;
    bool RunManualReport(int Kind, bool Flag, TDateTime StartDate, TDateTime EndDate, bool Detailed,
                         int32_t StartBlock, int32_t EndBlock) override;
    bool ReadDepartment(int32_t Number, TDepartmentInf& Department) override;
    bool WriteDepartment(int32_t Number, const TDepartmentInf& Department) override;
    void DisconnectPRN() override;
    void PrintTestReceipt() override;
    void PrintDiagReceipt() override;
    void CopyLastReceipt() override;
    void SumInOut(double Amount) override;
    bool ProcessFiles(const std::vector<std::string>& List) override;
    bool BatchDue(bool NewFiles) override;
    bool HasUnsettledFiles() override;
    void StopTakingFiles() override { FPrinter.StopTakingFiles(); }

private:
    TFPPrinter FPrinter;
};
