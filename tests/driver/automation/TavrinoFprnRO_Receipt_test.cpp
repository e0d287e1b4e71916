// Receipt members against the printer emulator: the per-type table, fiscal receipts and
// invoices as the printer books them, the non-fiscal layout byte for byte, and the mended
// faults of StartBon, EndBon and AddProgPLU.

#include "DriverTestSupport.h"

namespace {

class ReceiptTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        Emulator->WithPrinter([](fpemu::Printer& P) {
            P.State().lineWidth = 32;
            fpemu::Plu& Apple = P.State().plus[5];
            Apple.taxLetter = 'H';
            Apple.price = 200;
            Apple.name = "Apple";
            fpemu::Department& Fruit = P.State().departments[7];
            Fruit.taxLetter = 'C';
            Fruit.name = "Fruit";
        });
        ASSERT_EQ(Connect(), 0) << LastError().second;
    }
    std::vector<uint8_t> Commands(size_t From) const {
        std::vector<uint8_t> Cmds;
        for (const auto& [Cmd, Data] : Sent(From)) {
            Cmds.push_back(Cmd);
        }
        return Cmds;
    }
};

TEST_F(ReceiptTest, EachSaleMemberFollowsTheReceiptType) {
    using TCmds = std::vector<uint8_t>;
    struct TCase {
        int32_t BonType;
        TCmds Plu, ProgPlu, DepartPlu;
    };
    // 0x2A non-fiscal text, 0x36 the blank fiscal line, 0x31 and 0x3A the sales; the programmed
    // and department items read the printer first (0x6B, 0x57).
    const TCase Cases[] = {
        {0, {}, {0x6B}, {0x57}},
        {1, {0x2A}, {0x6B, 0x2A}, {0x57, 0x2A, 0x2A}},
        {2, {0x31}, {0x6B, 0x3A}, {0x57, 0x31}},
        {3, {0x36, 0x31}, {0x6B, 0x36, 0x3A}, {0x57, 0x31}},
        {4, {0x36, 0x31}, {0x6B, 0x36, 0x3A}, {0x57, 0x36, 0x31}},
        {5, {}, {0x6B, 0x3A}, {0x57, 0x36, 0x31}},
        {6, {}, {0x6B, 0x36, 0x3A}, {0x57}},
        {9, {}, {0x6B}, {0x57}},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.BonType);
        ExpectCalls({{StartBonLine(Case.BonType), Ok}});
        if (Case.BonType >= 5) {  // these types open nothing; the printer has a receipt open
            Emulator->WithPrinter([](fpemu::Printer& P) { P.Execute(0x30, {'1', ',', ',', '1'}); });
        }
        size_t From = Mark();
        ExpectCalls({{R"(AddPlu "1" "Bread" 2 1 1 0)", Ok}});
        EXPECT_EQ(Commands(From), Case.Plu);
        From = Mark();
        ExpectCalls({{"AddProgPLU 5 1 2 1 1 0", Ok}});
        EXPECT_EQ(Commands(From), Case.ProgPlu);
        From = Mark();
        ExpectCalls({{R"(AddDepartPLU "1" "Fruit" 7 2 1 3 0)", Ok}});
        EXPECT_EQ(Commands(From), Case.DepartPlu);
    }
}

TEST_F(ReceiptTest, FiscalReceiptIsBookedByThePrinter) {
    ExpectCalls({
        {StartBonLine(2, "", 3), Ok},
        {R"(AddPlu "1" "Bread" 1.5 2 2 0)", Ok},
        {R"(AddPlu "2" "Bread" 1.5 -1 2 0)", Ok},  // a refund: -1.50 of one
        {"AddProgPLU 5 1 9.99 2 2 0", Ok},
        {R"(AddDepartPLU "3" "Plums" 8 2.5 2 3 0)", Ok},  // programs department 8
        {"AddDiscount 1 5", Ok},                          // nothing on a fiscal receipt
        {"AddDiscount 2 -10", Ok},
        {"AddDiscount 3 1", Ok},
        {"AddDiscount 4 1", R"("Res":500,"LastErrorCode":500,"LastErrorMsg":"Invalid )"
                            R"(discount type.")"},
        {R"(AddPayment 9 "" 1 1)", R"("Res":500,"LastErrorCode":201)"},
        {R"(AddPayment 4 "Card" 2.5 2)", Ok},
        {R"(AddPayment 1 "" 20 1)", Ok},
        {R"(AddLine "Thank you" "dbwidth" 0)", Ok},
        {"EndBon", Ok},
    });
    const fpemu::PrinterState State = PrinterState();
    EXPECT_EQ(State.operators[2].name, "Cashier 3");
    EXPECT_EQ(State.fiscalReceiptNo, 1);
    // 3.00 - 1.50 + 4.00 + 5.00, less 10 %, plus 1.00; the card pays 5.00, cash the rest.
    int64_t Day = 0;
    for (int64_t Sum : State.dayGroups) {
        Day += Sum;
    }
    EXPECT_EQ(Day, 1045);
    EXPECT_EQ(State.dayPayments.at('D'), 500);
    EXPECT_EQ(State.dayPayments.at('P'), 545);
    EXPECT_EQ(State.departments.at(8).name, "Plums");
    EXPECT_EQ(State.departments.at(8).taxLetter, 'C');
    const auto Journal = Emulator->Journal();
    EXPECT_NE(std::find(Journal.begin(), Journal.end(), "^#3;Thank you^#2;"), Journal.end());
}

TEST_F(ReceiptTest, NonFiscalReceiptIsLaidOutByteForByte) {
    ExpectCalls({{StartBonLine(1), Ok}});
    const size_t From = Emulator->Journal().size();
    ExpectCalls({
        {R"(AddPlu "1" "Bread" 5 4 1 0)", Ok},
        {"AddDiscount 2 -10", Ok},
        {"AddDiscount 1 5", Ok},
        {R"(AddPlu "2" "Milk" 1.25 -2 2 0)", Ok},
        {"AddDiscount 3 -0.5", Ok},
        {R"(AddDepartPLU "3" "Fruit" 7 1.5 1 3 0)", Ok},
        // The printer's PLU: its name, price and letter H, which is group 8 for the discount.
        {"AddProgPLU 5 1 9.99 1 1 0", Ok},
        {"AddDiscount 3 1", Ok},
        // A PLU the printer does not know is sold at the given price in the given group.
        {"AddProgPLU 6 1 1.5 1 3 0", Ok},
        {"AddProgPLU 6 1 1.5 1 8 0", R"("LastErrorCode":500,"LastErrorMsg":"Invalid TAX nom: 8.")"},
        {R"(AddPayment 1 "" 10 1)", Ok},
        {R"(AddPayment 3 "" 15 1)", Ok},
        {R"(AddLine "Thank you" " bold " 0)", Ok},
        {"EndBon", Ok},
    });
    const std::vector<std::string> Golden = {
        "Bread                    20,00 \xC0",
        "SUBSUM                     20,00",
        "DISCOUNT -10,00%         -2,00 A",
        "SERVICE CHARGE  05.00%    1,00 A",
        "Milk                     -2,50 \xC1",
        "REFUND                     -2.50",
        "DISCOUNT                 -0,50 B",
        "Fruit",
        "Fruit                     1,50 C",
        "Apple                     2,00 H",
        "SERVICE CHARGE            1,00 H",
        "                          1,50 C",
        "--------------------------------",
        "TOTAL                      22,00",
        "--------------------------------",
        "Paid P",
        "Cash                       10,00",
        "Paid C",
        "Credit                     15,00",
        "Change                      3,00",
        "^#5;Thank you^#2;",
    };
    std::vector<std::string> Printed = JournalSince(From);
    Printed.resize(std::min(Printed.size(), Golden.size()));
    EXPECT_EQ(Printed, Golden);
    EXPECT_EQ(PrinterState().receipt.kind, fpemu::Receipt::Kind::None);
}

// What the printer is sent and what the driver sums are one amount, rounded one way; sums far
// beyond the printer's range are laid out, not wrapped round.
TEST_F(ReceiptTest, AmountsAreSentAsTheDriverSumsThem) {
    ExpectCalls({{StartBonLine(2), Ok}});
    size_t From = Mark();
    ExpectCalls({
        {R"(AddPlu "1" "Jam" 2.675 1 1 0)", Ok},
        {R"(AddPlu "2" "Tea" 1.005 1 1 0)", Ok},
        {R"(AddPayment 1 "" 3.685 1)", Ok},
        {"EndBon", Ok},
    });
    using TSent = std::vector<std::pair<uint8_t, std::string>>;
    TSent Sales;
    for (const auto& Frame : Sent(From)) {
        if (Frame.first == 0x31 || Frame.first == 0x35) {
            Sales.push_back(Frame);
        }
    }
    EXPECT_EQ(Sales, (TSent{{0x31, "1\nJam\tA2.68"}, {0x31, "2\nTea\tA1.01"}, {0x35, "\tP+3.69"}}));
    EXPECT_EQ(PrinterState().receipt.kind, fpemu::Receipt::Kind::None) << "paid in full";

    ExpectCalls({{StartBonLine(1), Ok}});
    From = Emulator->Journal().size();
    ExpectCalls({
        {R"(AddPlu "1" "Gold" 100000000000000000.0 1 1 0)", Ok},
        {R"(AddPayment 1 "" 10 1)", Ok},
    });
    const std::vector<std::string> Golden = {
        "Gold     100000000000000000,00 \xC0",
        "--------------------------------",
        "TOTAL      100000000000000000,00",
        "--------------------------------",
        "Paid P",
        "Cash                       10,00",
    };
    EXPECT_EQ(JournalSince(From), Golden) << "no change is due";
    ExpectCalls({{"EndBon", Ok}});
}

TEST_F(ReceiptTest, OperatorNameIsTheCashiersOrCutToTheLine) {
    ExpectCalls({{StartBonLine(2, "", 4, "", "Anna"), Ok},
                 {"VoidCurrReciept", Ok},
                 {StartBonLine(1, "", 5, "", std::string(40, 'N')), Ok},
                 {"EndBon", Ok}});
    EXPECT_EQ(PrinterState().operators[3].name, "Anna");
    EXPECT_EQ(PrinterState().operators[4].name, std::string(32, 'N'));
    // A name the printer refuses (it has no operator 0) does not stop the receipt; it is logged.
    ExpectCalls({{StartBonLine(1, "", 0), Ok}, {"EndBon", Ok}});
    EXPECT_NE(Folder.Log().find("[INFO][EditOperator]"), std::string::npos);
    // A cashier number beyond the printer's 16 bits would name another cashier.
    const size_t From = Mark();
    ExpectCalls({{StartBonLine(2, "", 65536 + 4), R"("Res":500,"LastErrorCode":201)"}});
    EXPECT_TRUE(Sent(From).empty());
}

TEST_F(ReceiptTest, InvoiceTakesANewRangeAndKeepsItsClient) {
    Emulator->WithPrinter([](fpemu::Printer& P) { P.State().invoiceNext = 1000; });
    // Numbers that cannot start a range are only logged; the invoice opens on the old range.
    for (const char* InvNo : {"12a", "0", "99999999999"}) {
        SCOPED_TRACE(InvNo);
        const size_t From = Mark();
        ExpectCalls({{StartBonLine(3, InvNo), Ok}, {"get LastInvoiceNo", R"("value":"1000")"}});
        const auto Range = Sent(From);
        EXPECT_EQ(
            std::count_if(Range.begin(), Range.end(), [](auto& F) { return F.first == 0x42; }),
            1);  // read, not set
        EXPECT_NE(Folder.Log().find("[INFO]UpdateInvoiceRange. New inv num \"" +
                                    std::string(InvNo) + "\"is invalid integer value\r\n"),
                  std::string::npos);
    }
    ExpectCalls({{"VoidCurrReciept", Ok}, {StartBonLine(4, "1200"), Ok}});
    ExpectCalls(
        {{"get LastInvoiceNo", R"("value":"1200")"}, {R"(AddPlu "1" "Bread" 1.5 2 1 0)", Ok}});
    EXPECT_NE(Folder.Log().find("[INFO]New  range for inv added. From 1200 to 1201\r\n"),
              std::string::npos);
    // A StartBon that fails while the invoice is open does not hand it the next customer.
    Emulator->SetStatusBit(4, 4, true);
    ExpectCalls({{StartBonLine(4, "1300", 1, "Second Ltd"), R"("Res":500,"LastErrorCode":251)"}});
    Emulator->SetStatusBit(4, 4, false);
    const size_t From = Emulator->Journal().size();
    ExpectCalls({{R"(AddPayment 1 "" 0 1)", Ok}, {"EndBon", Ok}});
    const auto Printed = JournalSince(From);
    EXPECT_NE(std::find(Printed.begin(), Printed.end(), "First Ltd"), Printed.end());
    EXPECT_NE(std::find(Printed.begin(), Printed.end(), "EIK 123456789"), Printed.end());
    EXPECT_EQ(PrinterState().invoiceStart, 1200);
}

TEST_F(ReceiptTest, UnderpaidReceiptEndsAtItsCancellation) {
    struct TCase {
        const char* Paid;
        const char* Logged;
        int64_t Closed;  // receipts the printer closed
    };
    // Unpaid, the receipt is cancelled; once paid in part the printer can only settle it.
    const TCase Cases[] = {{"0", "Reciept canceled. ", 0},
                           {"4", "Reciept settled and closed. ", 1}};
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Paid);
        const int64_t Before = PrinterState().dayFiscalReceipts;
        ExpectCalls({{StartBonLine(3), Ok}, {R"(AddPlu "1" "Bread" 10 1 1 0)", Ok}});
        if (std::string(Case.Paid) != "0") {
            ExpectCalls({{std::string("AddPayment 1 \"\" ") + Case.Paid + " 1", Ok}});
        }
        const std::string Sums =
            "Payments are not enough. TotalSum:10.00; Tender:" + std::string(Case.Paid) + ".00)";
        size_t From = Mark();
        ExpectCalls({{"EndBon", R"("Res":500,"LastErrorCode":500,"LastErrorMsg":")" + Sums}});
        // Nothing is printed or closed after the cancellation: a client block and the last
        // close come only from the settlement.
        const auto Cmds = Commands(From);
        EXPECT_EQ(std::count(Cmds.begin(), Cmds.end(), 0x39), Case.Closed);
        EXPECT_EQ(Cmds.back() == 0x38, Case.Closed == 1);
        EXPECT_NE(Folder.Log().find("[ERROR]" + std::string(Case.Logged) + Sums + "\r\n"),
                  std::string::npos);
        EXPECT_EQ(PrinterState().receipt.kind, fpemu::Receipt::Kind::None);
        EXPECT_EQ(PrinterState().dayFiscalReceipts - Before, Case.Closed);
        // The driver's receipt is over.
        From = Mark();
        ExpectCalls({{R"(AddPlu "1" "Bread" 1 1 1 0)", Ok}});
        EXPECT_TRUE(Sent(From).empty());
    }
}

TEST_F(ReceiptTest, VoidAndCashMoveTouchOnlyThePrinter) {
    ExpectCalls({{StartBonLine(2), Ok},
                 {R"(AddPlu "1" "Bread" 10 1 1 0)", Ok},
                 {"VoidCurrReciept", Ok},
                 // The driver still thinks the receipt open: the printer refuses the sale.
                 {R"(AddPlu "1" "Bread" 10 1 1 0)", R"("Res":500,"LastErrorCode":208)"},
                 {"EndBon", Ok},
                 {"InOutAmnt 25.5 1", Ok},
                 {"InOutAmnt -5.5 1", Ok}});
    EXPECT_EQ(PrinterState().drawerCash, 2000);
}

}  // namespace
