// Cash in and out and reports cut off at their command, by a printer fault or a kill: a file that
// may have run says the printer cannot tell, and the shop, checking the drawer by hand, never sends
// it again; a Z report that the day's sums show to have run is answered as run.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <string>

#include "FaultFigures.h"

namespace faults {
namespace {

const char kGroup[] = "Cash in/out and reports";

struct TCommandFile {
    const char* Name;
    TReceipt (*Make)();
    uint8_t Cmd;
    // The day's sums tell whether it ran, so an answer lost after it is no doubt.
    bool Tells;
};

const TCommandFile kCommandFiles[] = {
    {"CashIn", [] { return CashFile("first", 2550); }, 0x46, false},
    {"CashOut", [] { return CashFile("first", -1250); }, 0x46, false},
    {"XReport", [] { return XReportFile("first"); }, 0x45, false},
    {"ZReport", [] { return ZReportFile("first"); }, 0x45, true},
};

// The case's name in test listings, in place of its bytes.
void PrintTo(const TCommandFile& Row, std::ostream* Out) {
    *Out << Row.Name;
}

// A day with a sale on it, so that a Z report shows in the day's sums, and cash in the drawer.
void OpenTheDay(fpemu::Emulator& Printer) {
    Printer.WithPrinter([](fpemu::Printer& p) {
        p.State().drawerCash = 5000;
        p.State().dayGroups[0] = 1000;
        p.State().dayPayments['P'] = 1000;
        p.State().dayFiscalReceipts = 1;
    });
}

// Beyond the figures: a file that ran and got an ".err" is logged as one the printer cannot
// tell, and where the sums tell, the answer is the one they tell.
void ExpectTheAnswerTells(TRig& Rig, const TReceipt& File, bool Tells, const TFigures& Figures) {
    if (Rig.Executed({File})[0] == 0 || !Rig.Answered(File, ".err")) {
        return;
    }
    EXPECT_FALSE(Tells) << "the day's sums tell that it ran\n" << Figures.Details;
    EXPECT_NE(Rig.Program().LogText().find(kCannotTell), std::string::npos) << Figures.Details;
}

// What a printer with a fault does with a report: printers differ.
using TFaultReports = fpemu::FaultReports;

// The cover opened before the file came, and closed once it was answered.
constexpr TFault kCoverOpen = {"CoverOpen", nullptr};

// Each command under each fault; a report under a fault bit under both ways a printer may take
// it. A printer that answers a report it never printed, with the fault on that answer alone,
// leaves nothing that tells (the README says so): that case is left out.
std::vector<std::tuple<TCommandFile, TFault, TFaultReports>> Cases() {
    std::vector<TFault> faults(std::begin(kPrinterFaults), std::end(kPrinterFaults));
    faults.push_back(kCoverOpen);
    std::vector<std::tuple<TCommandFile, TFault, TFaultReports>> cases;
    for (const TCommandFile& command : kCommandFiles) {
        for (const TFault& fault : faults) {
            const bool faultBit = fault.Action == nullptr || std::string(fault.Action) == "bit:0:4";
            const bool report = command.Cmd == 0x45;
            if (!(report && faultBit)) {
                cases.emplace_back(command, fault, TFaultReports::Refuse);
                continue;
            }
            if (fault.Action == nullptr || command.Tells) {
                cases.emplace_back(command, fault, TFaultReports::Refuse);
            }
            cases.emplace_back(command, fault, TFaultReports::Run);
        }
    }
    return cases;
}

class CashAndReportFault
    : public ::testing::TestWithParam<std::tuple<TCommandFile, TFault, TFaultReports>> {};

TEST_P(CashAndReportFault, NoFileRunsTwiceOrIsAnsweredFalsely) {
    const auto& [command, fault, reports] = GetParam();
    TRig rig;
    TProgram& program = rig.Program();
    OpenTheDay(program.Printer());
    program.Printer().WithPrinter(
        [reports = reports](fpemu::Printer& p) { p.State().faultReports = reports; });
    const std::vector<TReceipt> files = {command.Make(), FiscalReceipt("second")};
    program.Start();
    if (fault.Action == nullptr) {
        program.Printer().SetStatusBit(0, 4, true);
    } else {
        char trigger[64];
        std::snprintf(trigger, sizeof trigger, "%02X:1:%s", command.Cmd, fault.Action);
        program.Printer().At(trigger);
    }
    rig.Drop(files);
    if (fault.Action == nullptr) {
        EXPECT_TRUE(rig.WaitSettled({files[0]}, 30000)) << program.LogText();
        program.Printer().SetStatusBit(0, 4, false);
    }
    const TFigures figures = Finish(rig, files);
    ExpectTheAnswerTells(rig, files[0], command.Tells, figures);
    Report(kGroup, figures);
}

INSTANTIATE_TEST_SUITE_P(Commands, CashAndReportFault, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + "_" +
                                    std::get<1>(info.param).Name +
                                    (std::get<2>(info.param) == TFaultReports::Run ? "_ReportsRun"
                                                                                   : "");
                         });

// Killed once the command ran: no record tells a crash what a report did.
class CashAndReportKill : public ::testing::TestWithParam<TCommandFile> {};

TEST_P(CashAndReportKill, NoFileRunsTwiceOrIsAnsweredFalsely) {
    const TCommandFile& command = GetParam();
    TRig rig;
    TProgram& program = rig.Program();
    OpenTheDay(program.Printer());
    const std::vector<TReceipt> files = {command.Make(), FiscalReceipt("second")};
    program.Start();
    program.Printer().At(fpemu::Trigger::SignalTo(command.Cmd, 1, program.Pid(), SIGKILL, true));
    rig.Drop(files);
    const int status = program.WaitExit(20000);
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status)) << program.LogText();
    program.Start();
    const TFigures figures = Finish(rig, files);
    ExpectTheAnswerTells(rig, files[0], false, figures);
    Report(kGroup, figures);
}

INSTANTIATE_TEST_SUITE_P(Commands, CashAndReportKill, ::testing::ValuesIn(kCommandFiles),
                         [](const auto& info) { return std::string(info.param.Name) + "_Kill"; });

}  // namespace
}  // namespace faults
