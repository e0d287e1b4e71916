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

TFigures Finish(TRig& Rig, const std::vector<TReceipt>& Files) {
    TFigures figures;
    figures.Files = static_cast<int>(Files.size());
    EXPECT_TRUE(Rig.WaitSettled(Files, kSettleMs)) << Rig.Program().LogText();
    const std::vector<int> closed = Rig.Closed(Files);
    for (size_t i = 0; i < Files.size(); ++i) {
        const bool rep = Rig.Answered(Files[i], ".rep");
        const bool err = Rig.Answered(Files[i], ".err");
        figures.Details += Files[i].Name + (rep ? " .rep" : "") + (err ? " .err" : "") +
                           ", receipts closed " + std::to_string(closed[i]) + "\n";
        figures.Answered += rep != err;
        figures.TwoAnswers += rep && err;
        figures.Unanswered += !rep && !err;
        figures.PrintedErr += err && !rep && closed[i] > 0;
        figures.RepNotPrinted += rep && !err && closed[i] == 0;
        figures.ZeroNumber +=
            rep && Rig.Answer(Files[i], ".rep").find("Reciept No: 0\r\n") != std::string::npos;
    }
    const std::vector<TReceipt> resent = Rig.ResendFailed(Files);
    EXPECT_TRUE(Rig.WaitSettled(resent, kSettleMs)) << Rig.Program().LogText();
    const std::vector<int> after = Rig.Closed(Files);
    for (size_t i = 0; i < Files.size(); ++i) {
        figures.PrintedTwice += after[i] > 1;
        figures.Details +=
            Files[i].Name + " after the resend: receipts closed " + std::to_string(after[i]) + "\n";
    }
    figures.Details += Rig.Program().LogText();
    return figures;
}

void Report(const std::string& Group, const TFigures& F) {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    SCOPED_TRACE(F.Details);
    EXPECT_EQ(F.Answered, F.Files);
    EXPECT_EQ(F.PrintedErr, 0) << "printed but answered \".err\"";
    EXPECT_EQ(F.RepNotPrinted, 0) << "answered \".rep\" but not printed";
    EXPECT_EQ(F.TwoAnswers, 0) << "both answers";
    EXPECT_EQ(F.ZeroNumber, 0) << "\"Reciept No: 0\" in a \".rep\"";
    EXPECT_EQ(F.PrintedTwice, 0) << "printed twice once the \".err\" files were resent";
    EXPECT_EQ(F.Unanswered, 0) << "no answer";
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
