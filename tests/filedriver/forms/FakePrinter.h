#pragma once

#include <QTimer>
#include <atomic>
#include <map>
#include <semaphore>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "PrinterAccess.h"

// A printer access object that writes each call into a journal and answers as it is told.
class TFakePrinter : public TPrinterAccess {
public:
    explicit TFakePrinter(std::vector<std::string>& Journal) : FJournal(Journal) {}

    void SetOnMessage(TMessageEvent OnMessage) override { FOnMessage = std::move(OnMessage); }
    const TPrnInfo& PrnInfo() const override { return Info; }
    int32_t DoneCount() const override { return Done; }

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
    bool BatchDue(bool NewFiles) override { return NewFiles || FilesWaiting; }
    bool HasUnsettledFiles() override;
    void StopTakingFiles() override { StopAsked = true; }

    TPrnInfo Info;
    int32_t Done = 0;
    bool ConnectAnswers = true;
    bool OperationsAnswer = true;
    bool FilesWaiting = false;  // work files wait for the printer
    std::atomic<bool> StopAsked{false};
    // Serial numbers of the printers on serial ports; a port not named here does not answer.
    std::map<std::string, std::string> SerialOnPort;
    // Runs inside every operation after the connection (a test's view into the middle).
    std::function<void()> DuringOperation;
    // The threads the object was made and called on.
    std::set<std::thread::id> Threads{std::this_thread::get_id()};

private:
    void Note(const std::string& Call);
    bool Answer(const std::string& Call);

    std::vector<std::string>& FJournal;
    TMessageEvent FOnMessage;
    std::string FPort;
};

// Holds the first operation of Printer on the driver thread until Inside has run once on this
// thread, from its event loop: what a click would do in the middle of device work. Later
// operations are not held.
class TInsideOperation {
public:
    TInsideOperation(TFakePrinter& Printer, std::function<void()> Inside);
    ~TInsideOperation() { FPrinter.DuringOperation = nullptr; }
    TInsideOperation(const TInsideOperation&) = delete;
    TInsideOperation& operator=(const TInsideOperation&) = delete;

private:
    TFakePrinter& FPrinter;
    std::atomic<bool> FHeld{false};
    std::binary_semaphore FRelease{0};
    QTimer FProbe;
};
