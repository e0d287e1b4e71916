#include "FakePrinter.h"

#include <stdexcept>

void TFakePrinter::Note(const std::string& Call) {
    FJournal.push_back(Call);
    Threads.insert(std::this_thread::get_id());
}

bool TFakePrinter::Answer(const std::string& Call) {
    Note(Call);
    if (DuringOperation) {
        DuringOperation();
    }
    return OperationsAnswer;
}

bool TFakePrinter::ConnectRS232(const std::string& Port, int32_t Speed) {
    Note("ConnectRS232 " + Port + "/" + std::to_string(Speed));
    FPort = Port;
    return SerialOnPort.empty() ? ConnectAnswers : SerialOnPort.count(Port) > 0;
}

bool TFakePrinter::ConnectTCP(const std::string& Address, int32_t Port) {
    Note("ConnectTCP " + Address + "/" + std::to_string(Port));
    if (!ConnectAnswers && FOnMessage) {
        FOnMessage("FP ERROR.ConnectTCP " + Address + "/" + std::to_string(Port) +
                   " failed:  refused");
    }
    return ConnectAnswers;
}

bool TFakePrinter::ReadPrinterInfo(bool WithClock) {
    Note(std::string("ReadPrinterInfo ") + (WithClock ? "1" : "0"));
    if (auto it = SerialOnPort.find(FPort); it != SerialOnPort.end()) {
        Info.Serial = it->second;
    }
    return true;
}

bool TFakePrinter::RunManualReport(int Kind, bool Flag, TDateTime, TDateTime, bool Detailed,
                                   int32_t StartBlock, int32_t EndBlock) {
    return Answer("RunManualReport " + std::to_string(Kind) + " " + std::to_string(Flag) + " " +
                  std::to_string(Detailed) + " " + std::to_string(StartBlock) + "-" +
                  std::to_string(EndBlock));
}

bool TFakePrinter::ReadDepartment(int32_t Number, TDepartmentInf& Department) {
    Department.DepNom = Number;
    Department.DepName = "Dep" + std::to_string(Number);
    return Number == 99 ? Answer("ReadDepartment 1..99") : true;
}

bool TFakePrinter::WriteDepartment(int32_t Number, const TDepartmentInf& Department) {
    return Answer("WriteDepartment " + std::to_string(Number) + " " + Department.DepName);
}

void TFakePrinter::DisconnectPRN() {
    Note("DisconnectPRN");
}

void TFakePrinter::PrintTestReceipt() {
    if (!Answer("PrintTestReceipt")) {
        throw std::runtime_error("Test reciept fail refused");
    }
}

void TFakePrinter::PrintDiagReceipt() {
    if (!Answer("PrintDiagReceipt")) {
        throw std::runtime_error("Test FP Test fail refused");
    }
}

void TFakePrinter::CopyLastReceipt() {
    if (!Answer("CopyLastReceipt")) {
        throw std::runtime_error("Copy last rec fail refused");
    }
}

void TFakePrinter::SumInOut(double Amount) {
    if (!Answer("SumInOut " + FloatToStr(Amount))) {
        throw std::runtime_error("SumInOut fail refused");
    }
}

bool TFakePrinter::ProcessFiles(const std::vector<std::string>& List) {
    std::string names;
    for (const std::string& entry : List) {
        names += ' ' + entry.substr(entry.find('\t') + 1);
    }
    Done += static_cast<int32_t>(List.size());
    return Answer("ProcessFiles" + names);
}

bool TFakePrinter::HasUnsettledFiles() {
    Threads.insert(std::this_thread::get_id());
    return FilesWaiting;
}

TInsideOperation::TInsideOperation(TFakePrinter& Printer, std::function<void()> Inside)
    : FPrinter(Printer) {
    FPrinter.DuringOperation = [this] {
        if (!FHeld.exchange(true)) {
            FRelease.acquire();
        }
    };
    QObject::connect(&FProbe, &QTimer::timeout, [this, Inside = std::move(Inside)] {
        if (FHeld) {
            FProbe.stop();
            Inside();
            FRelease.release();
        }
    });
    FProbe.start(1);
}
