// Report, programming and information members and the data objects, against the printer
// emulator.

#include "DriverTestSupport.h"

namespace {

class ReportsTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(Connect(), 0) << LastError().second;
    }
};

TEST_F(ReportsTest, EachReportSendsItsCommand) {
    struct TCase {
        std::string Line;
        uint8_t Cmd;
        std::string Data;
        std::string Answer = Ok;
    };
    // 8 December 2026 at 18:00 and at 06:00: the report covers that whole day.
    const TCase Cases[] = {
        {"RunXReport", 0x45, "0N"},
        {"RunZReport", 0x45, "0"},
        {"RunPluReport", 0x45, "5N"},
        {"RunDepartReport 5", 0x45, "3"},
        {"RunDepartReport 0", 0x45, "3N"},
        {"RunOtherReport 1", 0x45, "1N"},
        {"RunOtherReport 2", 0x45, "7N"},
        {"RunOtherReport 3", 0x45, "8N"},
        {"RunFMBlockReport 1 1 2", 0x5F, "1,1"},
        {"RunFMBlockReport 1 0 1", 0x49, "1"},
        {"RunFMDateReport 46364.75 46364.25 0", 0x4F, "081226,081226"},
        {"RunFMDateReport 46364.75 0.0 1", 0x5E, "081226"},
        {"CopyLastReciept", 0x6D, "1", R"("LastErrorCode":216)"},  // no receipt to copy yet
        {"PrintDiagReciept", 0x47, ""},
        {"OpenCashDrw", 0x6A, "15"},
        {R"(SetAdvLine 2 "Shop")", 0x2B, "2Shop"},
        {"GetAdvLine 2", 0x2B, "I2", R"("Res":"Shop")"},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Line);
        const size_t From = Mark();
        const std::string Answer = Call(Case.Line);
        EXPECT_EQ(Sent(From), (decltype(Sent()){{Case.Cmd, Case.Data}}));
        EXPECT_NE(Answer.find(Case.Answer), std::string::npos) << Answer;
    }
    // An end that is only a time of day lies before the start: refused, nothing printed.
    const size_t BeforeBadRange = Mark();
    ExpectCalls({{"RunFMDateReport 46364.75 0.25 0", R"("Res":500,"LastErrorCode":201)"}});
    EXPECT_EQ(Mark(), BeforeBadRange);
    ExpectCalls({{"RunOtherReport 4", R"("LastErrorCode":201,"LastErrorMsg":"Report type is )"
                                      R"(invalid. Valid values are between 1 and 3")"},
                 {StartBonLine(1), Ok},
                 {R"(AddBarcode -4 "1234" 1)", Ok},
                 {"EndBon", Ok}});
    EXPECT_EQ(Sent(Mark() - 3)[0], std::make_pair(uint8_t{0x54}, std::string("6,1234")));
}

TEST_F(ReportsTest, ClockByDateAndByText) {
    ASSERT_EQ(Driver->Set_FPDateTime(46364.5), S_OK);  // 8 December 2026, noon
    EXPECT_EQ(Sent().back(), std::make_pair(uint8_t{0x3D}, std::string("08-12-26 12:00")));
    ExpectCalls({{R"(put FPDateAsString "081226143005")", R"("hr":0)"},
                 {"get FPDateAsString", R"("value":"0812261430)"}});
    EXPECT_EQ(LastError().first, 0);
    EXPECT_NE(Folder.Log().find("[INFO]Date as integer8,12,2026,14,30,5\r\n"), std::string::npos);
    EXPECT_NE(Folder.Log().find("[INFO]Converted date: 08.12.2026 14:30:05\r\n"),
              std::string::npos);
    double Date = 0;
    ASSERT_EQ(Driver->Get_FPDateTime(&Date), S_OK);
    EXPECT_NEAR(Date, 46364 + (14 * 60 + 30) / 1440.0, 2 / 1440.0);
    // A text that is not six two-digit numbers of a real date sets nothing.
    const std::string Base = "Failed to convert string \"";
    for (const char* Bad : {"0812261430", "0812AB143005", "310226143000", "-1122614300"}) {
        SCOPED_TRACE(Bad);
        const size_t From = Mark();
        ASSERT_EQ(Driver->Set_FPDateAsString(TWide(Bad)), S_OK);
        EXPECT_EQ(LastError(), std::make_pair(201, Base + Bad +
                                                       "\" to vaid date time.. Failed conver to "
                                                       "valid datetime"));
        EXPECT_TRUE(Sent(From).empty());
    }
    Driver->Set_FPDateAsString(TWide("  "));
    EXPECT_EQ(LastError(),
              std::make_pair(201, Base + "  \" to vaid date time.. Failed conver to string"));
    ExpectCalls({{"Close", Ok}, {"get FPDateAsString", R"("value":"301299000000")"}});
}

TEST_F(ReportsTest, StatusClasses) {
    struct TCase {
        std::vector<std::pair<int, int>> Bits;
        int Status;
    };
    const TCase Cases[] = {{{}, 0}, {{{1, 3}}, 2}, {{{2, 0}, {4, 4}}, 1}, {{{0, 4}}, 1}};
    for (const TCase& Case : Cases) {
        for (const auto& [Byte, Bit] : Case.Bits) {
            Emulator->SetStatusBit(Byte, Bit, true);
        }
        ExpectCalls({{"GetFPStatus 7", R"("Status":)" + std::to_string(Case.Status) + ","}});
        for (const auto& [Byte, Bit] : Case.Bits) {
            Emulator->SetStatusBit(Byte, Bit, false);
        }
    }
}

TEST_F(ReportsTest, ReceiptAndDayTotals) {
    ExpectCalls({{StartBonLine(2), Ok},
                 {R"(AddPlu "1" "Bread" 11.9 1 1 0)", Ok},
                 {R"(AddPlu "2" "Milk" 1.09 1 2 0)", Ok},
                 {R"(AddPayment 4 "" 3 1)", Ok},
                 {"GetRecieptStatus", R"("Res":{"DocNom":0,"IvoiceNo":1,"TotalAmnt":12.99,)"
                                      R"("TotalPayed":3,"IsOpen":1})"},
                 {R"(AddPayment 1 "" 10 1)", Ok},
                 {"EndBon", Ok},
                 {"get LastRecieptNo", R"("value":1)"},
                 {"get NextInvNom", R"("value":"1")"}});
    platform::ComPtr<IXReportData> Day;
    ASSERT_EQ(Driver->GetXReportData(Day.Receive()), S_OK);
    ASSERT_TRUE(Day);
    double Total = 0, Vat = 0, Card = 0, Cash = 0, TaxA = 0, TaxB = 0;
    Day->Get_Total(&Total);
    Day->Get_TotalVAT(&Vat);
    Day->Get_TotPay1(&Cash);
    Day->Get_TotPay4(&Card);
    Day->Get_TotTAXA(&TaxA);
    Day->Get_TotTAXB(&TaxB);
    EXPECT_NEAR(Total, 12.99, 1e-9);
    EXPECT_NEAR(Vat, 1.99, 1e-9);
    EXPECT_NEAR(Cash, 9.99, 1e-9);
    EXPECT_NEAR(Card, 3, 1e-9);
    EXPECT_NEAR(TaxA, 1.9, 1e-9);
    EXPECT_NEAR(TaxB, 0.09, 1e-9);
}

TEST_F(ReportsTest, PluAndDepartmentProgrammingRoundTrip) {
    const std::string Long(40, 'A');
    ExpectCalls({
        {R"(SetPluData 5 "Apple" 3 2 0 "" 0 -1.5 "kg")", Ok},
        {"GetPluData 5", R"("Res":{"PluNo":5,"PluName":"Apple","PluGroup":3,"PluTaxGrp":2,)"
                         R"("Price":1.5,"UnitNm":"kg","Barcode":"","AlteID":0)"},
        {"GetPluData 6", R"("Res":{"PluNo":-1,"PluName":"")"},
        {"GetPluData 6", R"("LastErrorCode":0)"},
        {"SetPluData 6 \"" + Long + R"(" 1 1 0 "" 0 1 "")", Ok},
        {R"(SetPluData 5000 "Apple" 1 2 0 "" 0 1.5 "")",
         R"("LastErrorCode":201,"LastErrorMsg":"PluNo 5000is over range.3000")"},
        {R"(SetPluData 5 "Apple" 1 8 0 "" 0 1.5 "")",
         R"("LastErrorCode":500,"LastErrorMsg":"Invalid TAX nom: 8.")"},
        {R"(SetDepartData 3 "Dairy" 2 "Milk and cheese")", Ok},
        {"GetDepartData 3", R"("Res":{"DepNom":3,"DepName":"Dairy","Description":"Milk and )"
                            R"(cheese","TaxGroup":2,"LastSum":0,"CountSales":0,"DepExists":1)"},
        // The driver programs group 8 as the letter H, and reads it back as 8.
        {StartBonLine(2), Ok},
        {R"(AddDepartPLU "1" "Nuts" 9 2 1 8 0)", Ok},
        {"GetDepartData 9", R"("TaxGroup":8,"LastSum":2,"CountSales":1,"DepExists":1)"},
        // A department never programmed has no tax letter to report.
        {"GetDepartData 10", R"("Res":null,"LastErrorCode":200)"},
    });
    const fpemu::PrinterState State = PrinterState();
    EXPECT_EQ(State.plus.at(6).name, std::string(32, 'A'));
    EXPECT_EQ(State.plus.at(5).price, 150);
    EXPECT_EQ(State.departments.at(3).description, "Milk and cheese");
}

}  // namespace
