// The program stopped by a signal in the middle of a receipt (a shutdown, a service stop, ^C):
// the receipt ends, its file is answered, and the program ends as a confirmed Exit does.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "FaultRig.h"

namespace faults {
namespace {

struct TStop {
    const char* Name;
    int Signal;
};

const TStop kStops[] = {{"Term", SIGTERM}, {"Int", SIGINT}, {"Hup", SIGHUP}};

void PrintTo(const TStop& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class StopDuringAReceipt : public ::testing::TestWithParam<TStop> {};

TEST_P(StopDuringAReceipt, TheReceiptEndsThenTheProgramAsAnExit) {
    const int signal = GetParam().Signal;
    TRig rig;
    TProgram& program = rig.Program();
    const std::vector<TReceipt> files = {FiscalReceipt("first")};
    program.Start();
    // The signal once the sale is answered, again once the payment is, both while the printer
    // is slow to close the receipt.
    program.Printer().At(fpemu::Trigger::SignalTo(0x31, 1, program.Pid(), signal, true));
    program.Printer().At(fpemu::Trigger::SignalTo(0x35, 1, program.Pid(), signal, true));
    program.Printer().At("38:1:delay:300");
    rig.Drop(files);
    const int status = program.WaitExit(20000);
    const std::string log = program.LogText();
    ASSERT_NE(status, -1) << "the program did not end\n" << log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_TRUE(rig.Settled(files));
    EXPECT_TRUE(rig.Answered(files[0], ".rep"));
    EXPECT_EQ(rig.Executed(files), std::vector<int>{1});
    EXPECT_EQ(Count(log, "[INFO]Application closed"), 1u) << log;
    EXPECT_LT(log.find("Connected to"), log.find("Application closed"));
    // Saved on the way out: the installed settings name only the connection.
    EXPECT_NE(rig.Get(rig.Path("Ostrelin1/Ostrelin.ini")).find("baudrate="), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopDuringAReceipt, ::testing::ValuesIn(kStops),
                         [](const ::testing::TestParamInfo<TStop>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace faults
