// Time of one status exchange (command 0x4A) against an emulator that answers at once.
// Each repetition is one exchange, so the reported median is the median exchange; CPU time is
// the driver thread's own (the emulator runs on a thread of its own).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "Emulator.h"
#include "RS232DeviceUnit.h"
#include "TCPDeviceUnit.h"

namespace {

void Exchange(benchmark::State& state, TBaseDevice& device) {
    TDataBuffer data;
    TDataBuffer status;
    for (auto _ : state) {
        data.clear();
        if (!device.SendCommand(0x4A, data, status)) {
            state.SkipWithError(device.FLastErrorMsg.c_str());
            break;
        }
    }
}

void StatusOverTcp(benchmark::State& state) {
    static const auto emulator = fpemu::Emulator::StartTcp();
    static const auto device = [] {
        auto d = std::make_unique<TTCPDevice>();
        d->SetHost(emulator->Host());
        d->SetPort(std::to_string(emulator->Port()));
        d->Connect();
        return d;
    }();
    Exchange(state, *device);
}

void StatusOverPty(benchmark::State& state) {
    static const auto emulator = fpemu::Emulator::StartPty(7);
    static const auto device = [] {
        setenv("KALVORA_PORTS", emulator->PortMapping().c_str(), 1);
        auto d = std::make_unique<TRS32Device>();
        d->SetPortName("COM7");
        d->SetBaudRate("115200");
        d->Connect();
        return d;
    }();
    Exchange(state, *device);
}

// One exchange per repetition, so that the median is the median exchange.
void PerExchange(benchmark::internal::Benchmark* b) {
    b->Iterations(1)->Repetitions(1000)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(StatusOverPty)->Apply(PerExchange);
BENCHMARK(StatusOverTcp)->Apply(PerExchange);

}  // namespace

BENCHMARK_MAIN();
