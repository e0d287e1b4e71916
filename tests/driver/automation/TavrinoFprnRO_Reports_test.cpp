// Report, programming and information members, and their mended faults, on a device that
// answers from a table.

#include "DriverTestSupport.h"

namespace {

class ReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        GlobalLogger.reset();
        int32_t Res = -1;
        Driver->InitTCP(TWide("127.0.0.1"), 4999, TWide(""), TWide(""), &Res);
        ASSERT_EQ(Res, 0);
    }
    void TearDown() override { GlobalLogger.reset(); }
    std::pair<int32_t, std::string> LastError() { return ::LastError(*Driver); }
    TFakeDevice& Device() { return *Driver->Device; }

    TDriverRef<TFakeDriver> Driver;
};

TEST_F(ReportsTest, ReportMembersSendTheirCommands) {
    struct TCase {
        const char* Name;
        std::function<void(TTavrinoFprnRO&, int32_t&)> Call;
        uint8_t Cmd;
        const char* Data;
    };
    const TCase Cases[] = {
        {"X", [](auto& D, auto& R) { D.RunXReport(&R); }, 0x45, "0N"},
        {"Z", [](auto& D, auto& R) { D.RunZReport(&R); }, 0x45, "0"},
        {"PLU", [](auto& D, auto& R) { D.RunPluReport(&R); }, 0x45, "5N"},
        {"departments with reset", [](auto& D, auto& R) { D.RunDepartReport(5, &R); }, 0x45, "3"},
        {"other 2", [](auto& D, auto& R) { D.RunOtherReport(2, &R); }, 0x45, "7N"},
        {"blocks", [](auto& D, auto& R) { D.RunFMBlockReport(50, 10, 2, &R); }, 0x5F, "10,50"},
        {"detailed blocks", [](auto& D, auto& R) { D.RunFMBlockReport(5, 0, 1, &R); }, 0x49, "5"},
        // One day whose end time lies before its start time is still that whole day.
        {"one day", [](auto& D, auto& R) { D.RunFMDateReport(46364.75, 46364.25, 0, &R); }, 0x4F,
         "081226,081226"},
        {"bar code", [](auto& D, auto& R) { D.AddBarcode(-4, TWide("123"), 1, &R); }, 0x54,
         "6,123"},
        {"drawer", [](auto& D, auto& R) { D.OpenCashDrw(&R); }, 0x6A, "15"},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        int32_t Res = -1;
        Case.Call(*Driver, Res);
        EXPECT_EQ(Res, 0) << LastError().second;
        ASSERT_FALSE(Device().Sent.empty());
        EXPECT_EQ(Device().Sent.back().Cmd, Case.Cmd);
        EXPECT_EQ(Device().Sent.back().Data, Case.Data);
    }
    int32_t Res = -1;
    Driver->RunOtherReport(4, &Res);
    EXPECT_EQ(LastError(), std::make_pair(201, std::string("Report type is invalid. Valid "
                                                           "values are between 1 and 3")));
}

TEST_F(ReportsTest, DateTextIsSetOnlyFromSixNumbers) {
    Device().Replies[0x3E] = {"08-12-26 14:30:05"};
    platform::BSTR Text = nullptr;
    ASSERT_EQ(Driver->Get_FPDateAsString(&Text), S_OK);
    EXPECT_EQ(Take(Text), "081226143005");
    ASSERT_EQ(Driver->Set_FPDateAsString(TWide("081226143005")), S_OK);
    EXPECT_EQ(LastError().first, 0);
    EXPECT_EQ(Device().SentData(0x3D).back(), "08-12-26 14:30");
    const std::string Base = "Failed to convert string \"";
    for (const char* Bad : {"0812261430", "0812AB143005", "31022614300", "-1122614300"}) {
        SCOPED_TRACE(Bad);
        const size_t Before = Device().SentData(0x3D).size();
        ASSERT_EQ(Driver->Set_FPDateAsString(TWide(Bad)), S_OK);
        EXPECT_EQ(LastError(), std::make_pair(201, Base + Bad +
                                                       "\" to vaid date time.. Failed conver to "
                                                       "valid datetime"));
        EXPECT_EQ(Device().SentData(0x3D).size(), Before);
    }
    Driver->Set_FPDateAsString(TWide("  "));
    EXPECT_EQ(LastError(),
              std::make_pair(201, Base + "  \" to vaid date time.. Failed conver to string"));
}

TEST_F(ReportsTest, StatusAndDataObjects) {
    TDataBuffer Status(6, 0);
    Status[2] = 0x01;  // [2/0] no paper
    Status[4] = 0x10;  // [4/4] fiscal memory full
    Device().Replies[0x4A] = {"", Status};
    int32_t Class = -1, Res = -1;
    Driver->GetFPStatus(&Class, &Res);
    EXPECT_EQ(Class, 1);
    Device().Replies[0x6E] = {"100,200,300,400,500,600,700,800,1,2"};
    Device().Queued[0x41] = {{"1000,2000,0,0,0,0,0,300"}, {"10,20,30,40,50,60,70,80"}};
    platform::ComPtr<IXReportData> Report;
    ASSERT_EQ(Driver->GetXReportData(Report.Receive()), S_OK);
    ASSERT_TRUE(Report);
    double Value = 0;
    Report->Get_Total(&Value);
    EXPECT_DOUBLE_EQ(Value, 33);
    Report->Get_TotalVAT(&Value);
    EXPECT_DOUBLE_EQ(Value, 3.6);
    Report->Get_TotPay3(&Value);
    EXPECT_DOUBLE_EQ(Value, 3);
    Report->Get_TotTAXG(&Value);
    EXPECT_DOUBLE_EQ(Value, 0.7);
    // A department without a tax letter is refused rather than reported with a stray byte.
    Device().Replies[0x57] = {"1"};
    Device().Replies[0x58] = {"P"};
    platform::ComPtr<IDepatmentData> Department;
    ASSERT_EQ(Driver->GetDepartData(3, Department.Receive()), S_OK);
    EXPECT_FALSE(Department);
    EXPECT_EQ(LastError().first, 200);
    Device().Replies[0x57] = {"1,H,Fruit\tFresh"};
    Device().Replies[0x58] = {"PH,1,250,4,900,Fruit"};
    ASSERT_EQ(Driver->GetDepartData(3, Department.Receive()), S_OK);
    ASSERT_TRUE(Department);
    int32_t Number = 0;
    Department->Get_TaxGroup(&Number);
    EXPECT_EQ(Number, 8);
    Department->Get_DepExists(&Number);
    EXPECT_EQ(Number, 1);
    // An unknown PLU is an object with number -1 and no error.
    Device().Replies[0x6B] = {"F"};
    platform::ComPtr<IConfPLUData> Plu;
    ASSERT_EQ(Driver->GetPluData(77, Plu.Receive()), S_OK);
    ASSERT_TRUE(Plu);
    Plu->Get_PluNo(&Number);
    EXPECT_EQ(Number, -1);
    EXPECT_EQ(LastError().first, 0);
}

TEST_F(ReportsTest, PluIsProgrammedWithinThePrintersLimits) {
    Device().Replies[0x6B] = {"P,3000,0,10"};
    int32_t Res = -1;
    Driver->SetPluData(5000, TWide("Apple"), 1, 2, 0, TWide(""), 0, 1.5, TWide(""), &Res);
    EXPECT_EQ(LastError(), std::make_pair(201, std::string("PluNo 5000is over range.3000")));
    Driver->SetPluData(5, TWide("Apple"), 1, 8, 0, TWide(""), 0, 1.5, TWide(""), &Res);
    EXPECT_EQ(LastError(), std::make_pair(500, std::string("Invalid TAX nom: 8.")));
    Device().Queued[0x6B] = {{"P,3000,0,3"}, {"P"}};
    Driver->SetPluData(5, TWide("Apple"), 1, 2, -3, TWide(""), 0, -1.5, TWide(""), &Res);
    EXPECT_EQ(Res, 0) << LastError().second;
    EXPECT_EQ(Device().SentData(0x6B).back(), "PB5,1,1.50,BUC,App,");
}

}  // namespace
