#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

#include "PrinterAccess.h"

// The one thread that talks to the driver. The driver object is made, used and released there
// only, so that the window's thread keeps painting and taking input while the printer works.
// A plain thread, joined when the object goes, so that nothing of it outlives the program's end.
class TDriverThread {
public:
    TDriverThread();
    ~TDriverThread();
    TDriverThread(const TDriverThread&) = delete;
    TDriverThread& operator=(const TDriverThread&) = delete;

    // Runs Job there while the calling thread goes on handling its events; what Job raises is
    // raised here. Jobs run one at a time, in the order they were handed over.
    void Run(const std::function<void()>& Job);
    // Runs Job there and waits without handling events: for releasing what lives there.
    void RunAndWait(const std::function<void()>& Job);
    // A Run has not returned yet.
    bool Running() const { return FRunning > 0; }

private:
    void Post(std::function<void()> Job);
    void Loop();

    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<std::function<void()>> FJobs;
    bool FQuit = false;
    int FRunning = 0;
    std::thread FThread;  // last: it starts once the rest is made
};

// The printer access object made on the driver thread, every call of it run there. A message
// it reports during a call reaches the message event before that call returns.
class TThreadPrinter : public TPrinterAccess {
public:
    using TFactory = std::function<std::unique_ptr<TPrinterAccess>()>;

    // Makes the object with Factory on Thread; raises what Factory raises.
    TThreadPrinter(TDriverThread& Thread, const TFactory& Factory);
    ~TThreadPrinter() override;

    void SetOnMessage(TMessageEvent OnMessage) override { FOnMessage = std::move(OnMessage); }
    // As the last call left them.
    const TPrnInfo& PrnInfo() const override { return FPrnInfo; }
    int32_t DoneCount() const override { return FDoneCount; }

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
    // On the caller's thread, as the call it stops is under way on the driver thread.
    void StopTakingFiles() override { FPrinter->StopTakingFiles(); }

private:
    // Runs Work on the driver thread, then takes over what the object knows of the printer.
    void Run(const std::function<void()>& Work);
    template <class Work>
    auto Call(Work&& W) -> decltype(W()) {
        if constexpr (std::is_void_v<decltype(W())>) {
            Run(W);
        } else {
            decltype(W()) result{};
            Run([&] { result = W(); });
            return result;
        }
    }

    TDriverThread& FThread;
    // Touched on the driver thread only, but for StopTakingFiles.
    std::unique_ptr<TPrinterAccess> FPrinter;
    TMessageEvent FOnMessage;
    TPrnInfo FPrnInfo;
    int32_t FDoneCount = 0;
    QObject FMessages;  // on the caller's thread: reported messages are posted to it
};
