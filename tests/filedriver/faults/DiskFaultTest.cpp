// The receipt folder read-only from the middle of a receipt, or full while its answer is
// written, until it is writable again: the answer comes once it can.
#include <signal.h>

#include <gtest/gtest.h>

#include "FaultFigures.h"

namespace faults {
namespace {

constexpr size_t kTmpfsBytes = 1 << 20;
// How long the fault lasts at most when the program logs nothing about it.
constexpr int kFaultMs = 8000;

struct TDiskFault {
    const char* Name;
    uint8_t AtCmd;  // the program is held once this command is answered, then the fault begins
    void (TRig::*Set)(bool);
};

const TDiskFault kDiskFaults[] = {
    {"ReadOnlyFromMidReceipt", 0x35, &TRig::SetReadOnly},
    {"FullWhileTheAnswerIsWritten", 0x38, &TRig::SetFull},
};

// The case's name in test listings, in place of its bytes.
void PrintTo(const TDiskFault& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class DiskFault : public ::testing::TestWithParam<TDiskFault> {};

TEST_P(DiskFault, TheAnswerComesOnceItCanBeWritten) {
    const TDiskFault& fault = GetParam();
    TRig rig(1, kTmpfsBytes);
    if (!rig.Mounted()) {
        GTEST_SKIP() << "SKIPPED: this system does not let the suite mount a tmpfs for the "
                        "receipt folder; the disk faults were not tried";
    }
    TProgram& program = rig.Program();
    const std::vector<TReceipt> files = {FiscalReceipt("first"), FiscalReceipt("second")};
    program.Start();
    program.Printer().At(fpemu::Trigger::SignalTo(fault.AtCmd, 1, program.Pid(), SIGSTOP, true));
    rig.Drop(files);
    ASSERT_TRUE(program.WaitStopped(20000)) << program.LogText();
    (rig.*fault.Set)(true);
    const size_t logged = program.LogSize();
    program.Continue();
    // The fault lasts until the program has logged the failure of the file.
    WaitFor(
        [&] {
            return program.LogText().find("\"" + files[0].Name + ".", logged) !=
                       std::string::npos ||
                   program.LogText().find("/" + files[0].Name + ".", logged) != std::string::npos;
        },
        kFaultMs);
    (rig.*fault.Set)(false);
    Report("Disk faults", Finish(rig, files));
}

INSTANTIATE_TEST_SUITE_P(Faults, DiskFault, ::testing::ValuesIn(kDiskFaults),
                         [](const ::testing::TestParamInfo<TDiskFault>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace faults
