// Receipt members: the per-type table, the non-fiscal layout byte for byte, and the mended
// faults, on a device that answers from a table.

#include "DriverTestSupport.h"

namespace {

TDataBuffer StatusWith(uint8_t Byte, uint8_t Mask) {
    TDataBuffer Status(6, 0);
    Status[Byte] = Mask;
    return Status;
}
const TDataBuffer FiscalOpen = StatusWith(2, 0x08);     // [2/3]
const TDataBuffer NonFiscalOpen = StatusWith(2, 0x20);  // [2/5]

class ReceiptTest : public ::testing::Test {
protected:
    void SetUp() override {
        GlobalLogger.reset();
        auto& R = Driver->Replies;
        R[0x26] = {"7", NonFiscalOpen};
        R[0x27] = {"8", NonFiscalOpen};
        R[0x30] = {"7,3", FiscalOpen};
        R[0x31] = {"", FiscalOpen};
        R[0x36] = {"", FiscalOpen};
        R[0x3A] = {"", FiscalOpen};
        R[0x39] = {"", FiscalOpen};
        R[0x38] = {"9,4", FiscalOpen};
        R[0x42] = {"1,100,50"};
        R[0x57] = {"1,A,BREAD"};
        R[0x6B] = {"P5,H,1,2.00,kg,Apple,,0,0"};
    }
    void TearDown() override { GlobalLogger.reset(); }

    void Connect() {
        int32_t Res = -1;
        ASSERT_EQ(Driver->InitTCP(TWide("127.0.0.1"), 4999, TWide(""), TWide(Folder.Path()), &Res),
                  S_OK);
        ASSERT_EQ(Res, 0);
    }
    int32_t StartBon(int32_t BonType, const std::string& EIK = "123456789",
                     const std::string& Customer = "First Ltd", const std::string& InvNo = "0") {
        int32_t Res = -1;
        Driver->StartBon(BonType, 3, TWide(""), TWide("1"), TWide(InvNo), TWide(EIK),
                         TWide("Seller"), TWide(Customer), TWide("Town"), TWide("Street 1"),
                         TWide("Receiver"), &Res);
        return Res;
    }
    std::pair<int32_t, std::string> LastError() { return ::LastError(*Driver); }
    // The commands sent since the mark.
    std::vector<uint8_t> CommandsSince(size_t Mark) const {
        std::vector<uint8_t> Cmds;
        for (size_t I = Mark; I < Driver->Device->Sent.size(); ++I) {
            Cmds.push_back(Driver->Device->Sent[I].Cmd);
        }
        return Cmds;
    }

    TTempFolder Folder;
    TDriverRef<TFakeDriver> Driver;
};

TEST_F(ReceiptTest, EachSaleMemberFollowsTheReceiptType) {
    using TCmds = std::vector<uint8_t>;
    struct TCase {
        int32_t BonType;
        TCmds Plu, ProgPlu, DepartPlu;
    };
    // 0x2A non-fiscal text, 0x36 the blank fiscal line, 0x31/0x3A the sale commands; the
    // programmed and department items read the printer first (0x6B, 0x57).
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
    Connect();
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.BonType);
        ASSERT_EQ(StartBon(Case.BonType), 0);
        int32_t Res = -1;
        size_t Mark = Driver->Device->Sent.size();
        Driver->AddPlu(TWide("1"), TWide("Bread"), 2, 1, 1, 0, &Res);
        EXPECT_EQ(Res, 0);
        EXPECT_EQ(CommandsSince(Mark), Case.Plu);
        Mark = Driver->Device->Sent.size();
        Driver->AddProgPLU(5, 1, 2, 1, 1, 0, &Res);
        EXPECT_EQ(Res, 0);
        EXPECT_EQ(CommandsSince(Mark), Case.ProgPlu);
        Mark = Driver->Device->Sent.size();
        Driver->AddDepartPLU(TWide("1"), TWide("Bread"), 1, 2, 1, 1, 0, &Res);
        EXPECT_EQ(Res, 0);
        EXPECT_EQ(CommandsSince(Mark), Case.DepartPlu);
    }
}

TEST_F(ReceiptTest, NonFiscalReceiptIsLaidOutByteForByte) {
    Connect();
    ASSERT_EQ(StartBon(1), 0);
    const size_t Mark = Driver->Device->Sent.size();
    int32_t Res = -1;
    Driver->AddPlu(TWide("1"), TWide("Bread"), 5, 4, 1, 0, &Res);
    Driver->AddDiscount(2, -10, &Res);
    Driver->AddDiscount(1, 5, &Res);
    Driver->AddPlu(TWide("2"), TWide("Milk"), 1.25, -2, 2, 0, &Res);
    Driver->AddDiscount(3, -0.5, &Res);
    Driver->AddPayment(1, TWide(""), 10, 1, &Res);
    Driver->AddPayment(3, TWide(""), 10, 1, &Res);
    Driver->AddLine(TWide("Thank you"), TWide(" bold "), 0, &Res);
    ASSERT_EQ(Res, 0);
    Driver->EndBon(&Res);
    ASSERT_EQ(Res, 0);
    std::vector<std::string> Lines;
    for (size_t I = Mark; I < Driver->Device->Sent.size(); ++I) {
        if (Driver->Device->Sent[I].Cmd == 0x2A) {
            Lines.push_back(Driver->Device->Sent[I].Data);
        }
    }
    const std::vector<std::string> Golden = {
        "Bread                    20,00 \xC0",
        "SUBSUM                     20,00",
        "DISCOUNT -10,00%         -2,00 A",
        "SERVICE CHARGE  05.00%    1,00 A",
        "Milk                     -2,50 \xC1",
        "REFUND                     -2.50",
        "DISCOUNT                 -0,50 B",
        "--------------------------------",
        "TOTAL                      16,00",
        "--------------------------------",
        "Paid P",
        "Cash                       10,00",
        "Paid C",
        "Credit                     10,00",
        "Change                      4,00",
        "^#5;Thank you^#2;",
    };
    EXPECT_EQ(Lines, Golden);
    EXPECT_EQ(Driver->Device->Sent.back().Cmd, 0x27);
}

TEST_F(ReceiptTest, FiscalRefundAndPayments) {
    Connect();
    ASSERT_EQ(StartBon(2), 0);
    int32_t Res = -1;
    Driver->AddPlu(TWide("1"), TWide("Bread"), 5, -1, 1, 0, &Res);
    EXPECT_EQ(Driver->Device->SentData(0x31).back(), "1\nBread\tA-5.00");
    Driver->AddDiscount(1, 5, &Res);
    EXPECT_EQ(Res, 0);
    EXPECT_TRUE(Driver->Device->SentData(0x33).empty());
    Driver->AddDiscount(3, -1.5, &Res);
    EXPECT_EQ(Driver->Device->SentData(0x33).back(), "00;-1.50");
    Driver->Device->Replies[0x35] = {"R"};
    Driver->AddPayment(4, TWide("Card"), 2, 1.5, &Res);
    EXPECT_EQ(Res, 0);
    EXPECT_EQ(Driver->Device->SentData(0x35).back(), "\tD+3.00");
    // The printer's own payment command has no letter M.
    Driver->AddPayment(9, TWide(""), 1, 1, &Res);
    EXPECT_EQ(Res, 500);
    EXPECT_EQ(LastError().first, 201);
}

TEST_F(ReceiptTest, FailedStartBonKeepsTheInvoicesClient) {
    Connect();
    ASSERT_EQ(StartBon(3, "111", "First Ltd"), 0);
    Driver->Device->Replies[0x30] = TFakeDevice::TReply::Failure(217, "open");
    EXPECT_EQ(StartBon(4, "222", "Second Ltd"), 500);
    Driver->Device->Replies[0x4C] = {"1,2,1500,1500"};
    int32_t Res = -1;
    Driver->EndBon(&Res);
    EXPECT_EQ(Res, 0);
    EXPECT_EQ(Driver->Device->SentData(0x39).back(),
              "111\tSeller\tReceiver\tFirst Ltd\tTown\nStreet 1");
}

TEST_F(ReceiptTest, UnderpaidReceiptStopsAfterItIsCancelled) {
    struct TCase {
        const char* Name;
        std::deque<TFakeDevice::TReply> Statuses;  // before and after the cancel command
        const char* Logged;
    };
    const TCase Cases[] = {
        {"cancelled", {{"", FiscalOpen}, {"", TDataBuffer(6, 0)}}, "Reciept canceled. "},
        {"settled", {{"", FiscalOpen}, {"", FiscalOpen}}, "Reciept settled and closed. "},
    };
    Connect();
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        ASSERT_EQ(StartBon(2), 0);
        Driver->Device->Replies[0x4C] = {"1,2,1000,500"};
        Driver->Device->Queued[0x4A] = {{}};  // the status read of EndBon itself
        for (const auto& Reply : Case.Statuses) {
            Driver->Device->Queued[0x4A].push_back(Reply);
        }
        int32_t Res = -1;
        Driver->EndBon(&Res);
        EXPECT_EQ(Res, 500);
        const std::string Sums = "Payments are not enough. TotalSum:10.00; Tender:5.00)";
        EXPECT_EQ(LastError(), std::make_pair(500, Sums));
        EXPECT_NE(Folder.Log().find("[ERROR]" + std::string(Case.Logged) + Sums + "\r\n"),
                  std::string::npos);
        EXPECT_TRUE(Driver->Device->SentData(0x39).empty());
        // The driver's receipt ended too: no sale line goes to the printer.
        const size_t Mark = Driver->Device->Sent.size();
        Driver->AddPlu(TWide("1"), TWide("Bread"), 1, 1, 1, 0, &Res);
        EXPECT_EQ(CommandsSince(Mark), std::vector<uint8_t>{});
    }
}

TEST_F(ReceiptTest, InvoiceRangeIsSetOnlyForANumberThatCanEndARange) {
    Connect();
    struct TCase {
        const char* InvNo;
        const char* Sent;  // the range set, or nothing
        const char* LastInvoiceNo;
    };
    const TCase Cases[] = {
        {"1200", "1200,1201", "1200"},
        {"12a", "", "100"},
        {"0", "", "100"},
        {"99999999999", "", "100"},
        {"99999999998", "99999999998,99999999999", "99999999998"},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.InvNo);
        const size_t Before = Driver->Device->SentData(0x42).size();
        // The current number has reached the range's end; the printer confirms a new range by
        // an empty answer.
        Driver->Device->Queued[0x42] = {{"1,100,100"}};
        if (*Case.Sent) {
            Driver->Device->Queued[0x42].push_back({""});
        }
        ASSERT_EQ(StartBon(4, "1", "C", Case.InvNo), 0);
        const auto Range = Driver->Device->SentData(0x42);
        EXPECT_EQ(Range.size() - Before, *Case.Sent ? 2u : 1u);
        if (*Case.Sent) {
            EXPECT_EQ(Range.back(), Case.Sent);
        }
        platform::BSTR No = nullptr;
        Driver->Get_LastInvoiceNo(&No);
        EXPECT_EQ(Take(No), Case.LastInvoiceNo);
    }
}

TEST_F(ReceiptTest, ProgrammedItemPrintsAndCountsThePrintersPrice) {
    Connect();
    ASSERT_EQ(StartBon(1), 0);
    int32_t Res = -1;
    Driver->AddProgPLU(5, 1, 9.99, 2, 1, 0, &Res);
    ASSERT_EQ(Res, 0);
    EXPECT_EQ(Driver->Device->SentData(0x2A).back(), "Apple                     4,00 H");
    // The printer's letter H is group 8, which a discount then uses.
    Driver->AddDiscount(3, 1, &Res);
    EXPECT_EQ(Driver->Device->SentData(0x2A).back(), "SERVICE CHARGE            1,00 H");
    Driver->AddPayment(1, TWide(""), 5, 1, &Res);
    const auto Lines = Driver->Device->SentData(0x2A);
    EXPECT_EQ(Lines[Lines.size() - 4], "TOTAL                       5,00");
    // An unknown PLU is sold in the argument's group.
    Driver->Device->Replies[0x6B] = {"F"};
    Driver->AddProgPLU(6, 1, 1.5, 1, 3, 0, &Res);
    ASSERT_EQ(Res, 0);
    EXPECT_EQ(Driver->Device->SentData(0x2A).back(), std::string(26, ' ') + "1,50 C");
    Driver->AddProgPLU(6, 1, 1.5, 1, 8, 0, &Res);
    EXPECT_EQ(LastError(), std::make_pair(500, std::string("Invalid TAX nom: 8.")));
}

}  // namespace
