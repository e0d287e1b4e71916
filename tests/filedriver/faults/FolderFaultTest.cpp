// Faults of the receipt folder that hold back one file at most: a folder that refuses to be
// flushed to the disk, an answer that can never be written, names at the length limit, an answer
// the shop takes away.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "FaultFigures.h"

namespace faults {
namespace {

namespace fs = std::filesystem;

// Shared and network folders refuse fsync: every file is still printed and answered once, and the
// refusal is logged once.
TEST(DirectoryFsyncRefused, EveryTimeEveryFileIsPrintedOnce) {
    TRig rig;
    TProgram& program = rig.Program();
    const std::vector<TReceipt> files = {FiscalReceipt("first"), NonFiscalReceipt("second"),
                                         FiscalReceipt("third")};
    program.Start(ShimEnv("FAULT_FSYNC_FAILS=EINVAL:/Reciepts"));
    rig.Drop(files);
    const TFigures figures = Finish(rig, files);
    const std::string log = program.LogText();
    EXPECT_EQ(Count(log, "Invalid argument"), 1u) << log;
    Report("Directory fsync refused", figures);
}

// The flush right after an answer was renamed into place fails once: the answer is there, and the
// shop, which takes each answer as it comes, never sees a second one.
TEST(DirectoryFsyncRefused, OnceAfterAnAnswerTheShopSeesOneAnswer) {
    TRig rig;
    TProgram& program = rig.Program();
    const std::vector<TReceipt> first = {FiscalReceipt("first")};
    const TReceipt next = FiscalReceipt("second");
    program.Start(ShimEnv("FAULT_FSYNC_FAILS=EIO:/Reciepts:.rep"));
    rig.Drop(first);
    ASSERT_TRUE(rig.WaitSettled(first, 30000)) << program.LogText();
    const std::string taken = rig.Path("taken");
    fs::create_directories(taken);
    std::vector<std::string> answers;
    for (const char* ext : {".rep", ".err"}) {
        if (rig.Answered(first[0], ext)) {
            answers.push_back(first[0].Name + ext);
            fs::rename(rig.Receipts() + "/" + answers.back(), taken + "/" + answers.back());
        }
    }
    // The next file's answer comes at a later tick than any answer written again.
    rig.Drop(next);
    ASSERT_TRUE(rig.WaitSettled({next}, 30000)) << program.LogText();
    const bool again = rig.Answered(first[0], ".rep") || rig.Answered(first[0], ".err");
    for (const std::string& answer : answers) {
        if (!fs::exists(rig.Receipts() + "/" + answer)) {
            fs::rename(taken + "/" + answer, rig.Receipts() + "/" + answer);
        }
    }
    TFigures figures = Finish(rig, {first[0], next});
    figures.TwoAnswers += again;
    EXPECT_NE(program.LogText().find("Input/output error"), std::string::npos)
        << "the flush never failed\n"
        << figures.Details;
    Report("Directory fsync refused", figures);
}

// A folder named as its answer: that file stays pending, neither answered nor printed twice,
// and the files after it go on.
TEST(AnswerThatCannotBeWritten, HoldsOnlyItsOwnFile) {
    TRig rig;
    TProgram& program = rig.Program();
    const TReceipt stuck = FiscalReceipt("a-stuck");
    const std::vector<TReceipt> later = {FiscalReceipt("b-later"), NonFiscalReceipt("c-later")};
    fs::create_directory(rig.Receipts() + "/" + stuck.Name + ".rep");
    program.Start();
    rig.Drop(stuck);
    ASSERT_TRUE(WaitFor([&] { return rig.Executed({stuck})[0] > 0; }, 30000)) << program.LogText();
    rig.Drop(later);
    const TFigures figures = Finish(rig, later, {stuck});
    EXPECT_FALSE(rig.Answered(stuck, ".err")) << figures.Details;
    EXPECT_EQ(rig.Executed({stuck})[0], 1) << figures.Details;
    Report("An answer that cannot be written", figures);
}

// Names of 251 to 255 bytes with their extension: the work file and its record must still fit.
TEST(LongNames, ArePrintedAndAnsweredRep) {
    TRig rig;
    std::vector<TReceipt> files;
    for (size_t length = 251; length <= 255; ++length) {
        std::string name = "long" + std::to_string(length);
        name.resize(length - 4, 'x');
        files.push_back(FiscalReceipt(name, "ITEM L" + std::to_string(length)));
    }
    rig.Program().Start();
    rig.Drop(files);
    const TFigures figures = Finish(rig, files);
    for (const TReceipt& file : files) {
        EXPECT_TRUE(rig.Answered(file, ".rep")) << file.Name.size() << "\n" << figures.Details;
    }
    Report("Long names", figures);
}

// The shop takes an ".err" away: the kept work file is never answered again (its first answer said
// the printer cannot tell, so a second one could invite the resend that runs it twice), and a new
// file of the same name is a new receipt.
TEST(AnsweredFiles, StayAnsweredOnceTheShopTakesTheAnswer) {
    TRig rig;
    TProgram& program = rig.Program();
    const TReceipt cash = CashFile("first", 2550);
    program.Start();
    program.Printer().At("46:1:lose");
    rig.Drop(cash);
    ASSERT_TRUE(rig.WaitSettled({cash}, 30000)) << program.LogText();
    ASSERT_NE(rig.Answer(cash, ".err").find(kCannotTell), std::string::npos) << program.LogText();
    fs::remove(rig.Receipts() + "/first.err");
    const std::vector<TReceipt> later = {FiscalReceipt("second")};
    rig.Drop(later);
    ASSERT_TRUE(rig.WaitSettled(later, 30000)) << program.LogText();
    const bool again = rig.Answered(cash, ".err") || rig.Answered(cash, ".rep");
    EXPECT_EQ(Count(program.LogText(), "\"first.bon\": "), 1u) << program.LogText();
    const std::vector<TReceipt> files = {later[0], FiscalReceipt("first", "ITEM AGAIN")};
    rig.Drop(files[1]);
    TFigures figures = Finish(rig, files);
    figures.TwoAnswers += again;
    EXPECT_TRUE(rig.Answered(files[1], ".rep")) << figures.Details;
    EXPECT_EQ(Count(program.LogText(), "\"first.bon\": "), 1u) << figures.Details;
    Report("Answered files taken away", figures);
}

}  // namespace
}  // namespace faults
