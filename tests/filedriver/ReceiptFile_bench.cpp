// Time of one receipt file of 50 sales and two payments, from the file being taken to its
// ".rep" being written, through the whole road: TFPPrinter, the driver object created from the
// registered Kalvora.so, and the emulator, which runs on a thread of its own. Each repetition is
// one file, so the reported median is the median file; CPU time is this thread's own (program
// and driver, not the emulator).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "ConstUnit_Program.h"
#include "RegisteredDriver.h"
#include "TempFolder.h"

namespace {

// 50 articles programmed from the file and sold (62.75 in all), paid 20.00 with payment type 2
// and 50.00 in cash (type 1), with change.
std::string ReceiptFile() {
    std::string text = "@01Bench\r\n";
    for (int n = 1; n <= 50; ++n) {
        const std::string number = std::to_string(n);
        text +=
            '%' + number + "^Article " + number + "^1." + (n < 10 ? "0" : "") + number + "^1^1\r\n";
    }
    return text + "#E2^20.00\r\n#E1^50.00\r\n";
}

// The receipt folder and the registered driver, shared by both links.
struct Road {
    Road() {
        ::setenv("KALVORA_REGISTRY", folder.Path("registry").c_str(), 1);
        Settings().BonFolder = folder.Path("");
        driver = std::make_unique<RegisteredDriver>();
    }
    TempFolder folder;
    std::unique_ptr<RegisteredDriver> driver;
};

Road& TheRoad() {
    static Road road;
    return road;
}

// A printer connected to one emulator, kept for every repetition as for a batch of files.
struct Link {
    explicit Link(std::unique_ptr<fpemu::Emulator> started) : emulator(std::move(started)) {
        printer.OnMessage = [this](const std::string& message) { failure = message; };
        connected = ConnectToEmulator(printer, *emulator);
    }
    std::unique_ptr<fpemu::Emulator> emulator;
    TFPPrinter printer;
    std::string failure;
    bool connected = false;
};

void RunReceipts(benchmark::State& state, Link& link) {
    if (!link.connected) {
        state.SkipWithError(link.failure.c_str());
        return;
    }
    const std::string receipt = ReceiptFile();
    const std::string path = TheRoad().folder.Path("bench.bon");
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        TempFolder::Put(path, receipt);
        state.ResumeTiming();
        if (!link.printer.ProcessFile(path, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

void ReceiptOverTcp(benchmark::State& state) {
    TheRoad();
    static Link link(fpemu::Emulator::StartTcp());
    RunReceipts(state, link);
}

void ReceiptOverPty(benchmark::State& state) {
    TheRoad();
    static Link link([] {
        auto emulator = fpemu::Emulator::StartPty(7);
        ::setenv("KALVORA_PORTS", emulator->PortMapping().c_str(), 1);
        return emulator;
    }());
    RunReceipts(state, link);
}

// One file per repetition, so that the median is the median file.
void PerFile(benchmark::internal::Benchmark* b) {
    b->Iterations(1)->Repetitions(20)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

BENCHMARK(ReceiptOverPty)->Apply(PerFile);
BENCHMARK(ReceiptOverTcp)->Apply(PerFile);

}  // namespace

BENCHMARK_MAIN();
