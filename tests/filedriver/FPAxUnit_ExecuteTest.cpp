#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "Clock.h"
#include "ConstUnit_Program.h"
#include "FPAxUnit.h"
#include "FPAxUnit_Gate.h"
#include "FakeFprn.h"
#include "TestFolder.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kHeader =
    "FP model name: FP-700\r\nFP Serial No: DT123456\r\nFP fiscal module No: 02123456\r\n----\r\n";
const std::string kStart = "StartBon(2,1,'','77','0','','','','','','')";

class ExecuteTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        ResetSettings();
        Settings().BonFolder = dir_.string() + "/";
        Settings().CashierPass = "77";
        Settings().PayTypeMap[4] = {5, 2};
        fake_ = new TFakeFprn();
        printer_ = std::make_unique<TFPPrinter>(platform::ComPtr<ITavrinoFprnRO>::Attach(fake_));
        printer_->OnMessage = [this](const std::string& m) { log_.push_back(m); };
        ASSERT_TRUE(printer_->ReadPrinterInfo(false));
    }
    void TearDown() override {
        printer_.reset();
        ResetSettings();
        TestFolder::TearDown();
    }

    // Writes the receipt file and runs it; the error text, empty on success.
    std::string Run(const std::string& Bytes, const std::string& Name = "r1.bon") {
        Put(Path(Name), Bytes);
        std::string error;
        const bool done = printer_->ProcessFile(Path(Name), error);
        EXPECT_EQ(done, error.empty());
        return error;
    }
    bool Exists(const std::string& Name) const { return std::filesystem::exists(Path(Name)); }
    bool Logged(const std::string& Text) const {
        return std::find(log_.begin(), log_.end(), Text) != log_.end();
    }

    TFakeFprn* fake_ = nullptr;
    std::unique_ptr<TFPPrinter> printer_;
    Strings log_;
};

struct TScenario {
    std::string File;
    Strings Calls;
    std::string Rep;  // without the device header
};

TEST_F(ExecuteTest, FilesBecomeCallsAndResultFiles) {
    const TScenario rows[] = {
        {"%12^Milk^1.99^2|pcs^2\r\n%0^Bread^1.20^1\r\n#E1^3\r\n",
         {"GetPluData(12)", "SetPluData(12,'Milk',1,2,0,'',0,1.99,'pcs')", kStart,
          "AddProgPLU(12,1,1.99,2,2,0)", "AddPlu('','Bread',1.2,1,0,0)", "GetRecieptStatus()",
          "AddPayment(1,'',3,1)", "GetRecieptStatus()", "AddPayment(1,'',2.18,1)", "EndBon()"},
         "Reciept No: 17\r\n%12^Milk^1.99^2|pcs^2\r\n%0^Bread^1.20^1\r\n#E1^3\r\n"},
        {":Hello\r\n: World \r\n:  \r\n",
         {"StartBon(1,1,'','77','0','','','','','','')", "AddLine('Hello','',0)",
          "AddLine(' World ','',0)", "AddLine('  ','',0)", "EndBon()"},
         "Reciept No: 17\r\n:Hello\r\n: World \r\n:  \r\n"},
        {"@02Maria\r\n#F15\r\n#LB 123\r\n#LF Firm\r\n#LW Town\r\n#LA Street\r\n#LM Ivan\r\n"
         "%0^Tea^2^1^1\r\n#P-5\r\n#E5^2\r\n",
         {"StartBon(4,2,'Maria','77','15','123','','Firm','Town','Street','Ivan')",
          "AddPlu('','Tea',2,1,1,-0.05)", "AddDiscount(1,-0.05)", "GetRecieptStatus()",
          "AddPayment(2,'',2,1)", "GetRecieptStatus()", "EndBon()"},
         "Reciept No: 17\r\n@02Maria\r\n#F15\r#LB 123\r#LF Firm\r#LW Town\r#LA Street\r#LM "
         "Ivan\r\n%0^Tea^2^1^1\r\n#P-5\r\n#E5^2\r\n"},
        {"@03\r\n%40000^Big^5^1\r\n#E2\r\n",
         {"StartBon(2,3,'','77','0','','','','','','')", "AddProgPLU(40000,1,5,1,0,0)",
          "GetRecieptStatus()", "GetRecieptStatus()", "AddPayment(2,'',5,1)", "GetRecieptStatus()",
          "EndBon()"},
         "Reciept No: 17\r\n@03\r\n%40000^Big^5^1\r\n#E2\r\n"},
        {"#N\r\n:never\r\n", {"GetFPStatus()", "RunZReport()"}, "#N\r\n"},
        {":a\r\n#I\r\n",
         {"AddLine('a','',0)", "GetFPStatus()", "RunXReport()", "EndBon()"},
         "Reciept No: 17\r\n:a\r\n#I\r\n"},
        {"#M1010124310124\r\n",
         {"GetFPStatus()", "RunFMDateReport(01.01.24,31.01.24,1)"},
         "#M1010124310124\r\n"},
        {"$FC\r\n", {"CopyLastReciept()"}, "$FC\r\n"},
        {"#R-12.5\r\n", {"InOutAmnt(-12.5,1)"}, "#R-12.5\r\n"},
        {"junk\r\n", {}, ""},
    };
    for (const TScenario& row : rows) {
        SCOPED_TRACE(row.File);
        fake_->Calls.clear();
        fake_->Total = fake_->Payed = 0;
        EXPECT_EQ(Run(row.File), "");
        EXPECT_EQ(fake_->Calls, row.Calls);
        EXPECT_EQ(Get(Path("r1.rep")), kHeader + row.Rep);
        EXPECT_FALSE(Exists("r1.bon") || Exists("r1.$$$") || Exists("r1.err"));
    }
    EXPECT_TRUE(Logged("Amount autopaid : 2.18"));
    EXPECT_TRUE(Logged("[PrintPayment]Pay Type is changed. Used defined in ini file."));
    EXPECT_EQ(printer_->PrnInfo.LastRecieptNo, 17);
}

TEST_F(ExecuteTest, StatusRequestDropsTheDeviceHeaderUntilTheNextInfoRead) {
    EXPECT_EQ(Run("&S\r\n"), "");
    EXPECT_EQ(Get(Path("r1.rep")), "&S\r\n");
    EXPECT_EQ(Run("#I\r\n"), "");
    EXPECT_EQ(Get(Path("r1.rep")), "#I\r\n");
}

TEST_F(ExecuteTest, DepartmentSaleModeSellsByDepartment) {
    Settings().SellByDepartNo = true;
    EXPECT_EQ(Run("%5^Bread^1.20^2^1\r\n"), "");
    EXPECT_EQ(fake_->Calls,
              (Strings{kStart, "AddDepartPLU('5','Bread',5,1.2,2,1,0)", "GetRecieptStatus()",
                       "GetRecieptStatus()", "AddPayment(1,'',2.4,1)", "EndBon()"}));
}

struct TFailure {
    std::string File;
    std::string Member;  // fails with "Device error"
    std::string Error;
};

TEST_F(ExecuteTest, AFailedFileKeepsItsWorkFileAndAnswersWithAnErrorFile) {
    const TFailure rows[] = {
        {"%0^A^1^1\r\n#E1^1\r\n", "AddPlu", "Print plu list: PrintPlu: %0^A^1^1 fail Device error"},
        {":x\r\n", "StartBon", "Open reciept: Device error"},
        {"%1^A^1^1\r\n", "SetPluData", "Open reciept: Update plu data: Device error"},
        {"%0^A^1^1\r\n", "EndBon", "Close reciept: Device error"},
        {"%0^A^1^1\r\n", "GetRecieptStatus", "Device error"},
        {"%0^A^1^1\r\n#E3\r\n", "AddPayment",
         "Print plu list: Add payment: Pay3 = 0.00 fail Device error"},
        {"#C\r\n", "CopyLastReciept", "Print plu list: Copy bon:#C fail Device error"},
        {"#N\r\n", "RunZReport", "Print plu list: Print report:#N failDevice error"},
        {":x\r\n#P 5\r\n", "", "Add discount fail:Invalid discount sign."},
    };
    for (const bool withText : {false, true}) {
        Settings().ErrTextInErrFile = withText;
        for (const TFailure& row : rows) {
            SCOPED_TRACE(row.File + row.Member);
            fake_->FailWith = {{row.Member, "Device error"}};
            EXPECT_EQ(Run(row.File), row.Error);
            EXPECT_EQ(Get(Path("r1.$$$")), row.File);
            EXPECT_EQ(Get(Path("r1.err")),
                      kHeader + row.File + (withText ? "\r\n[ERROR]" + row.Error + "\r\n" : ""));
            EXPECT_FALSE(Exists("r1.bon") || Exists("r1.rep"));
        }
    }
}

TEST_F(ExecuteTest, AFailureWithoutMessageOrReceiptDataStillAnswers) {
    Settings().ErrTextInErrFile = true;
    fake_->FailWith = {{"GetRecieptStatus", ""}};
    EXPECT_EQ(Run("%0^A^1^1\r\n"), "Unknown error.");
    EXPECT_EQ(Get(Path("r1.err")), kHeader + "%0^A^1^1\r\n\r\n[ERROR]Unknown error.\r\n");
    fake_->FailWith.clear();
    fake_->NoReceiptData = true;
    EXPECT_EQ(Run("%0^A^1^1\r\n"), "No reciept data.");
}

TEST_F(ExecuteTest, APrintedReceiptWaitsForItsNumberAndItsAnswer) {
    // The number cannot be read after the close: no answer yet, never "Reciept No: 0".
    fake_->After["EndBon"] = [this] {
        fake_->RecieptNo = 18;
        fake_->FailWith = {{"LastRecieptNo", "No number"}};
    };
    EXPECT_EQ(Run(":x\r\n"), "Failed to read reciept number: No number");
    EXPECT_TRUE(
        Logged("File \"r1.bon\" waits for the printer to settle its receipt: Failed to "
               "read reciept number: No number"));
    EXPECT_EQ(Get(Path("r1.$$$")), ":x\r\n");
    EXPECT_NE(Get(Path("r1.$$$.rec.")).find("LastRecieptNo=17\r\n"), std::string::npos);
    EXPECT_FALSE(Exists("r1.rep") || Exists("r1.err"));
    EXPECT_TRUE(printer_->BatchDue(false));

    fake_->After.clear();
    fake_->FailWith.clear();
    EXPECT_TRUE(printer_->ProcessFiles({}));
    EXPECT_EQ(Get(Path("r1.rep")), kHeader + "Reciept No: 18\r\n:x\r\n");
    EXPECT_FALSE(Exists("r1.$$$") || Exists("r1.$$$.rec.") || Exists("r1.err"));
    EXPECT_TRUE(
        Logged("Reciept No: 18 of file \"r1.bon\" was printed, although: Failed to read "
               "reciept number: No number"));
    EXPECT_FALSE(printer_->BatchDue(false));

    // The answer cannot take its name: it waits, nothing of the file goes, and it is written
    // once the name is free. Only its own file waits: later ones go on while the folder takes
    // writes. It is logged again once an hour.
    platform::SimulatedClock clock;
    platform::ScopedClock useClock(clock);
    const auto pendingLines = [this] {
        return std::count_if(log_.begin(), log_.end(),
                             [](const std::string& l) { return l.find("pending") != l.npos; });
    };
    std::filesystem::create_directories(Path("r2.rep/x"));
    fake_->After["EndBon"] = [this] { fake_->RecieptNo = 19; };
    EXPECT_EQ(Run(":y\r\n", "r2.bon"), "");
    EXPECT_EQ(Get(Path("r2.$$$")), ":y\r\n");
    EXPECT_TRUE(Exists("r2.$$$.rec."));
    EXPECT_FALSE(Exists("r2.err") || Exists("tmp.$$$."));
    EXPECT_EQ(log_.back().rfind(
                  "File \"r2.bon\" printed, answer pending: Failed to rename report file. ", 0),
              0u);
    EXPECT_TRUE(printer_->BatchDue(true));
    EXPECT_FALSE(printer_->BatchDue(false));
    fake_->After["EndBon"] = [this] { fake_->RecieptNo = 20; };
    Put(Path("r3.bon"), ":z\r\n");
    EXPECT_TRUE(printer_->ProcessFiles({"1\tr3.bon"}));
    EXPECT_EQ(Get(Path("r3.rep")), kHeader + "Reciept No: 20\r\n:z\r\n");
    clock.Advance(3'599'000);
    printer_->BatchDue(false);
    EXPECT_EQ(pendingLines(), 1);
    clock.Advance(1'000);
    printer_->BatchDue(false);
    EXPECT_EQ(pendingLines(), 2);
    // After a restart the answer kept in the record is given as it stands: the printer's
    // numbers have moved since.
    fake_->AddRef();
    printer_ = std::make_unique<TFPPrinter>(platform::ComPtr<ITavrinoFprnRO>::Attach(fake_));
    printer_->OnMessage = [this](const std::string& m) { log_.push_back(m); };
    ASSERT_TRUE(printer_->ReadPrinterInfo(false));
    Settings().FileExt = "bon";
    EXPECT_TRUE(printer_->BatchDue(false));
    EXPECT_TRUE(printer_->ProcessFiles({}));
    EXPECT_EQ(pendingLines(), 3);
    std::filesystem::remove_all(Path("r2.rep"));
    EXPECT_FALSE(printer_->BatchDue(false));
    EXPECT_EQ(Get(Path("r2.rep")), kHeader + "Reciept No: 19\r\n:y\r\n");
    EXPECT_FALSE(Exists("r2.$$$") || Exists("r2.$$$.rec."));
}

// Whether a failed fiscal receipt was closed is read from the day's sums, which a cancelled
// receipt never moves, on the printer its record names; each file gets one verdict in the log.
TEST_F(ExecuteTest, AFailedReceiptIsSettledByTheDaysSums) {
    Settings().ErrTextInErrFile = true;
    const std::string sale = "%0^A^2.50^2^1\r\n";
    const auto process = [this, &sale](const std::string& Name) {
        log_.clear();
        Put(Path(Name + ".bon"), sale);
        return printer_->ProcessFiles({"1\t" + Name + ".bon"});
    };
    const auto verdicts = [this] {
        return std::count_if(log_.begin(), log_.end(), [](const std::string& l) {
            return l.find("Failed process file") != l.npos || l.find("although") != l.npos;
        });
    };
    const std::string doubt = "; the printer cannot tell whether the file was executed.";
    fake_->DayTotal = fake_->DayPayed = 10;

    // A printer that numbers the cancelled receipt: the number moved, the sums did not.
    fake_->FailWith = {{"EndBon", "Refused"}};
    fake_->After["VoidCurrReciept"] = [this] { ++fake_->RecieptNo; };
    EXPECT_FALSE(process("a"));
    EXPECT_TRUE(Exists("a.err"));
    EXPECT_TRUE(Logged("Failed process file \"a.bon\": Close reciept: Refused"));
    EXPECT_EQ(verdicts(), 1);

    // The void closed the paid receipt: number and sums moved.
    fake_->After["VoidCurrReciept"] = [this] {
        ++fake_->RecieptNo;
        fake_->DayTotal += fake_->Total;
    };
    EXPECT_TRUE(process("b"));
    EXPECT_EQ(Get(Path("b.rep")), kHeader + "Reciept No: 19\r\n" + sale);
    EXPECT_TRUE(
        Logged("Reciept No: 19 of file \"b.bon\" was printed, although: Close reciept: "
               "Refused"));
    EXPECT_EQ(verdicts(), 1);

    // The sums moved without the number, went down, or the printer is another one: the
    // printer cannot tell.
    struct {
        const char* Name;
        std::function<void()> Meanwhile;
        std::string Reason;
    } const rows[] = {
        {"c", [this] { fake_->DayTotal += 1; },
         "The day's fiscal sums moved, but not the last receipt number"},
        {"d", [this] { ++fake_->RecieptNo, fake_->DayTotal = 0; },
         "The day's fiscal sums went down since its receipt was begun (a daily report in "
         "between)"},
        {"e", [this] { fake_->Serial = "DT999"; },
         "Its receipt was begun on another printer (FP Serial No: DT123456, FP fiscal module No: "
         "02123456)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        fake_->After["VoidCurrReciept"] = row.Meanwhile;
        EXPECT_FALSE(process(row.Name));
        const std::string error = "Close reciept: Refused " + row.Reason + doubt;
        EXPECT_TRUE(Logged("Failed process file \"" + std::string(row.Name) + ".bon\": " + error));
        EXPECT_EQ(Get(Path(row.Name + std::string(".err"))),
                  kHeader + sale + "\r\n[ERROR]" + error + "\r\n");
        EXPECT_EQ(verdicts(), 1);
    }
    fake_->Serial = "DT123456";
    fake_->FailWith.clear();
    fake_->After.clear();

    // A record of an earlier version, or a damaged one, is never compared.
    Settings().FileExt = "bon";
    Put(Path("f.$$$"), sale);
    Put(Path("f.$$$.rec."), "LastRecieptNo=1\r\n");
    log_.clear();
    EXPECT_TRUE(printer_->ProcessFiles({}));
    const std::string earlier =
        "The run was interrupted. Its record is damaged or was written by an earlier "
        "version of the program" +
        doubt;
    EXPECT_TRUE(Logged("Failed process file \"f.bon\": " + earlier));
    EXPECT_EQ(verdicts(), 1);

    // Once answered, a work file is never answered again, also when the shop takes its ".err"
    // away; a new file of the same name replaces it.
    for (const char* name : {"a", "f"}) {
        std::filesystem::remove(Path(name + std::string(".err")));
    }
    log_.clear();
    EXPECT_FALSE(printer_->BatchDue(false));
    EXPECT_FALSE(printer_->ProcessFiles({}));
    EXPECT_FALSE(Exists("a.err") || Exists("f.err"));
    EXPECT_EQ(verdicts(), 0);
    EXPECT_TRUE(process("a"));
    EXPECT_TRUE(Exists("a.rep"));
    EXPECT_FALSE(Exists("a.$$$") || Exists("a.$$$.rec."));
}

// Cash moves and reports leave their mark whatever becomes of the file: when the link failed
// after such a command may have reached the printer, the shop must check before sending it
// again, unless the day's sums tell that a daily report with reset ran or did not.
TEST_F(ExecuteTest, CashAndReportsCutOffOnTheLink) {
    Settings().ErrTextInErrFile = true;
    const std::string doubt =
        " The command may have reached the printer; the printer cannot tell whether the file was "
        "executed.";
    fake_->FailCode = 103;
    fake_->FailWith = {{"InOutAmnt", "No answer"}};
    EXPECT_EQ(Run("#R25.50\r\n"), "Print plu list: In/out amount:#R25.50 fail No answer" + doubt);
    fake_->FailWith = {{"RunXReport", "No answer"}};
    EXPECT_EQ(Run("#I\r\n"), "Print plu list: Print report:#I failNo answer" + doubt);
    // Refused by the printer itself: nothing of it ran.
    fake_->FailCode = 206;
    fake_->FailWith = {{"InOutAmnt", "Denied"}};
    EXPECT_EQ(Run("#R25.50\r\n"), "Print plu list: In/out amount:#R25.50 fail Denied");
    // A printer that reports a fault may answer a report it never printed: none is sent.
    fake_->FailWith.clear();
    fake_->FPStatus = 1;
    fake_->Calls.clear();
    EXPECT_EQ(Run("#I\r\n"),
              "Print plu list: Print report:#I fail The printer reports a fault, an open cover or "
              "no paper.");
    EXPECT_EQ(fake_->Calls, Strings{"GetFPStatus()"});
    fake_->FPStatus = 0;

    // A daily report with reset is told by the day's sums, whatever the driver said once its
    // command went out.
    fake_->DayTotal = 12.5;
    fake_->FailWith = {{"RunZReport", "No answer"}};
    EXPECT_EQ(Run("#N\r\n"), "Print plu list: Print report:#N failNo answer");
    fake_->After["VoidCurrReciept"] = [this] { fake_->DayTotal = 0; };  // it ran
    log_.clear();
    EXPECT_EQ(Run("#N\r\n"), "");
    EXPECT_EQ(Get(Path("r1.rep")), kHeader + "#N\r\n");
    EXPECT_TRUE(Logged("Report #N ran, although: Print plu list: Print report:#N failNo answer"));
    fake_->After.clear();
    fake_->FailWith.clear();
    fake_->DayTotal = 12.5;
    fake_->After["RunZReport"] = [this] { fake_->DayTotal = 12.5; };  // answered, never ran
    EXPECT_EQ(Run("#N\r\n"),
              "Print plu list: Print report:#N fail The day's fiscal sums did not change: the "
              "report did not run.");
    fake_->After.clear();
    // The link is gone: the file waits for the printer, whose sums then tell.
    fake_->FailWith = {{"RunZReport", "No answer"}, {"VoidCurrReciept", "Gone"}};
    EXPECT_EQ(Run("#N\r\n", "z.bon"), "Print plu list: Print report:#N failNo answer");
    EXPECT_FALSE(Exists("z.rep") || Exists("z.err"));
    fake_->FailWith.clear();
    fake_->DayTotal = 0;
    Settings().FileExt = "bon";
    EXPECT_TRUE(printer_->ProcessFiles({}));
    EXPECT_EQ(Get(Path("z.rep")), kHeader + "#N\r\n");
}

TEST_F(ExecuteTest, AReceiptWrittenAgainDuringThePrintIsKeptUnlessItRepeatsIt) {
    fake_->After["EndBon"] = [this] { Put(Path("r1.bon"), ":new\r\n"); };
    EXPECT_EQ(Run(":old\r\n"), "");
    EXPECT_EQ(Get(Path("r1.bon")), ":new\r\n");
    EXPECT_FALSE(Exists("r1.$$$"));
    EXPECT_TRUE(Logged("File \"" + Path("r1.bon") +
                       "\" was written again while it was printed. Left for the next scan."));
    fake_->After["EndBon"] = [this] { Put(Path("r1.bon"), ":same\r\n"); };
    EXPECT_EQ(Run(":same\r\n"), "");
    EXPECT_FALSE(Exists("r1.bon"));
}

TEST_F(ExecuteTest, WorkAndAnswerFileNames) {
    // A stale answer of an earlier run goes before the new one is written.
    Put(Path("r1.err"), "old");
    EXPECT_EQ(Run(":x\r\n"), "");
    EXPECT_FALSE(Exists("r1.err"));

    // A receipt named like a temporary file keeps its work file intact beside its answer.
    fake_->FailWith = {{"AddLine", "Device error"}};
    EXPECT_NE(Run(":x\r\n", "tmp.bon"), "");
    EXPECT_EQ(Get(Path("tmp.$$$")), ":x\r\n");
    EXPECT_EQ(Get(Path("tmp.err")), kHeader + ":x\r\n");

    // A work name that cannot be taken leaves the receipt where it is, without an answer.
    std::filesystem::create_directories(Path("r3.$$$/x"));
    EXPECT_EQ(Run(":x\r\n", "r3.bon"),
              "Can't rename file. Check permissions : " + Settings().BonFolder + " Is a directory");
    EXPECT_TRUE(Exists("r3.bon"));
    EXPECT_FALSE(Exists("r3.err"));

    // The longest names print: the record takes a name of its own size.
    fake_->FailWith.clear();
    const std::string longest(251, 'n');
    EXPECT_EQ(Run(":x\r\n", longest + ".bon"), "");
    EXPECT_TRUE(Exists(longest + ".rep"));
}

TEST_F(ExecuteTest, ProcessFilesCountsAndLogs) {
    Put(Path("good.bon"), ":x\r\n");
    Put(Path("bad.bon"), "#P 5\r\n");
    EXPECT_FALSE(printer_->ProcessFiles({"1\tmissing.bon", "2\tgood.bon", "3\tbad.bon"}));
    EXPECT_EQ(printer_->DoneCount, 1);
    EXPECT_TRUE(Logged("Not found file \"" + Path("missing.bon") + "\""));
    EXPECT_TRUE(
        Logged("Failed process file \"bad.bon\": Add discount fail:Invalid discount sign."));
    EXPECT_TRUE(printer_->ProcessFiles({"1\tgood.bon"}));  // gone: not a failure

    EXPECT_FALSE(printer_->ProcessFiles({}));
    EXPECT_TRUE(Logged("Process files fail: No files in list"));
}

TEST_F(ExecuteTest, AFileStillBeingWrittenIsLeftForTheNextCall) {
    {
        std::ofstream writer(Path("w.bon"), std::ios::binary);
        writer << ":half" << std::flush;
        EXPECT_TRUE(printer_->ProcessFiles({"1\tw.bon"}));
        EXPECT_TRUE(Exists("w.bon"));
        EXPECT_EQ(fake_->Calls, Strings{});
    }
    EXPECT_TRUE(printer_->ProcessFiles({"1\tw.bon"}));
    EXPECT_TRUE(Exists("w.rep"));
}

TEST_F(ExecuteTest, WithoutLeasesAFileIsTakenOnceItStayedTheSame) {
    TReceiptFileGate gate;
    Put(Path("s.bon"), "a");
    EXPECT_FALSE(gate.SteadySinceLastCall(Path("s.bon")));
    EXPECT_TRUE(gate.SteadySinceLastCall(Path("s.bon")));
    EXPECT_FALSE(gate.SteadySinceLastCall(Path("s.bon")));  // seen afresh after being taken
    Put(Path("s.bon"), "ab");
    EXPECT_FALSE(gate.SteadySinceLastCall(Path("s.bon")));
    EXPECT_TRUE(gate.SteadySinceLastCall(Path("s.bon")));
    EXPECT_EQ(LeaseWriterState(Path("s.bon")), TWriterState::Done);
}

}  // namespace
