#include "FPAxUnit.h"

#include <gtest/gtest.h>

#include "ConstUnit_Program.h"
#include "FakeFprn.h"

namespace {

using Strings = std::vector<std::string>;

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        Settings().AxLogDir = "/var/log/ax/";
        Settings().CashierPass = "77";
        fake_ = new TFakeFprn();
        printer_ = std::make_unique<TFPPrinter>(platform::ComPtr<ITavrinoFprnRO>::Attach(fake_));
        printer_->OnMessage = [this](const std::string& m) { log_.push_back(m); };
    }
    void TearDown() override { ResetSettings(); }

    std::string Raised(const std::function<void()>& Operation) {
        try {
            Operation();
        } catch (const EAbort& e) {
            return e.what();
        }
        return "";
    }

    TFakeFprn* fake_ = nullptr;
    std::unique_ptr<TFPPrinter> printer_;
    Strings log_;
};

TEST_F(PrinterTest, ConnectTakesThePortNumberFromTheName) {
    const std::pair<std::string, std::string> rows[] = {
        {"COM3", "InitRS232(3,9600,'','/var/log/ax/')"},
        {"COM10", "InitRS232(10,9600,'','/var/log/ax/')"},
        {"COM123", "InitRS232(12,9600,'','/var/log/ax/')"},
        {"LPT", "InitRS232(1,9600,'','/var/log/ax/')"},
    };
    for (const auto& [port, call] : rows) {
        fake_->Calls.clear();
        EXPECT_TRUE(printer_->ConnectRS232(port, 9600));
        EXPECT_EQ(fake_->Calls, Strings{call});
    }
    EXPECT_TRUE(printer_->ConnectTCP("10.0.0.1", 4999));
    EXPECT_EQ(fake_->Calls.back(), "InitTCP('10.0.0.1',4999,'','/var/log/ax/')");

    fake_->FailWith = {{"InitRS232", "No answer"}, {"InitTCP", "Refused"}};
    EXPECT_FALSE(printer_->ConnectRS232("COM3", 9600));
    EXPECT_FALSE(printer_->ConnectTCP("10.0.0.1", 4999));
    EXPECT_EQ(log_, (Strings{"FP ERROR.Connect on COM3/9600 failed:  No answer",
                             "FP ERROR.ConnectTCP 10.0.0.1/4999 failed:  Refused"}));
}

TEST_F(PrinterTest, ReadPrinterInfo) {
    printer_->PrnInfo.LastRecieptNo = 4;
    ASSERT_TRUE(printer_->ReadPrinterInfo(false));
    const TPrnInfo& info = printer_->PrnInfo;
    EXPECT_EQ(info.Model + "|" + info.Serial + "|" + info.FiscalNo + "|" + info.LastInvoiceNo,
              "FP-700|DT123456|02123456|0");
    EXPECT_EQ(info.LineLength, 42);
    EXPECT_EQ(info.LastRecieptNo, 4);
    EXPECT_EQ(info.PrinterClock, 0);
    EXPECT_EQ(info.DriverInfo, "Lib. version: 2.6. Maker, example.org");
    ASSERT_TRUE(printer_->ReadPrinterInfo(true));
    EXPECT_EQ(info.LastRecieptNo, 17);
    EXPECT_EQ(info.PrinterClock, 45000.5);

    printer_->PrnInfo = TPrnInfo{};
    fake_->FailWith = {{"FPSerial", "Lost"}};
    EXPECT_FALSE(printer_->ReadPrinterInfo(true));
    EXPECT_EQ(log_, Strings{"FP ERROR.Get printer info failed:  Lost"});
    EXPECT_EQ(info.Model, "FP-700");  // read before the failure
    EXPECT_EQ(info.FiscalNo, "");
}

TEST_F(PrinterTest, ManualReports) {
    const TDateTime start = 45292, end = 45322;  // 01.01.24, 31.01.24
    const std::pair<int, std::string> rows[] = {
        {0, "RunXReport()"},
        {1, "RunZReport()"},
        {2, "RunFMDateReport(01.01.24,31.01.24,0)"},
        {3, "RunDepartReport(1)"},
        {4, "RunPluReport()"},
        {5, "RunOtherReport(2)"},
        {6, "RunFMBlockReport(3,9,1)"},
    };
    for (const auto& [kind, call] : rows) {
        fake_->Calls.clear();
        EXPECT_TRUE(printer_->RunManualReport(kind, true, start, end, false, 3, 9));
        EXPECT_EQ(fake_->Calls, Strings{call});
    }
    fake_->Calls.clear();
    EXPECT_TRUE(printer_->RunManualReport(7, true, start, end, true, 1, 1));
    EXPECT_EQ(fake_->Calls, Strings{});
    fake_->FailWith = {{"RunZReport", "Paper"}};
    EXPECT_FALSE(printer_->RunManualReport(1, false, start, end, false, 1, 1));
    EXPECT_EQ(log_, Strings{"FP ERROR.Manal report failed:  Paper"});
}

TEST_F(PrinterTest, Departments) {
    TDepartmentInf department;
    department.Edited = true;
    ASSERT_TRUE(printer_->ReadDepartment(7, department));
    EXPECT_EQ(department.DepNom, 7);
    EXPECT_EQ(department.TaxGroup, 3);
    EXPECT_EQ(department.ExitCode, "1");
    EXPECT_FALSE(department.Edited);

    department.DepNom = 9;
    department.DepName = "Bread";
    department.Description = "Daily";
    EXPECT_TRUE(printer_->WriteDepartment(7, department));
    EXPECT_EQ(fake_->Calls.back(), "SetDepartData(7,'Bread',3,'Daily')");

    fake_->FailWith = {{"GetDepartData", "No dep"}, {"SetDepartData", "Refused"}};
    EXPECT_FALSE(printer_->ReadDepartment(7, department));
    EXPECT_FALSE(printer_->WriteDepartment(7, department));
    EXPECT_EQ(log_, (Strings{"Read department fail: No dep", "Refused"}));
}

TEST_F(PrinterTest, ServiceOperationsRaiseWithTheirPrefix) {
    printer_->PrintTestReceipt();
    printer_->PrintDiagReceipt();
    printer_->CopyLastReceipt();
    printer_->SumInOut(-20.5);
    printer_->DisconnectPRN();
    EXPECT_EQ(fake_->Calls,
              (Strings{"StartBon(1,1,'Test casier','77','0','','','','','','')",
                       "AddLine('Empty','',1)", "EndBon()", "PrintDiagReciept()",
                       "CopyLastReciept()", "InOutAmnt(-20.5,1)", "CloseConnection()"}));

    fake_->FailWith = {{"AddLine", "E1"},
                       {"PrintDiagReciept", "E2"},
                       {"CopyLastReciept", "E3"},
                       {"InOutAmnt", "E4"},
                       {"CloseConnection", "E5"}};
    EXPECT_EQ(Raised([&] { printer_->PrintTestReceipt(); }), "Test reciept fail E1");
    EXPECT_EQ(Raised([&] { printer_->PrintDiagReceipt(); }), "Test FP Test fail E2");
    EXPECT_EQ(Raised([&] { printer_->CopyLastReceipt(); }), "Copy last rec fail E3");
    EXPECT_EQ(Raised([&] { printer_->SumInOut(1); }), "SumInOut fail E4");
    EXPECT_EQ(Raised([&] { printer_->DisconnectPRN(); }), "");
    EXPECT_EQ(log_, Strings{"DisconnectPRNE5"});
}

TEST_F(PrinterTest, WithoutADriverObjectEveryOperationReportsIt) {
    TFPPrinter printer{platform::ComPtr<ITavrinoFprnRO>()};
    printer.OnMessage = [this](const std::string& m) { log_.push_back(m); };
    EXPECT_FALSE(printer.ConnectRS232("COM1", 9600));
    EXPECT_FALSE(printer.RunManualReport(9, false, 0, 0, false, 0, 0));
    EXPECT_FALSE(printer.ProcessFiles({"1\tx.bon"}));
    EXPECT_EQ(Raised([&] { printer.CopyLastReceipt(); }),
              "Copy last rec fail Printer not initialized.");
    EXPECT_EQ(log_, (Strings{"FP ERROR.Connect on COM1/9600 failed:  Printer not initialized.",
                             "FP ERROR.Manal report failed:  Printer not initialized.",
                             "Process files fail: Printer not initialized."}));
}

}  // namespace
