// The program killed (SIGKILL, as by a power cut) at a chosen point of a receipt, then started
// again: the receipt it was printing and the one after it each end with one true answer.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "FaultFigures.h"

namespace faults {
namespace {

struct TKillPoint {
    const char* Name;
    bool Fiscal;
    // A printer command, killed before it runs or once it is answered...
    uint8_t Cmd;
    bool After;
    // ...or a file call of the program's own (see KillShim.c).
    const char* FileCall;
};

const TKillPoint kKillPoints[] = {
    {"AfterTheRename", true, 0, false, "rename:1:after:.$$$"},
    {"AfterTheOpen", true, 0x30, true, nullptr},
    {"AfterTheSale", true, 0x31, true, nullptr},
    {"AfterThePayment", true, 0x35, true, nullptr},
    {"BeforeTheClose", true, 0x38, false, nullptr},
    {"AfterTheClose", true, 0x38, true, nullptr},
    {"AfterTheNonFiscalOpen", false, 0x26, true, nullptr},
    {"AfterTheNonFiscalText", false, 0x2A, true, nullptr},
    {"AfterTheNonFiscalClose", false, 0x27, true, nullptr},
    {"WhileTheAnswerIsWritten", true, 0, false, "fsync:1:after:tmp.$$$."},
    {"BeforeTheAnswerIsRenamed", true, 0, false, "rename:1:before:.rep"},
};

class KillThenRestart : public ::testing::TestWithParam<TKillPoint> {};

TEST_P(KillThenRestart, EveryFileEndsWithOneTrueAnswer) {
    const TKillPoint& point = GetParam();
    TRig rig;
    TProgram& program = rig.Program();
    const std::vector<TReceipt> files = {
        point.Fiscal ? FiscalReceipt("first") : NonFiscalReceipt("first"), FiscalReceipt("second")};
    std::vector<std::string> env;
    if (point.FileCall != nullptr) {
        const char* asan = std::getenv("ASAN_OPTIONS");
        // A preloaded library comes before the sanitizer's runtime, which it has none of.
        env = {std::string("LD_PRELOAD=") + KILL_SHIM_PATH,
               std::string("FAULT_KILL_AT=") + point.FileCall,
               std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
    }
    program.Start(env);
    if (point.Cmd != 0) {
        program.Printer().At(
            fpemu::Trigger::SignalTo(point.Cmd, 1, program.Pid(), SIGKILL, point.After));
    }
    rig.Drop(files);
    const int status = program.WaitExit(20000);
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the program never reached the kill point\n"
        << program.LogText();
    if (!program.Running()) {
        program.Start();
    }
    Report("SIGKILL, then restart", Finish(rig, files));
}

INSTANTIATE_TEST_SUITE_P(Points, KillThenRestart, ::testing::ValuesIn(kKillPoints),
                         [](const ::testing::TestParamInfo<TKillPoint>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace faults
