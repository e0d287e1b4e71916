#include "Printer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Money.h"

namespace fpemu {
namespace {

struct Result {
    std::string data;
    Bytes status;
    bool Bit(int byteIndex, int bit) const { return (status[byteIndex] >> bit) & 1; }
};

class PrinterTest : public ::testing::Test {
protected:
    Result Run(uint8_t cmd, const std::string& payload) {
        const Answer answer = printer.Execute(cmd, Bytes(payload.begin(), payload.end()));
        return Result{std::string(answer.data.begin(), answer.data.end()), answer.status};
    }

    // A command that must be taken: no syntax, invalid-command, not-allowed or overflow bit.
    std::string Ok(uint8_t cmd, const std::string& payload) {
        const Result result = Run(cmd, payload);
        EXPECT_FALSE(result.Bit(0, 0) || result.Bit(0, 1) || result.Bit(1, 1) || result.Bit(1, 0))
            << "command " << std::hex << int(cmd) << " " << payload;
        return result.data;
    }

    bool Printed(const std::string& line) const {
        const auto& journal = printer.Journal();
        return std::find(journal.begin(), journal.end(), line) != journal.end();
    }

    // What a refused command must leave as it was.
    std::string Snapshot() {
        const PrinterState& s = printer.State();
        std::string text =
            std::to_string(int(s.receipt.kind)) + "/" + std::to_string(s.receipt.items) + "/" +
            std::to_string(s.receipt.total) + "/" + std::to_string(s.receipt.tendered) + "/" +
            std::to_string(s.allReceiptNo) + "/" + std::to_string(s.drawerCash) + "/" +
            std::to_string(printer.Journal().size()) + "/" + std::to_string(s.departments.size()) +
            "/" + std::to_string(s.plus.size()) + "/" + s.headerLines[1] + "/" +
            std::to_string(s.invoiceNext) + "/" + std::to_string(s.zReportNo);
        return text;
    }

    Printer printer;
};

TEST_F(PrinterTest, FiscalReceiptFromOpeningToDailySums) {
    EXPECT_EQ(Ok(0x66, "1,,Anna"), "");
    EXPECT_EQ(Ok(0x30, "1,,1"), "1,1");
    EXPECT_TRUE(Run(0x4A, "W").Bit(2, 3));
    Ok(0x31, "1\nBread\tA1.50*2.000");
    Ok(0x31, "Milk\tB2.00,-10.00");
    Ok(0x31, "\tA0.99");
    EXPECT_EQ(Ok(0x4C, "T"), "1,3,579,0");
    EXPECT_EQ(Ok(0x33, "00"), "579,399,180,0,0,0,0,0,0");
    // An amount off the subtotal is spread over the groups by their share.
    EXPECT_EQ(Ok(0x33, "10;-0.79"), "500,345,155,0,0,0,0,0,0");
    EXPECT_EQ(Ok(0x67, ""), "1,345,155,0,0,0,0,0,0,0,1");

    EXPECT_EQ(Ok(0x35, "\tD+2.00"), "D,300");
    EXPECT_EQ(Ok(0x35, "\tD+5.00"), "I");  // only cash gives change
    EXPECT_EQ(Ok(0x4C, ""), "1,3,500,200");
    EXPECT_TRUE(Run(0x31, "Late\tA1.00").Bit(1, 1));
    EXPECT_TRUE(Run(0x3C, "").Bit(1, 1));
    EXPECT_TRUE(Run(0x38, "").Bit(1, 1));  // not paid yet
    EXPECT_EQ(Ok(0x67, "").substr(0, 2), "0,");
    EXPECT_EQ(Ok(0x35, "Thank you\tP+5.00"), "R,200");
    EXPECT_EQ(Ok(0x35, "\tP+1.00"), "F");  // paid already
    Ok(0x36, "Come again");
    EXPECT_EQ(Ok(0x38, ""), "1,1");
    EXPECT_FALSE(Run(0x4A, "X").Bit(2, 3));
    EXPECT_EQ(Ok(0x4C, "T"), "0,0,0,0");
    EXPECT_EQ(Ok(0x71, ""), "1");

    EXPECT_EQ(Ok(0x41, "0"), "345,155,0,0,0,0,0,0");
    EXPECT_EQ(Ok(0x41, "1"), "55,13,0,0,0,0,0,0");  // 19 % and 9 % inside the prices
    EXPECT_EQ(Ok(0x6E, "11"), "300,0,0,200,0,0,0,0,1,1");
    EXPECT_EQ(printer.State().drawerCash, 300);

    const int width = printer.State().lineWidth;
    for (const std::string& line :
         {std::string("OPERATOR 1 Anna"), std::string("2.000 x 1.50"), std::string("1"),
          PadBetween("Bread", "3.00 A", width), PadBetween("DISCOUNT -10.00%", "-0.20", width),
          PadBetween("DISCOUNT", "-0.79", width), PadBetween("TOTAL", "5.00", width),
          PadBetween("CARD", "2.00", width), std::string("Thank you"),
          PadBetween("CHANGE", "2.00", width), std::string("Come again"),
          PadBetween("VAT A 19.00%", "0.55", width), std::string("FISCAL RECEIPT")}) {
        EXPECT_TRUE(Printed(line)) << line;
    }
}

TEST_F(PrinterTest, RefusedCommandsChangeNothingAndSetTheirBit) {
    struct Row {
        const char* name;
        std::function<void()> setup;
        uint8_t cmd;
        std::string payload;
        int byteIndex, bit;  // -1: no bit of its own
        std::string data;
    };
    auto openFiscal = [this] { Ok(0x30, "1,,1"); };
    auto openNonFiscal = [this] { Ok(0x26, ""); };
    auto none = [] {};
    auto fault = [this] { printer.SetStatusBit(0, 4, true); };
    auto faultRunningReports = [this] {
        printer.State().faultReports = FaultReports::Run;
        printer.SetStatusBit(0, 4, true);
    };
    const Row rows[] = {
        {"sale without a receipt", none, 0x31, "x\tA1.00", 1, 1, ""},
        {"unknown tax letter", openFiscal, 0x31, "x\tZ1.00", 0, 0, ""},
        {"quantity 0", openFiscal, 0x31, "x\tA1.00*0", 0, 0, ""},
        {"three decimals in a price", openFiscal, 0x31, "x\tA1.005", 0, 0, ""},
        {"percent beyond 99.99", openFiscal, 0x31, "x\tA1.00,-100.00", 0, 0, ""},
        {"correction beyond the sales", openFiscal, 0x31, "x\tA-1.00", 1, 1, ""},
        {"department never programmed", openFiscal, 0x31, "x\t7\t1.00", 1, 1, ""},
        {"unknown PLU", openFiscal, 0x3A, "12", 1, 1, ""},
        {"fiscal receipt twice", openFiscal, 0x30, "1,,1", 1, 1, ""},
        {"non-fiscal in a fiscal one", openFiscal, 0x26, "", 1, 1, ""},
        {"fiscal text in a non-fiscal one", openNonFiscal, 0x36, "x", 1, 1, ""},
        {"password with a letter", none, 0x30, "1,12a,1", 0, 0, ""},
        {"operator 17", none, 0x30, "17,,1", 0, 0, ""},
        {"wrong password", [this] { printer.State().operators[0].password = "1234"; }, 0x30,
         "1,9,1", 1, 1, ""},
        {"invoice range used up",
         [this] { printer.State().invoiceNext = printer.State().invoiceEnd + 1; }, 0x30, "1,,1,I",
         1, 1, ""},
        {"no paper", [this] { printer.SetStatusBit(2, 0, true); }, 0x30, "1,,1", -1, -1, ""},
        {"clock not set", [this] { printer.SetStatusBit(0, 2, true); }, 0x30, "1,,1", -1, -1, ""},
        {"fiscal memory full", [this] { printer.SetStatusBit(4, 4, true); }, 0x45, "0", -1, -1, ""},
        {"Z report under a fault", fault, 0x45, "0", -1, -1, ""},
        {"fiscal memory report under a fault", fault, 0x5F, "1", -1, -1, ""},
        {"diagnostic under a fault", fault, 0x47, "", -1, -1, ""},
        {"receipt under a fault, reports run", faultRunningReports, 0x30, "1,,1", -1, -1, ""},
        {"report without paper, reports run under a fault",
         [&] {
             faultRunningReports();
             printer.SetStatusBit(2, 0, true);
         },
         0x45, "0N", -1, -1, ""},
        {"report in a receipt", openFiscal, 0x45, "0N", 1, 1, ""},
        {"status with a bad flag", none, 0x4A, "Q", 0, 0, ""},
        {"unknown command", none, 0x99, "", 0, 1, ""},
        {"closing no non-fiscal receipt", none, 0x27, "", 1, 1, ""},
        {"header line in a receipt", openFiscal, 0x2B, "1Shop", 1, 1, ""},
        {"header line of 37 characters", none, 0x2B, "1" + std::string(37, 'x'), 0, 0, ""},
        {"client block on a receipt", openFiscal, 0x39, "123\t\t\t", 1, 1, ""},
        {"payment letter M", openFiscal, 0x35, "\tM+1.00", 0, 0, ""},
        {"payment on nothing sold", openFiscal, 0x35, "\tP+1.00", -1, -1, "E"},
        {"discount on an empty receipt", openFiscal, 0x33, "00,-5.00", 1, 1, ""},
        {"cash out of an empty drawer", none, 0x46, "-1.00", -1, -1, "F,0.00,0.00,0.00"},
        {"cash in a receipt", openNonFiscal, 0x46, "5.00", -1, -1, "F,0.00,0.00,0.00"},
        {"bar code type 7", openFiscal, 0x54, "7,123", 0, 0, ""},
        {"bar code outside a receipt", none, 0x54, "1,123", 1, 1, ""},
        {"invoice range backwards", none, 0x42, "500,100", 0, 0, ""},
        {"clock on 31 February", none, 0x3D, "31-02-26 12:00", 0, 0, ""},
        {"PLU number beyond the table", none, 0x6B, "PA3001,0,1.00,BUC,Bread,", -1, -1, "F"},
        {"PLU with an unknown alternative tax", none, 0x6B, "PA1,0,1.00,BUC,Bread,,5,9.00", -1, -1,
         "F"},
        {"PLU name longer than the table takes", none, 0x6B,
         "PA1,0,1.00,BUC," + std::string(33, 'n') + ",", -1, -1, "F"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        printer = Printer();
        row.setup();
        const std::string before = Snapshot();
        const Result result = Run(row.cmd, row.payload);
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(result.data, row.data);
        const int own[][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (const auto& bit : own) {
            EXPECT_EQ(result.Bit(bit[0], bit[1]), bit[0] == row.byteIndex && bit[1] == row.bit)
                << "[" << bit[0] << "/" << bit[1] << "]";
        }
        // The bit belongs to that one answer.
        EXPECT_FALSE(Run(0x4A, "X").Bit(1, 1));
    }
}

TEST_F(PrinterTest, NonFiscalReceipt) {
    EXPECT_EQ(Ok(0x26, ""), "1");
    EXPECT_TRUE(Run(0x4A, "W").Bit(2, 5));
    Ok(0x2A, "Free text");
    Ok(0x54, "2,5941234567890");
    EXPECT_EQ(Ok(0x27, ""), "1");
    EXPECT_FALSE(Run(0x4A, "W").Bit(2, 5));
    EXPECT_EQ(Ok(0x71, ""), "1");
    EXPECT_TRUE(Printed("Free text"));
    EXPECT_TRUE(Printed("BARCODE 2 5941234567890"));
    EXPECT_TRUE(Printed("5941234567890"));
    EXPECT_TRUE(Run(0x6D, "1").Bit(1, 1));  // no fiscal receipt to copy
}

TEST_F(PrinterTest, InvoiceNeedsItsClientBlockAndTakesTheNextNumber) {
    EXPECT_EQ(Ok(0x42, "1200,1201"), "1200,1201");
    EXPECT_EQ(Ok(0x42, ""), "1200,1201,1200");
    EXPECT_EQ(Ok(0x30, "1,,1,I"), "1,1");
    EXPECT_EQ(Ok(0x67, ""), "1,0,0,0,0,0,0,0,0,1,1200");
    Ok(0x31, "Desk\tA100.00");
    EXPECT_EQ(Ok(0x35, "\tP+0.00"), "R,0");  // zero pays the rest
    EXPECT_TRUE(Run(0x38, "").Bit(1, 1));
    Ok(0x39, "111111110\t\t\t\t");
    EXPECT_TRUE(Run(0x39, "111111110\t\t\t\t").Bit(1, 1));  // once per invoice
    EXPECT_EQ(Ok(0x38, ""), "1,1");
    EXPECT_EQ(Ok(0x42, "S"), "1200,1201,1201");
    EXPECT_TRUE(Printed("INVOICE 1200"));
    EXPECT_TRUE(Printed("EIK 111111110"));
    EXPECT_TRUE(Printed("FISCAL INVOICE"));

    Ok(0x30, "1,,1,I");
    Ok(0x31, "Chair\tB50.00");
    Ok(0x35, "\tN+50.00");
    Ok(0x39, "RO123\tSeller\tReceiver\tClient Ltd\tTown\nStreet 1");
    Ok(0x38, "");
    for (const char* line : {"EIK RO123", "Seller", "Receiver", "Client Ltd", "Town", "Street 1"}) {
        EXPECT_TRUE(Printed(line)) << line;
    }
    EXPECT_TRUE(Run(0x30, "1,,1,I").Bit(1, 1));  // 1202 is past the range
}

TEST_F(PrinterTest, CancelWhileUnpaidOtherwisePayAndClose) {
    Ok(0x30, "1,,1");
    Ok(0x31, "Tea\tA4.00");
    EXPECT_EQ(Ok(0x67, "").substr(0, 6), "1,400,");
    Ok(0x3C, "");
    EXPECT_FALSE(Run(0x4A, "W").Bit(2, 3));
    EXPECT_TRUE(Printed("FISCAL RECEIPT CANCELLED"));
    EXPECT_EQ(Ok(0x41, "0"), "0,0,0,0,0,0,0,0");

    Ok(0x30, "1,,1");
    Ok(0x31, "Tea\tA10.00");
    EXPECT_EQ(Ok(0x35, "\tD+5.00"), "D,500");
    EXPECT_EQ(Ok(0x4C, "T"), "1,1,1000,500");
    EXPECT_EQ(Ok(0x35, "\tP+5.00"), "R,0");
    EXPECT_EQ(Ok(0x38, ""), "2,2");
    Ok(0x6D, "1");
    EXPECT_EQ(std::count(printer.Journal().begin(), printer.Journal().end(), "COPY"), 2);
    EXPECT_EQ(printer.State().lastClosedNo, 2);
}

// Every receipt is numbered when it opens; whether a cancelled one becomes the last document
// depends on the printer.
TEST_F(PrinterTest, LastDocumentNumberByCountingMode) {
    struct Row {
        LastDocument mode;
        const char* afterCancel;
        const char* afterNonFiscal;
    };
    for (const Row& row : {Row{LastDocument::Closed, "1", "3"}, Row{LastDocument::Any, "2", "3"}}) {
        SCOPED_TRACE(row.afterCancel);
        printer = Printer();
        printer.State().lastDocument = row.mode;
        Ok(0x30, "1,,1");
        Ok(0x31, "Tea\tA4.00");
        Ok(0x35, "\tP+4.00");
        EXPECT_EQ(Ok(0x38, ""), "1,1");
        EXPECT_EQ(Ok(0x30, "1,,1"), "2,2");
        EXPECT_EQ(Ok(0x71, ""), "1");  // an open receipt is no last document yet
        Ok(0x3C, "");
        EXPECT_EQ(Ok(0x71, ""), std::string(row.afterCancel));
        EXPECT_EQ(Ok(0x26, ""), "3");
        Ok(0x27, "");
        EXPECT_EQ(Ok(0x71, ""), std::string(row.afterNonFiscal));
    }
}

TEST_F(PrinterTest, CashInAndOutOfTheDrawer) {
    EXPECT_EQ(Ok(0x46, "100.00"), "P,100.00,100.00,0.00");
    EXPECT_EQ(Ok(0x46, "-30.00"), "P,70.00,100.00,30.00");
    EXPECT_EQ(Ok(0x46, "-100.00"), "F,70.00,100.00,30.00");
    EXPECT_EQ(Ok(0x46, "0.00"), "P,70.00,100.00,30.00");
    EXPECT_TRUE(Run(0x46, "ten").Bit(0, 0));
    Ok(0x6A, "15");
    EXPECT_EQ(printer.State().drawerOpenings, 1);
    EXPECT_TRUE(Printed(PadBetween("CASH OUT", "30.00", printer.State().lineWidth)));
}

TEST_F(PrinterTest, ReportsAndTheFiscalMemory) {
    Ok(0x3D, "08-12-26 14:30");
    Ok(0x57, "5,B,Bread");
    Ok(0x30, "1,,1");
    Ok(0x31, "Rye\t5\t2.00*3.000");
    EXPECT_TRUE(Run(0x31, "Rye\t5\t2.00;-7.00").Bit(1, 1));  // discount above the line
    Ok(0x35, "\tP+6.00");
    Ok(0x38, "");
    EXPECT_EQ(Ok(0x58, "5"), "PB,1,6.00,1,6.00,Bread\t");

    Ok(0x45, "0N");
    EXPECT_TRUE(Printed("X REPORT"));
    EXPECT_EQ(Ok(0x41, "0"), "0,600,0,0,0,0,0,0");  // X clears nothing
    Ok(0x45, "0");
    EXPECT_TRUE(Printed("Z REPORT 1"));
    EXPECT_EQ(Ok(0x41, "0"), "0,0,0,0,0,0,0,0");
    EXPECT_EQ(Ok(0x6E, "11"), "0,0,0,0,0,0,0,0,0,2");
    EXPECT_EQ(Ok(0x58, "5"), "PB,0,0.00,1,6.00,Bread\t");
    Ok(0x45, "3");  // department report with reset
    EXPECT_EQ(Ok(0x58, "5"), "PB,0,0.00,0,0.00,Bread\t");
    EXPECT_EQ(Ok(0x58, "6"), "F");

    const int width = printer.State().lineWidth;
    Ok(0x5F, "1");
    EXPECT_TRUE(Printed("SHORT FISCAL MEMORY REPORT"));
    EXPECT_TRUE(Printed(PadBetween("Z 1 08-12-26", "6.00", width)));
    Ok(0x5E, "011226,311226");
    EXPECT_TRUE(Printed(PadBetween("  B", "6.00", width)));
    EXPECT_TRUE(Run(0x49, "5,1").Bit(0, 0));
    EXPECT_TRUE(Run(0x4F, "311226,011226").Bit(0, 0));
    Ok(0x47, "");
    EXPECT_TRUE(Printed(PadBetween("SERIAL", "EM000001", width)));
}

// A printer that runs reports under a fault prints them and still shows the fault.
TEST_F(PrinterTest, ReportsRunUnderAFaultWhenThePrinterRunsThem) {
    struct Row {
        uint8_t cmd;
        const char* payload;
        const char* printed;
    };
    const Row rows[] = {
        {0x45, "0", "Z REPORT 1"},
        {0x45, "0N", "X REPORT"},
        {0x49, "1", "FISCAL MEMORY REPORT"},
        {0x4F, "010126", "SHORT FISCAL MEMORY REPORT"},
        {0x47, "", "DIAGNOSTIC"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printed);
        printer = Printer();
        printer.State().faultReports = FaultReports::Run;
        printer.SetStatusBit(0, 4, true);
        const Result result = Run(row.cmd, row.payload);
        EXPECT_TRUE(result.Bit(0, 4));
        EXPECT_FALSE(result.Bit(0, 0) || result.Bit(1, 1));
        EXPECT_TRUE(Printed(row.printed));
    }
}

TEST_F(PrinterTest, ProgrammingAndReadingBack) {
    Ok(0x3D, "08-12-26 14:30");
    EXPECT_EQ(Ok(0x3E, "").substr(0, 16), "08-12-26 14:30:0");
    printer.SetStatusBit(0, 2, true);
    Ok(0x3D, "09-12-26 08:00:30");
    EXPECT_FALSE(Run(0x4A, "X").Bit(0, 2));

    Ok(0x2B, "2Corner Shop");
    EXPECT_EQ(Ok(0x2B, "I2"), "Corner Shop");
    EXPECT_EQ(Ok(0x2B, "I3"), "");
    EXPECT_TRUE(Run(0x2B, "I10").Bit(0, 0));
    Ok(0x26, "");
    EXPECT_TRUE(Printed("Corner Shop"));
    Ok(0x27, "");

    EXPECT_EQ(Ok(0x57, "5"), "F");
    Ok(0x57, "5,B,Bread, rye\nFresh");
    EXPECT_EQ(Ok(0x57, "5"), "5,B,Bread, rye\tFresh");
    Ok(0x57, "5,C,Bread");
    EXPECT_EQ(Ok(0x57, "5"), "5,C,Bread");
    EXPECT_TRUE(Run(0x57, "101,A,x").Bit(0, 0));
    EXPECT_TRUE(Run(0x57, "5,A, ").Bit(0, 0));

    EXPECT_EQ(Ok(0x6B, "I"), "P,3000,0,32");
    EXPECT_EQ(Ok(0x6B, "R12"), "F");
    EXPECT_EQ(Ok(0x6B, "PA12,3,1.50,BUC,Bread,5941234"), "P");
    EXPECT_EQ(Ok(0x6B, "R12"), "P12,A,3,1.50,BUC,Bread,5941234,0,0.00");
    EXPECT_EQ(Ok(0x6B, "A5,Reduced"), "P");
    EXPECT_EQ(Ok(0x6B, "PB13,0,2.00,KG,Apples,,5,9.00"), "P");
    EXPECT_EQ(Ok(0x6B, "R13"), "P13,B,0,2.00,KG,Apples,,5,9.00");
    EXPECT_EQ(Ok(0x6B, "A51,Too far"), "F");
    EXPECT_TRUE(Run(0x6B, "PA12,3,1.50,BUC,Bread,123,extra").Bit(0, 0));
    EXPECT_TRUE(Run(0x6B, "X").Bit(0, 0));
    EXPECT_EQ(Ok(0x6B, "I"), "P,3000,2,32");

    Ok(0x30, "1,,1");
    Ok(0x3A, "12*2.000");
    Ok(0x3A, "13\t5\t,-50.00");
    EXPECT_EQ(Ok(0x4C, ""), "1,2,400,0");
    EXPECT_EQ(printer.State().departments[5].daySum, 100);
}

TEST_F(PrinterTest, IdentityAndOverriddenAnswers) {
    EXPECT_EQ(Ok(0x5A, "0"), "FPEMU,1.00 20Jan26 1200,4A2F,00000000,EM000001,90000001");
    const std::vector<std::string> parameters = Split(Ok(0x80, ""), ',');
    ASSERT_EQ(parameters.size(), 20u);
    EXPECT_EQ(parameters[8], "44");
    EXPECT_EQ(Ok(0x4A, "W"), "");

    printer.OverrideAnswer(0x71, "abc");
    EXPECT_EQ(Ok(0x71, ""), "abc");
    EXPECT_EQ(Ok(0x71, ""), "0");
    EXPECT_THROW(printer.OverrideAnswer(0x71, std::string(kMaxReplyData + 1, 'x')),
                 std::length_error);
    EXPECT_THROW(printer.SetStatusBit(2, 3, true), std::invalid_argument);
}

}  // namespace
}  // namespace fpemu
