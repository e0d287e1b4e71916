#include "FaultFigures.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace faults {

namespace {

// Long enough for a command that meets silence on every retry, its settling and a few ticks.
constexpr int kSettleMs = 30000;

}  // namespace

TFigures Finish(TRig& Rig, const std::vector<TReceipt>& Waited,
                const std::vector<TReceipt>& Stuck) {
    TFigures figures;
    std::vector<TReceipt> files = Waited;
    files.insert(files.end(), Stuck.begin(), Stuck.end());
    figures.Files = static_cast<int>(files.size());
    figures.Stuck = static_cast<int>(Stuck.size());
    EXPECT_TRUE(Rig.WaitSettled(Waited, kSettleMs)) << Rig.Program().LogText();
    const std::vector<int> closed = Rig.Executed(files);
    for (size_t i = 0; i < files.size(); ++i) {
        const bool rep = Rig.Answered(files[i], ".rep");
        const bool err = Rig.Answered(files[i], ".err");
        // An ".err" that says the printer cannot tell is no lie: the shop checks by hand.
        const bool plainErr =
            err && Rig.Answer(files[i], ".err").find(kCannotTell) == std::string::npos;
        figures.Details += files[i].Name + (rep ? " .rep" : "") + (err ? " .err" : "") +
                           (err && !plainErr ? " (cannot tell)" : "") + ", ran " +
                           std::to_string(closed[i]) + "\n";
        figures.Answered += rep != err;
        figures.TwoAnswers += rep && err;
        figures.Unanswered += !rep && !err;
        figures.PrintedErr += plainErr && !rep && closed[i] > 0;
        figures.RepNotPrinted += rep && !err && closed[i] == 0;
        figures.ZeroNumber +=
            rep && Rig.Answer(files[i], ".rep").find("Reciept No: 0\r\n") != std::string::npos;
    }
    const std::vector<TReceipt> resent = Rig.ResendFailed(files);
    EXPECT_TRUE(Rig.WaitSettled(resent, kSettleMs)) << Rig.Program().LogText();
    const std::vector<int> after = Rig.Executed(files);
    for (size_t i = 0; i < files.size(); ++i) {
        figures.PrintedTwice += after[i] > 1;
        figures.Details +=
            files[i].Name + " after the resend: ran " + std::to_string(after[i]) + "\n";
    }
    figures.Details += Rig.Program().LogText();
    return figures;
}

std::string InMode(const std::string& Group, fpemu::LastDocument Mode) {
    return Group +
           (Mode == fpemu::LastDocument::Any ? " (--last-doc any)" : " (--last-doc closed)");
}

void Report(const std::string& Group, const TFigures& F) {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    SCOPED_TRACE(F.Details);
    EXPECT_EQ(F.Answered, F.Files - F.Stuck);
    EXPECT_EQ(F.PrintedErr, 0) << "printed but answered \".err\"";
    EXPECT_EQ(F.RepNotPrinted, 0) << "answered \".rep\" but not printed";
    EXPECT_EQ(F.TwoAnswers, 0) << "both answers";
    EXPECT_EQ(F.ZeroNumber, 0) << "\"Reciept No: 0\" in a \".rep\"";
    EXPECT_EQ(F.PrintedTwice, 0) << "printed twice once the \".err\" files were resent";
    EXPECT_EQ(F.Unanswered, F.Stuck) << "no answer";
    const char* path = std::getenv("FAULT_FIGURES");
    if (path == nullptr || *path == '\0') {
        return;
    }
    // One write per line, so cases running side by side never mix their lines.
    const std::string line =
        Group + "\t" + name + "\t" + std::to_string(F.Files) + "\t" + std::to_string(F.Answered) +
        "\t" + std::to_string(F.PrintedErr) + "\t" + std::to_string(F.RepNotPrinted) + "\t" +
        std::to_string(F.TwoAnswers) + "\t" + std::to_string(F.ZeroNumber) + "\t" +
        std::to_string(F.PrintedTwice) + "\t" + std::to_string(F.Unanswered) + "\n";
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    ::close(fd);
}

}  // namespace faults
