// The program stopped by a signal in the middle of a receipt (a shutdown, a service stop, ^C):
// the receipt ends, its file is answered, and the program ends as a confirmed Exit does.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>

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
    // A batch, dropped at once so that one tick takes it whole.
    std::vector<TReceipt> files;
    for (const char* name : {"b1", "b2", "b3", "b4", "b5"}) {
        files.push_back(FiscalReceipt(name));
    }
    // The signal once the sale is answered, again once the payment is, both while the printer
    // is slow to close the receipt.
    program.Start();
    program.Printer().At(fpemu::Trigger::SignalTo(0x31, 1, program.Pid(), signal, true));
    program.Printer().At(fpemu::Trigger::SignalTo(0x35, 1, program.Pid(), signal, true));
    program.Printer().At("38:1:delay:300");
    rig.Drop(files);
    const int status = program.WaitExit(20000);
    const std::string log = program.LogText();
    ASSERT_NE(status, -1) << "the program did not end\n" << log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status << "\n"
                                                               << program.ConsoleText();
    // The file under way printed and was answered; the others stay for the next start.
    const std::vector<int> executed = rig.Executed(files);
    EXPECT_EQ(std::count(executed.begin(), executed.end(), 1), 1) << log;
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].Name);
        EXPECT_EQ(rig.Settled({files[i]}), executed[i] == 1);
        EXPECT_EQ(rig.Answered(files[i], ".rep"), executed[i] == 1);
        EXPECT_EQ(rig.Answered(files[i], ".bon"), executed[i] == 0);
    }
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
