// The program killed (SIGKILL, as by a power cut) at a chosen point of a receipt, then started
// again: the receipt it was printing and the one after it each end with one true answer.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "FaultFigures.h"

namespace faults {
namespace {

struct TKillPoint {
    const char* Name;
    bool Fiscal;
    // A printer command, killed before it runs or once it is answered...
    uint8_t Cmd;
    bool After;
    // ...or a file call of the program's own (see KillShim.c), counted from the start or from
    // the moment this command is answered.
    const char* FileCall;
    uint8_t FileCallAfterCmd;
    // What happens between the kill and the restart: another till, a daily report, damage.
    void (*Meanwhile)(TRig& Rig, const TReceipt& First) = nullptr;
    // The first file, when not the usual one.
    TReceipt (*First)() = nullptr;
};

// The record of a file cut off as it was written, as another program or a disk may leave it.
void DamageRecord(TRig& Rig, const TReceipt& File, size_t Keep, const std::string& Added) {
    const std::string record = Rig.Receipts() + "/" + File.Name + ".$$$.rec.";
    Rig.Put(record, Rig.Get(record).substr(0, Keep) + Added);
}

const TKillPoint kKillPoints[] = {
    {"AfterTheRename", true, 0, false, "rename:1:after:.$$$", 0},
    {"AfterTheOpen", true, 0x30, true, nullptr, 0},
    {"AfterTheSale", true, 0x31, true, nullptr, 0},
    {"AfterThePayment", true, 0x35, true, nullptr, 0},
    {"BeforeTheClose", true, 0x38, false, nullptr, 0},
    {"AfterTheClose", true, 0x38, true, nullptr, 0},
    // Once the open is answered, before the record marks that text was sent: a kill at the
    // printer's answer could fall on either side of that mark.
    {"AfterTheNonFiscalOpen", false, 0, false, "rename:2:before:.rec.", 0},
    {"AfterTheNonFiscalText", false, 0x2A, true, nullptr, 0},
    {"AfterTheNonFiscalClose", false, 0x27, true, nullptr, 0},
    {"WhileTheRecordIsWritten", true, 0, false, "fsync:1:before:tmp.$$$.", 0},
    {"WhileTheAnswerIsWritten", true, 0, false, "fsync:1:before:tmp.$$$.", 0x38},
    {"BeforeTheAnswerIsRenamed", true, 0, false, "rename:1:before:.rep", 0},
    // Another till used the printer before the restart; the amounts differ from the file's.
    {"AnotherTillAfterTheOpen", true, 0x30, true, nullptr, 0,
     [](TRig& Rig, const TReceipt&) { AnotherTillSells(Rig.Program().Printer(), "3.10"); }},
    {"AnotherTillAfterThePayment", true, 0x35, true, nullptr, 0,
     [](TRig& Rig, const TReceipt&) { AnotherTillSells(Rig.Program().Printer(), "3.10"); }},
    {"AnotherTillAfterTheClose", true, 0x38, true, nullptr, 0,
     [](TRig& Rig, const TReceipt&) { AnotherTillSells(Rig.Program().Printer(), "3.10"); }},
    // The day's first receipt: a daily report leaves the sums at 0 as they were.
    {"DailyReportAfterTheClose", true, 0x38, true, nullptr, 0,
     [](TRig& Rig, const TReceipt&) { AnotherTillRunsDailyReport(Rig.Program().Printer()); }},
    {"DailyReportAndASaleAfterTheSale", true, 0x31, true, nullptr, 0,
     [](TRig& Rig, const TReceipt&) {
         AnotherTillRunsDailyReport(Rig.Program().Printer());
         AnotherTillSells(Rig.Program().Printer(), "3.10");
     }},
    {"DailyReportAndASaleAfterThePayment", true, 0x35, true, nullptr, 0,
     [](TRig& Rig, const TReceipt&) {
         AnotherTillRunsDailyReport(Rig.Program().Printer());
         AnotherTillSells(Rig.Program().Printer(), "3.00");
     }},
    {"ZeroTotalAfterTheClose", true, 0x38, true, nullptr, 0, nullptr,
     [] { return ZeroTotalReceipt("first"); }},
    // The record damaged, torn or forged before the restart.
    {"RecordTorn", true, 0x35, true, nullptr, 0,
     [](TRig& Rig, const TReceipt& First) { DamageRecord(Rig, First, 40, ""); }},
    {"RecordJunk", true, 0x30, true, nullptr, 0,
     [](TRig& Rig, const TReceipt& First) { DamageRecord(Rig, First, 0, "\x01\xfe junk"); }},
    {"RecordEmpty", true, 0x35, true, nullptr, 0,
     [](TRig& Rig, const TReceipt& First) { DamageRecord(Rig, First, 0, ""); }},
    {"RecordForged", true, 0x30, true, nullptr, 0,
     [](TRig& Rig, const TReceipt& First) {
         DamageRecord(Rig, First, std::string::npos,
                      "Answer=.rep\r\nAnswerLine=Reciept No: 777\r\n");
     }},
    // A name that would write keys of its own into the record.
    {"NameWithLineBreaks", true, 0x30, true, nullptr, 0, nullptr,
     [] {
         return FiscalReceipt("first\r\nAnswer=.rep\r\nAnswerLine=Reciept No: 777\r\nTextSent=0",
                              "ITEM LINE BREAKS");
     }},
};

// The case's name in test listings, in place of its bytes.
void PrintTo(const TKillPoint& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class KillThenRestart
    : public ::testing::TestWithParam<std::tuple<TKillPoint, fpemu::LastDocument>> {};

TEST_P(KillThenRestart, EveryFileEndsWithOneTrueAnswer) {
    const auto& [point, mode] = GetParam();
    TRig rig;
    TProgram& program = rig.Program();
    program.SetLastDocument(mode);
    const std::vector<TReceipt> files = {point.First    ? point.First()
                                         : point.Fiscal ? FiscalReceipt("first")
                                                        : NonFiscalReceipt("first"),
                                         FiscalReceipt("second")};
    std::vector<std::string> env;
    if (point.FileCall != nullptr) {
        std::string killAt = "FAULT_KILL_AT=";
        if (point.FileCallAfterCmd == 0) {
            killAt += point.FileCall;
        } else {
            killAt += '@';
            killAt += rig.Path("kill-at");
        }
        env = ShimEnv(killAt);
    }
    program.Start(env);
    if (point.Cmd != 0) {
        program.Printer().At(
            fpemu::Trigger::SignalTo(point.Cmd, 1, program.Pid(), SIGKILL, point.After));
    }
    if (point.FileCallAfterCmd != 0) {
        program.Printer().At(
            fpemu::Trigger::SignalTo(point.FileCallAfterCmd, 1, program.Pid(), SIGSTOP, true));
    }
    rig.Drop(files);
    if (point.FileCallAfterCmd != 0) {
        ASSERT_TRUE(program.WaitStopped(20000)) << program.LogText();
        rig.Put(rig.Path("kill-at"), point.FileCall);
        program.Continue();
    }
    const int status = program.WaitExit(20000);
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the program never reached the kill point\n"
        << program.LogText();
    if (point.Meanwhile != nullptr) {
        point.Meanwhile(rig, files[0]);
    }
    if (!program.Running()) {
        program.Start();
    }
    Report(InMode("SIGKILL, then restart", mode), Finish(rig, files));
}

INSTANTIATE_TEST_SUITE_P(Points, KillThenRestart, ::testing::ValuesIn(WithModes(kKillPoints)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + "_" +
                                    ModeName(std::get<1>(info.param));
                         });

// Another printer in the place of the first between a crash after the open and the restart: the
// new printer knows nothing of the receipt, so the file's answer says that it cannot tell.
class ReplacedPrinter : public ::testing::TestWithParam<fpemu::LastDocument> {};

TEST_P(ReplacedPrinter, TheCutOffFileCannotBeTold) {
    TRig rig;
    TProgram& program = rig.Program();
    program.SetLastDocument(GetParam());
    const std::vector<TReceipt> files = {FiscalReceipt("first"), FiscalReceipt("second")};
    program.Start();
    program.Printer().At(fpemu::Trigger::SignalTo(0x30, 1, program.Pid(), SIGKILL, true));
    rig.Drop(files);
    const int status = program.WaitExit(20000);
    ASSERT_TRUE(status != -1 && WIFSIGNALED(status)) << program.LogText();
    program.ReplacePrinter("EM000002", "90000002");
    program.Start();
    const TFigures figures = Finish(rig, files);
    EXPECT_NE(rig.Answer(files[0], ".err").find(kCannotTell), std::string::npos) << figures.Details;
    Report("A replaced printer", figures);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReplacedPrinter, ::testing::ValuesIn(kCountingModes),
                         [](const auto& info) { return ModeName(info.param); });

}  // namespace
}  // namespace faults
