// A printer fault on every attempt of one step of a receipt, or another till's receipt before it:
// the receipt and the one after it each end with one true answer.
#include <signal.h>

#include <gtest/gtest.h>

#include "FaultFigures.h"

namespace faults {
namespace {

struct TStep {
    const char* Name;
    bool Fiscal;
    uint8_t Cmd;
    // The fault waits for the first Cmd after this command (0: from the start).
    uint8_t AfterCmd;
    // The fault meets the Nth Cmd.
    int Nth = 1;
};

// The first text line of a non-fiscal receipt is left out: a fault there cannot tell whether the
// line reached the paper, and the receipt closed with its header alone is answered ".rep", so
// that no text is ever printed twice.
const TStep kSteps[] = {
    {"Open", true, 0x30, 0},
    {"Sale", true, 0x31, 0},
    {"Payment", true, 0x35, 0},
    {"StatusBeforeClose", true, 0x4C, 0x35},
    {"Close", true, 0x38, 0},
    {"NumberAfterClose", true, 0x71, 0x38},
    {"NonFiscalOpen", false, 0x26, 0},
    {"NonFiscalSecondLine", false, 0x2A, 0, 2},
    {"NonFiscalClose", false, 0x27, 0},
};

// Names in test listings, in place of bytes.
void PrintTo(const TStep& Step, std::ostream* Out) {
    *Out << Step.Name;
}

class PrinterFault
    : public ::testing::TestWithParam<std::tuple<std::tuple<TStep, fpemu::LastDocument>, TFault>> {
};

TEST_P(PrinterFault, EveryFileEndsWithOneTrueAnswer) {
    const auto& [stepInMode, fault] = GetParam();
    const auto& [step, mode] = stepInMode;
    TRig rig;
    TProgram& program = rig.Program();
    program.SetLastDocument(mode);
    fpemu::Emulator& printer = program.Printer();
    const std::vector<TReceipt> files = {
        step.Fiscal ? FiscalReceipt("first") : NonFiscalReceipt("first"), FiscalReceipt("second")};
    program.Start();
    char trigger[64];
    std::snprintf(trigger, sizeof trigger, "%02X:%d:%s", step.Cmd, step.Nth, fault.Action);
    if (step.AfterCmd == 0) {
        printer.At(trigger);
        rig.Drop(files);
    } else {
        // Held there while the fault is armed, so it meets the first request after that step.
        printer.At(fpemu::Trigger::SignalTo(step.AfterCmd, 1, program.Pid(), SIGSTOP, true));
        rig.Drop(files);
        ASSERT_TRUE(program.WaitStopped(20000)) << program.LogText();
        printer.At(trigger);
        program.Continue();
    }
    Report(InMode("Printer faults", mode), Finish(rig, files));
}

INSTANTIATE_TEST_SUITE_P(Steps, PrinterFault,
                         ::testing::Combine(::testing::ValuesIn(WithModes(kSteps)),
                                            ::testing::ValuesIn(kPrinterFaults)),
                         [](const auto& info) {
                             const auto& stepInMode = std::get<0>(info.param);
                             return std::string(std::get<0>(stepInMode).Name) + "_" +
                                    std::get<1>(info.param).Name + "_" +
                                    ModeName(std::get<1>(stepInMode));
                         });

// Another till sells while the program is held before a step of its receipt (it was slow, or its
// link was down): the step then fails, and the file's answer never takes that till's receipt for
// its own.
struct TAnotherTill {
    const char* Name;
    uint8_t Cmd;
};

const TAnotherTill kAnotherTill[] = {{"BeforeThePayment", 0x35}, {"BeforeTheClose", 0x38}};

class AnotherTillMeanwhile
    : public ::testing::TestWithParam<std::tuple<TAnotherTill, fpemu::LastDocument>> {};

TEST_P(AnotherTillMeanwhile, ItsReceiptIsNeverTakenForTheFiles) {
    const auto& [step, mode] = GetParam();
    TRig rig;
    TProgram& program = rig.Program();
    program.SetLastDocument(mode);
    const std::vector<TReceipt> files = {FiscalReceipt("first"), FiscalReceipt("second")};
    program.Start();
    program.Printer().At(fpemu::Trigger::SignalTo(step.Cmd, 1, program.Pid(), SIGSTOP, false));
    rig.Drop(files);
    ASSERT_TRUE(program.WaitStopped(20000)) << program.LogText();
    AnotherTillSells(program.Printer(), "3.10");
    program.Continue();
    Report(InMode("Printer faults", mode), Finish(rig, files));
}

INSTANTIATE_TEST_SUITE_P(Steps, AnotherTillMeanwhile,
                         ::testing::Combine(::testing::ValuesIn(kAnotherTill),
                                            ::testing::ValuesIn(kCountingModes)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + "_" +
                                    ModeName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace faults
