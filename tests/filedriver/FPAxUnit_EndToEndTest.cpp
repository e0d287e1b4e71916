// Receipt files through the whole road: TFPPrinter creates the driver object from the built
// Kalvora.so, registered in a registry of the test's own, and the driver talks TCP to the
// emulator.
#include <filesystem>

#include "EmulatorTest.h"

namespace {

using EndToEndTest = EmulatorTest;

TEST_F(EndToEndTest, WithoutRegistrationTheDriverObjectCannotBeCreated) {
    EXPECT_THROW(TFPPrinter(), EAbort);
}

TEST_F(EndToEndTest, ReceiptFilesArePrintedAndAnswered) {
    Connect();
    ASSERT_FALSE(printer_->PrnInfo.FiscalNo.empty());
    Put(Path("a.bon"), "@02Maria\r\n%7^Bread^1.50^2^1\r\n#E1^2\r\n");
    Put(Path("b.bon"), ":Hello\r\n");
    EXPECT_TRUE(printer_->ProcessFiles({"1\ta.bon", "2\tb.bon"}));
    EXPECT_EQ(printer_->DoneCount, 2);
    const int32_t number = printer_->PrnInfo.LastRecieptNo;
    EXPECT_GT(number, 0);
    EXPECT_EQ(Get(Path("a.rep")), Header() + "Reciept No: " + std::to_string(number - 1) +
                                      "\r\n@02Maria\r\n%7^Bread^1.50^2^1\r\n#E1^2\r\n");
    EXPECT_EQ(Get(Path("b.rep")),
              Header() + "Reciept No: " + std::to_string(number) + "\r\n:Hello\r\n");
    EXPECT_TRUE(Printed("Bread"));
    EXPECT_TRUE(Printed("Hello"));
    EXPECT_NE(std::find(log_.begin(), log_.end(), "Amount autopaid : 1.00"), log_.end());
}

TEST_F(EndToEndTest, EveryKindOfFileIsAnsweredByteForByte) {
    Connect();
    struct TRow {
        std::string File;
        std::string Rep;  // after the device header; "#" stands for the receipt number
        std::string Printed;
    };
    const TRow rows[] = {
        {"@03Ivan\r\n#F15\r\n#LB 123456789\r\n#LF Firm\r\n#LW Town\r\n#LA Street 1\r\n"
         "#LM Maria\r\n%0^Tea^2.00^1^1\r\n#E1^2\r\n",
         "Reciept No: #\r\n@03Ivan\r\n#F15\r#LB 123456789\r#LF Firm\r#LW Town\r#LA Street 1\r"
         "#LM Maria\r\n%0^Tea^2.00^1^1\r\n#E1^2\r\n",
         "Firm"},
        {"$FC\r\n", "$FC\r\n", ""},
        {"#R10.00\r\n", "#R10.00\r\n", "10.00"},
        {"#R-5.00\r\n", "#R-5.00\r\n", "5.00"},
        {"#I\r\n", "#I\r\n", ""},
        {"#M1010124310124\r\n", "#M1010124310124\r\n", ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.File);
        Put(Path("k.bon"), row.File);
        EXPECT_TRUE(printer_->ProcessFiles({"1\tk.bon"}));
        std::string rep = row.Rep;
        if (const size_t at = rep.find("Reciept No: #"); at != std::string::npos) {
            rep.replace(at + 12, 1, std::to_string(printer_->PrnInfo.LastRecieptNo));
        }
        EXPECT_EQ(Get(Path("k.rep")), Header() + rep);
        EXPECT_TRUE(row.Printed.empty() || Printed(row.Printed));
        EXPECT_FALSE(std::filesystem::exists(Path("k.$$$")));
    }
    // A status request answers without the device header, which the next info read restores.
    Put(Path("s.bon"), "&S\r\n:never\r\n");
    EXPECT_TRUE(printer_->ProcessFiles({"1\ts.bon"}));
    EXPECT_EQ(Get(Path("s.rep")), "&S\r\n");
    EXPECT_EQ(printer_->PrnInfo.Serial.empty(), false);
}

TEST_F(EndToEndTest, ARefusedPaymentAnswersWithTheDriversMessage) {
    Connect();
    Settings().ErrTextInErrFile = true;
    Put(Path("c.bon"), "%0^Milk^2^1^1\r\n#E9^2\r\n");
    EXPECT_FALSE(printer_->ProcessFiles({"1\tc.bon"}));
    const std::string error = Get(Path("c.err"));
    EXPECT_EQ(error.rfind(Header() + "%0^Milk^2^1^1\r\n#E9^2\r\n\r\n[ERROR]Print plu list: Add "
                                     "payment: Pay9 = 2.00 fail ",
                          0),
              0u)
        << error;
    EXPECT_EQ(Get(Path("c.$$$")), "%0^Milk^2^1^1\r\n#E9^2\r\n");
}

}  // namespace
