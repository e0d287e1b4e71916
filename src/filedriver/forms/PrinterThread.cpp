#include "PrinterThread.h"

#include <QCoreApplication>
#include <exception>
#include <future>

TDriverThread::TDriverThread() : FThread([this] { Loop(); }) {}

TDriverThread::~TDriverThread() {
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FQuit = true;
    }
    FWake.notify_all();
    FThread.join();
}

void TDriverThread::Post(std::function<void()> Job) {
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FJobs.push_back(std::move(Job));
    }
    FWake.notify_all();
}

void TDriverThread::Loop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(FLock);
            FWake.wait(lock, [this] { return FQuit || !FJobs.empty(); });
            if (FJobs.empty()) {
                return;
            }
            job = std::move(FJobs.front());
            FJobs.pop_front();
        }
        job();
    }
}

void TDriverThread::Run(const std::function<void()>& Job) {
    bool done = false;
    std::exception_ptr error;
    QObject here;  // the end of the job is posted to it, behind every message the job posted
    Post([&] {
        try {
            Job();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &here, [&done] { done = true; }, Qt::QueuedConnection);
    });
    // Not an event loop of its own: one that quits with the application would return early.
    ++FRunning;
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    --FRunning;
    if (error) {
        std::rethrow_exception(error);
    }
}

void TDriverThread::RunAndWait(const std::function<void()>& Job) {
    std::promise<void> ended;
    Post([&] {
        try {
            Job();
            ended.set_value();
        } catch (...) {
            ended.set_exception(std::current_exception());
        }
    });
    ended.get_future().get();
}

TThreadPrinter::TThreadPrinter(TDriverThread& Thread, const TFactory& Factory) : FThread(Thread) {
    Run([this, &Factory] {
        FPrinter = Factory();
        FPrinter->SetOnMessage([this](const std::string& Text) {
            QMetaObject::invokeMethod(
                &FMessages,
                [this, Text] {
                    if (FOnMessage) {
                        FOnMessage(Text);
                    }
                },
                Qt::QueuedConnection);
        });
    });
}

TThreadPrinter::~TThreadPrinter() {
    FThread.RunAndWait([this] { FPrinter.reset(); });
}

void TThreadPrinter::Run(const std::function<void()>& Work) {
    TPrnInfo info;
    int32_t done = 0;
    std::exception_ptr error;
    FThread.Run([&] {
        try {
            Work();
        } catch (...) {
            error = std::current_exception();
        }
        if (FPrinter) {
            info = FPrinter->PrnInfo();
            done = FPrinter->DoneCount();
        }
    });
    FPrnInfo = std::move(info);
    FDoneCount = done;
    if (error) {
        std::rethrow_exception(error);
    }
}

bool TThreadPrinter::ConnectRS232(const std::string& Port, int32_t Speed) {
    return Call([&] { return FPrinter->ConnectRS232(Port, Speed); });
}

bool TThreadPrinter::ConnectTCP(const std::string& Address, int32_t Port) {
    return Call([&] { return FPrinter->ConnectTCP(Address, Port); });
}

bool TThreadPrinter::ReadPrinterInfo(bool WithClock) {
    return Call([&] { return FPrinter->ReadPrinterInfo(WithClock); });
}

bool TThreadPrinter::RunManualReport(int Kind, bool Flag, TDateTime StartDate, TDateTime EndDate,
                                     bool Detailed, int32_t StartBlock, int32_t EndBlock) {
    return Call([&] {
        return FPrinter->RunManualReport(Kind, Flag, StartDate, EndDate, Detailed, StartBlock,
                                         EndBlock);
    });
}

bool TThreadPrinter::ReadDepartment(int32_t Number, TDepartmentInf& Department) {
    return Call([&] { return FPrinter->ReadDepartment(Number, Department); });
}

bool TThreadPrinter::WriteDepartment(int32_t Number, const TDepartmentInf& Department) {
    return Call([&] { return FPrinter->WriteDepartment(Number, Department); });
}

void TThreadPrinter::DisconnectPRN() {
    Call([&] { FPrinter->DisconnectPRN(); });
}

void TThreadPrinter::PrintTestReceipt() {
    Call([&] { FPrinter->PrintTestReceipt(); });
}

void TThreadPrinter::PrintDiagReceipt() {
    Call([&] { FPrinter->PrintDiagReceipt(); });
}

void TThreadPrinter::CopyLastReceipt() {
    Call([&] { FPrinter->CopyLastReceipt(); });
}

void TThreadPrinter::SumInOut(double Amount) {
    Call([&] { FPrinter->SumInOut(Amount); });
}

bool TThreadPrinter::ProcessFiles(const std::vector<std::string>& List) {
    return Call([&] { return FPrinter->ProcessFiles(List); });
}

bool TThreadPrinter::BatchDue(bool NewFiles) {
    return Call([&] { return FPrinter->BatchDue(NewFiles); });
}

bool TThreadPrinter::HasUnsettledFiles() {
    return Call([&] { return FPrinter->HasUnsettledFiles(); });
}
