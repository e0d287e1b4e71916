// Receipt files against faults of the printer: each file ends with one answer, and the printer
// closed one receipt for a ".rep" and none for an ".err".
#include <filesystem>

#include "EmulatorTest.h"
#include "FPAxUnit_Work.h"

namespace {

const char* const kFiscal = "@02Maria\r\n%0^Bread^1.50^2^1\r\n#E1^5\r\n";
const char* const kText = ":Hello\r\n:World\r\n";

class SettleTest : public EmulatorTest {
protected:
    // Receipts of the test files the printer closed so far.
    int Closed() const {
        // A fiscal receipt also opens with its title; it closes with its number, then the title.
        // A text receipt counts only with the file's text on it: closed empty, it printed
        // nothing of the file.
        int count = 0;
        std::string previous;
        bool text = false;
        for (const std::string& line : emulator_->Journal()) {
            text =
                line != "NON-FISCAL RECEIPT" && (text || line.find("Hello") != std::string::npos);
            count += (line == "END OF NON-FISCAL RECEIPT" && text) ||
                     (line == "FISCAL RECEIPT" && previous.find(" No ") != std::string::npos);
            previous = line;
        }
        return count;
    }
    int64_t LastClosedNo() const {
        int64_t number = 0;
        emulator_->WithPrinter([&](fpemu::Printer& p) { number = p.State().lastClosedNo; });
        return number;
    }
    // ".rep", ".err" or "" (no answer yet); never both.
    std::string Answer(const std::string& Name) const {
        const bool rep = std::filesystem::exists(Path(Name + ".rep"));
        const bool err = std::filesystem::exists(Path(Name + ".err"));
        EXPECT_FALSE(rep && err) << Name;
        return rep ? ".rep" : err ? ".err" : "";
    }
    void Process(const std::string& Name, const std::string& Bytes) {
        Put(Path(Name + ".bon"), Bytes);
        printer_->ProcessFiles({"1\t" + Name + ".bon"});
    }
    // The index of the first (or last) request with Cmd since the frames were cleared.
    size_t IndexOf(uint8_t Cmd, bool Last) const {
        const std::vector<fpemu::FrameLogEntry> frames = emulator_->Frames();
        size_t found = frames.size();
        for (size_t i = 0; i < frames.size(); ++i) {
            if (frames[i].cmd == Cmd && (found == frames.size() || Last)) {
                found = i;
            }
        }
        return found;
    }
    // Runs the file with Fault at request Index of a fresh connection; then, as the next ticks
    // would, connects again until it is answered. Checks the answer against the printer, and that
    // an ".err" sent again prints once.
    void RunWithFault(const std::string& Name, const std::string& Bytes, size_t Index,
                      const std::string& Fault) {
        ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
        const int closed = Closed();
        emulator_->Script((Index > 0 ? "normal*" + std::to_string(Index) + "," : "") + Fault);
        Process(Name, Bytes);
        emulator_->ClearScript();
        for (int tick = 0; tick < 3 && Answer(Name).empty(); ++tick) {
            ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
            printer_->ProcessFiles({});
        }
        const std::string answer = Answer(Name);
        ASSERT_NE(answer, "");
        EXPECT_EQ(Closed() - closed, answer == ".rep" ? 1 : 0);
        // Beside an ".err", the record tells that the kept work file was answered.
        EXPECT_EQ(std::filesystem::exists(Path(Name + ".$$$.rec.")), answer == ".err");
        if (answer == ".rep") {
            EXPECT_NE(
                Get(Path(Name + ".rep")).find("Reciept No: " + std::to_string(LastClosedNo())),
                std::string::npos);
            return;
        }
        ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
        Process(Name, Bytes);
        EXPECT_EQ(Answer(Name), ".rep");
        EXPECT_EQ(Closed() - closed, 1);
    }
};

class PrinterFaultTest : public SettleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PrinterFaultTest, EveryStepOfAReceipt) {
    Connect();
    struct TTarget {
        uint8_t Cmd;
        bool Last;
    };
    const struct {
        const char* Bytes;
        std::vector<TTarget> Targets;
    } files[] = {
        // number before, open, sale, payment, status before the close, close, number after
        {kFiscal,
         {{0x71, false},
          {0x30, false},
          {0x31, false},
          {0x35, false},
          {0x4C, true},
          {0x38, false},
          {0x71, true}}},
        {kText, {{0x71, false}, {0x26, false}, {0x2A, true}, {0x27, false}, {0x71, true}}},
    };
    int n = 0;
    for (const auto& file : files) {
        ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
        emulator_->ClearFrames();
        Process("learn", file.Bytes);
        ASSERT_EQ(Answer("learn"), ".rep");
        std::vector<size_t> indexes;
        for (const TTarget& target : file.Targets) {
            indexes.push_back(IndexOf(target.Cmd, target.Last));
        }
        for (const size_t index : indexes) {
            SCOPED_TRACE(std::string(file.Bytes) + " request " + std::to_string(index));
            RunWithFault("f" + std::to_string(++n), file.Bytes, index, GetParam());
        }
    }
}

// Not executed (NAK, silence, close), or executed with the answer lost (damaged, cut off).
INSTANTIATE_TEST_SUITE_P(Faults, PrinterFaultTest,
                         ::testing::Values("nak*4", "bad-checksum*4", "close",
                                           "close-mid-answer*4"));

// A silent printer costs the driver's whole retry window, so it is tried at the close only.
TEST_F(SettleTest, APrinterSilentAtTheClose) {
    Connect();
    emulator_->ClearFrames();
    Process("learn", kFiscal);
    RunWithFault("s", kFiscal, IndexOf(0x38, false), "silence*4");
}

TEST_F(SettleTest, AReceiptThePrinterCannotBeAskedAboutWaitsForTheNextConnection) {
    enum { kSameRun, kRestart, kFolderChanged };
    for (const int way : {kSameRun, kRestart, kFolderChanged}) {
        SCOPED_TRACE(way);
        Settings().BonFolder = Path("");
        Connect();
        emulator_->ClearFrames();
        Process("learn", kFiscal);
        const size_t close = IndexOf(0x38, false);
        const int closed = Closed();

        // Every request from the close on is refused: the receipt stays open, unanswered.
        emulator_->Script("normal*" + std::to_string(close) + ",nak*1000");
        Process("w", kFiscal);
        EXPECT_EQ(Answer("w"), "");
        EXPECT_TRUE(std::filesystem::exists(Path("w.$$$")));
        EXPECT_TRUE(std::filesystem::exists(Path("w.$$$.rec.")));
        EXPECT_TRUE(printer_->BatchDue(false));
        Process("next", kText);  // not taken while "w" waits
        EXPECT_TRUE(std::filesystem::exists(Path("next.bon")));
        EXPECT_EQ(Closed(), closed);

        emulator_->ClearScript();
        if (way == kRestart) {
            NewPrinter();
        } else {
            ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
        }
        // The folder left keeps "w" until it is settled there; "next" of the new folder prints.
        const std::string next = way == kFolderChanged ? "new/next" : "next";
        if (way == kFolderChanged) {
            std::filesystem::create_directory(Path("new"));
            std::filesystem::rename(Path("next.bon"), Path("new/next.bon"));
            Settings().BonFolder = Path("new");
            EXPECT_TRUE(printer_->HasUnsettledFiles());
        }
        printer_->ProcessFiles({"1\tnext.bon"});
        EXPECT_EQ(Answer("w"), ".rep");
        EXPECT_EQ(Answer(next), ".rep");
        EXPECT_EQ(Closed() - closed, 2);
        EXPECT_EQ(Get(Path("w.rep")), Header() +
                                          "Reciept No: " + std::to_string(LastClosedNo() - 1) +
                                          "\r\n@02Maria\r\n%0^Bread^1.50^2^1\r\n#E1^5\r\n");
        EXPECT_FALSE(std::filesystem::exists(Path("w.$$$")) ||
                     std::filesystem::exists(Path("w.$$$.rec.")));
        printer_.reset();
        emulator_->Stop();
        for (const char* name : {"learn.rep", "w.rep", "next.rep", "new"}) {
            std::filesystem::remove_all(Path(name));
        }
    }
}

TEST_F(SettleTest, AFaultBitBeforeTheReceiptOpensAnswersAnErrorOnceItIsCleared) {
    Connect();
    const int closed = Closed();
    emulator_->SetStatusBit(0, 4, true);
    Process("b", kFiscal);
    emulator_->SetStatusBit(0, 4, false);
    if (Answer("b").empty()) {
        ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
        printer_->ProcessFiles({});
    }
    EXPECT_EQ(Answer("b"), ".err");
    EXPECT_EQ(Closed(), closed);
}

TEST_F(SettleTest, WorkFilesOfAnInterruptedRunAreAnsweredBeforeNewFiles) {
    Connect();
    Settings().ErrTextInErrFile = true;
    Settings().FileExt = "bon";
    const int closed = Closed();
    // Renamed, then the run ended before anything reached the printer.
    Put(Path("x.$$$"), kFiscal);
    Put(Path("z.$$$"), "#R10\r\n");
    // Answered, then the run ended before the work file went.
    Put(Path("y.$$$"), kText);
    Put(Path("y.rep"), "answer");
    Put(Path("new.bon"), kText);
    EXPECT_TRUE(printer_->BatchDue(false));
    printer_->ProcessFiles({"1\tnew.bon"});
    const std::string notPrinted = "The run was interrupted before the receipt was printed.";
    const std::string cannotTell =
        "The run was interrupted; the printer cannot tell whether the file was executed.";
    EXPECT_EQ(Get(Path("x.err")), Header() + kFiscal + "\r\n[ERROR]" + notPrinted + "\r\n");
    EXPECT_EQ(Get(Path("z.err")), Header() + "#R10\r\n\r\n[ERROR]" + cannotTell + "\r\n");
    EXPECT_TRUE(Logged("Failed process file \"x.bon\": " + notPrinted));
    EXPECT_EQ(Get(Path("y.rep")), "answer");
    EXPECT_FALSE(std::filesystem::exists(Path("y.$$$")));
    EXPECT_EQ(Answer("new"), ".rep");
    EXPECT_EQ(Closed() - closed, 1);
    EXPECT_FALSE(Printed("CASH IN"));
    EXPECT_FALSE(printer_->BatchDue(false));
}

}  // namespace
