// Payloads, argument refusals and status pre-checks of the command operations.

#include <gtest/gtest.h>

#include <functional>

#include "ScriptedDevice.h"

namespace {

using TOp = std::function<bool(TScriptedDevice&)>;

TDateTime Date(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0) {
    TDateTime Value = 0;
    EXPECT_TRUE(TryEncodeDateTime({Year, Month, Day, Hour, Minute, Second, 0}, Value));
    return Value;
}

TClientData Client(std::string EIK) {
    TClientData C;
    C.CustEIK = std::move(EIK);
    C.SellerName = "Seller";
    C.CustReciever = "Reciever";
    C.CustName = "Name";
    C.Spare1 = "S1";
    return C;
}

struct TPayloadRow {
    const char* Name;
    TOp Op;
    uint8_t Cmd;
    std::string Payload;
};

TEST(DeviceCommands, PayloadsByteForByte) {
    char Code = 0;
    double Amount = 0;
    int32_t A = 0;
    int32_t F = 0;
    double Sub = 0;
    TTaxSums Sums{};
    int64_t Start = 1;
    int64_t End = 99999999999;
    TClientData WithAddress = Client("123");
    WithAddress.CustTown = " Town ";
    WithAddress.CustAddress = " Street 1";
    TClientData StreetOnly = Client("123");
    StreetOnly.CustAddress = "Street";
    TPluData Plu{7, "Bread, white", 'A', 1, 2.5, "  ", "12,34", 0, "", 0};
    TPluData LongName = Plu;
    LongName.PluName = std::string(50, 'n');
    const std::string Forty(40, 'x');
    TDataBuffer Status;
    std::string Text;
    char Letter = 0;
    int64_t Read = 0;

    const TPayloadRow Rows[] = {
        // Sale lines: the optional parts appear only under their conditions.
        {"sell plain", [](auto& D) { return D.SellItem("Bread", "", 'A', 12.5, 1, 0); }, 0x31,
         "Bread\tA12.50"},
        {"sell qty", [](auto& D) { return D.SellItem("", "", 'B', 1, 2.5, 0); }, 0x31,
         "\tB1.00*2.500"},
        {"sell percent", [](auto& D) { return D.SellItem("X", "", 'H', 1, 1, -10); }, 0x31,
         "X\tH1.00,-10.00"},
        {"sell text2 only", [](auto& D) { return D.SellItem("", "Y", 'A', 1, 1, 0); }, 0x31,
         "\nY\tA1.00"},
        {"sell separators in texts",
         [](auto& D) { return D.SellItem("Bread\tA0.01", "x\ny", 'B', 3, 1, 0); }, 0x31,
         "Bread A0.01\nx y\tB3.00"},
        {"department", [](auto& D) { return D.SellByDepartment("a", "b", 3, 1.5, 2, -99); }, 0x31,
         "a\nb\t3\t1.50*2.000,-99.00"},
        {"plu qty", [](auto& D) { return D.SellProgrammedItem(false, 12, 0, 2, 99.99, false); },
         0x3A, "12*2.000,99.99"},
        {"plu amount", [](auto& D) { return D.SellProgrammedItem(true, 1, 3, 1, 150, true); }, 0x3A,
         "D1\t3\t;150.00"},
        {"subtotal amount", [&](auto& D) { return D.Subtotal(false, true, false, 5, Sub, Sums); },
         0x33, "00;5.00"},
        // Payments: "+" before a non-negative amount.
        {"pay zero", [&](auto& D) { return D.Payment("", "", 'P', 0, Code, Amount); }, 0x35,
         "\tP+0.00"},
        {"pay negative", [&](auto& D) { return D.Payment("", "", 'C', -5, Code, Amount); }, 0x35,
         "\tC-5.00"},
        {"pay texts", [&](auto& D) { return D.Payment("a\tb", "c", 'N', 1, Code, Amount); }, 0x35,
         "a b\nc\tN+1.00"},
        {"open fiscal", [&](auto& D) { return D.OpenFiscalReceipt(1, "", 1, false, A, F); }, 0x30,
         "1,,1"},
        {"open invoice", [&](auto& D) { return D.OpenFiscalReceipt(2, "0000", 1, true, A, F); },
         0x30, "2,0000,1,I"},
        {"client RO", [](auto& D) { return D.PrintClientData(Client(std::string(20, '9'))); }, 0x39,
         std::string(14, '9') + "\tSeller\tReciever\tName"},
        {"client base", [](auto& D) { return D.TBaseDevice::PrintClientData(Client("1\t2")); },
         0x39, "1 2\t\tReciever\tName\tS1"},
        {"client address", [&](auto& D) { return D.PrintClientData(WithAddress); }, 0x39,
         "123\tSeller\tReciever\tName\tTown\nStreet 1"},
        {"client street", [&](auto& D) { return D.PrintClientData(StreetOnly); }, 0x39,
         "123\tSeller\tReciever\tName\tStreet"},
        {"cash out", [](auto& D) { return D.CashInOut(-100); }, 0x46, "-100.00"},
        {"barcode", [](auto& D) { return D.PrintBarcode(2, "123", false); }, 0x54, "2;123"},
        {"operator", [](auto& D) { return D.SetOperatorName(1, "5", " Ann "); }, 0x66, "1,5,Ann"},
        // Reports and information.
        {"z report", [](auto& D) { return D.RunReport(0, true); }, 0x45, "0"},
        {"x report", [](auto& D) { return D.RunReport(0, false); }, 0x45, "0N"},
        {"report 12", [](auto& D) { return D.RunReport(12, false); }, 0x45, "0N"},
        {"fm blocks", [](auto& D) { return D.FiscalMemoryReportByBlocks(false, 50, 10); }, 0x49,
         "10,50"},
        {"fm block", [](auto& D) { return D.FiscalMemoryReportByBlocks(true, 5, 0); }, 0x5F, "5"},
        {"fm dates",
         [](auto& D) {
             return D.FiscalMemoryReportByDates(true, Date(2026, 1, 2), Date(2026, 12, 31));
         },
         0x4F, "020126,311226"},
        {"fm date", [](auto& D) { return D.FiscalMemoryReportByDates(false, Date(2026, 1, 2), 0); },
         0x5E, "020126"},
        {"status", [&](auto& D) { return D.GetStatus(false, Status); }, 0x4A, "X"},
        {"daily sums", [&](auto& D) { return D.GetDailySums(false, Sums); }, 0x41, "1"},
        // 0x2B, 0x42 and 0x57 read with these payloads and write with the ones below.
        {"read header", [&](auto& D) { return D.ReadHeaderLine(2, Text); }, 0x2B, "I2"},
        {"read range", [&](auto& D) { return D.GetInvoiceRange(false, Read, Read, Read); }, 0x42,
         ""},
        {"read department", [&](auto& D) { return D.GetDepartmentName(5, Text, Text, Letter); },
         0x57, "5"},
        // Programming.
        {"clock", [](auto& D) { return D.SetDateTime(Date(2026, 12, 8, 14, 30, 59)); }, 0x3D,
         "08-12-26 14:30"},
        {"header", [&](auto& D) { return D.SetHeaderLine(2, Forty); }, 0x2B,
         "2" + Forty.substr(0, 36)},
        {"invoice range", [&](auto& D) { return D.SetInvoiceRange(true, Start, End); }, 0x42,
         "S,1,99999999999"},
        {"department text",
         [](auto& D) {
             return D.SetDepartment({5, 'B', "Br\nead", "fre\nsh"});
         },
         0x57, "5,B,Br ead\nfre sh"},
        {"plu", [&](auto& D) { return D.SetFPR_Plu(Plu); }, 0x6B,
         "PA7,1,2.50,BUC,Bread  white,12 34"},
        {"plu long name", [&](auto& D) { return D.SetFPR_Plu(LongName); }, 0x6B,
         "PA7,1,2.50,BUC," + std::string(36, 'n') + ",12 34"},
    };
    for (const TPayloadRow& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        TScriptedDevice Device;
        Row.Op(Device);
        ASSERT_FALSE(Device.Sent.empty());
        EXPECT_EQ(Device.Sent.back().first, Row.Cmd);
        EXPECT_EQ(Device.Sent.back().second, Row.Payload);
    }
}

TEST(DeviceCommands, ArgumentRefusalsSendNothing) {
    char Code = 0;
    double Amount = 0;
    int32_t A = 0;
    int64_t Start = 500;
    int64_t End = 100;
    int64_t Huge = 100000000000;
    int64_t One = 1;
    TPluData Plu{7, "Bread", 'A', 1, 2.5, "kg", "", 51, "Alt", 5};
    const std::pair<TOp, std::string> Rows[] = {
        {[&](auto& D) { return D.OpenFiscalReceipt(1, "12a", 1, false, A, A); }, "[OperPwd]"},
        {[](auto& D) { return D.SellItem("", "", 'I', 1, 1, 0); }, "[VatGrp]"},
        {[](auto& D) { return D.SellItem("", "", 'a', 1, 1, 0); }, "[VatGrp]"},
        {[](auto& D) { return D.SellByDepartment("", "", 0, 1, 0, 0); }, "[Qtty]"},
        {[](auto& D) { return D.SellByDepartment("", "", 0, 1, 1, 0); }, "[DepartNo]"},
        {[](auto& D) { return D.SellByDepartment("", "", 1, 1, 1, 99.5); }, "[Perc]"},
        {[](auto& D) { return D.SellProgrammedItem(false, 1, 0, 1, 99.995, false); }, "[Perc]"},
        {[&](auto& D) { return D.Payment("", "", 'M', 1, Code, Amount); }, "[PaidMode]"},
        {[&](auto& D) { return D.Payment("", "", 'Q', 1, Code, Amount); }, "[PaidMode]"},
        {[&](auto& D) { return D.Payment("", "", 'O', 1, Code, Amount); }, "[PaidMode]"},
        {[&](auto& D) { return D.TBaseDevice::Payment("", "", 'R', 1, Code, Amount); },
         "[PaidMode]"},
        {[](auto& D) { return D.PrintClientData(Client("   ")); }, "EIK"},
        {[](auto& D) { return D.PrintBarcode(0, "1", true); }, "[BarcodeType]"},
        {[](auto& D) { return D.PrintBarcode(7, "1", true); }, "[BarcodeType]"},
        {[](auto& D) { return D.SetOperatorName(1, "", " \t"); }, "[OpName]"},
        {[](auto& D) { return D.FiscalMemoryReportByDates(true, 2, 1); }, ""},
        {[&](auto& D) { return D.SetInvoiceRange(false, Start, End); }, "[InvEnd]"},
        {[&](auto& D) { return D.SetInvoiceRange(false, One, Huge); }, "[InvEnd]"},
        {[&](auto& D) { return D.SetInvoiceRange(false, Huge, Huge); }, "[InvStart]"},
        {[](auto& D) {
             return D.SetFPR_Plu({7, " ", 'A', 1, 1, "", "", 0, "", 0});
         },
         "Missing PluNo name"},
        {[&](auto& D) { return D.SetFPR_Plu(Plu); },
         "Alt.tax nom \"51\" is invalid. Valid values are from 1 to 50."},
    };
    for (const auto& [Op, Label] : Rows) {
        SCOPED_TRACE(Label);
        TScriptedDevice Device;
        EXPECT_FALSE(Op(Device));
        EXPECT_TRUE(Device.Sent.empty());
        EXPECT_EQ(Device.FLastErrorCode, 201);
        EXPECT_EQ(Device.FLastErrorMsg, "Invalid input data. " + Label);
    }
    // The base payment knows letters the RO one refuses.
    for (char Letter : {'M', 'O', 'P', 'Q'}) {
        TScriptedDevice Device;
        Device.Reply("R");
        EXPECT_TRUE(Device.TBaseDevice::Payment("", "", Letter, 1, Code, Amount)) << Letter;
    }
}

struct TCheckRow {
    const char* Name;
    TOp Op;
    TDataBuffer Status;
    int32_t Code;
    std::string Message;  // empty: not compared
};

TEST(DeviceCommands, StatusPreChecksComeFirst) {
    int32_t A = 0;
    const char* RamText = "There is the destruction of RAM after switching. ";
    const TCheckRow Rows[] = {
        {"208 wins over a general flag",
         [&](auto& D) { return D.OpenFiscalReceipt(1, "", 1, false, A, A); }, StatusWith({{1, 4}}),
         208, std::string("Not opened fisc. receipt. [2/3]  ") + RamText},
        {"209", [&](auto& D) { return D.OpenNonFiscalReceipt(A, A); }, StatusWith({{0, 0}}), 209,
         ""},
        {"215 before 208", [](auto& D) { return D.SellItem("", "", 'A', 1, 1, 0); },
         StatusWith({{2, 5}, {1, 1}}), 215, ""},
        {"210 first", [](auto& D) { return D.SellItem("", "", 'A', 1, 1, 0); },
         StatusWith({{2, 5}, {2, 0}}), 210, ""},
        {"217 without the other flags", [](auto& D) { return D.PrintDiagnostic(); },
         StatusWith({{2, 3}, {1, 4}}), 217, "There is oppened fisc.reciept. [2/3]"},
        {"cash: general first", [](auto& D) { return D.CashInOut(1); },
         StatusWith({{2, 5}, {0, 0}}), 205, "Syntax error in command. [0/0]"},
        {"cash: then 215", [](auto& D) { return D.CashInOut(1); }, StatusWith({{2, 5}}), 215,
         "There is opened comment reciept. [2/5]"},
        {"basic ignores [1/4]",
         [](auto& D) {
             D.Reply("7", StatusWith({{1, 4}}));
             int32_t N = 0;
             return D.GetLastReceiptNo(N);
         },
         {},
         0,
         ""},
        {"full finds [1/1]",
         [](auto& D) {
             bool Open = false;
             int32_t N = 0;
             double X = 0;
             return D.GetReceiptState(true, Open, N, X, X);
         },
         StatusWith({{1, 1}}), 216, ""},
        {"a report under [0/4] runs", [](auto& D) { return D.RunReport(0, true); },
         StatusWith({{0, 4}}), 0, ""},
        {"a fiscal memory report under [0/4] runs",
         [](auto& D) { return D.FiscalMemoryReportByBlocks(true, 1, 0); }, StatusWith({{0, 4}}), 0,
         ""},
        {"short status", [](auto& D) { return D.PrintDiagnostic(); }, TDataBuffer(5, 0x80), 200,
         "Invalid data from the printer. Varying length of the declared. [6/5]"},
    };
    for (const TCheckRow& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        TScriptedDevice Device;
        if (!Row.Status.empty()) {
            Device.Reply("1,2", Row.Status);
        }
        EXPECT_EQ(Row.Op(Device), Row.Code == 0);
        EXPECT_EQ(Device.FLastErrorCode, Row.Code);
        if (!Row.Message.empty()) {
            EXPECT_EQ(Device.FLastErrorMsg, Row.Message);
        }
    }
}

TEST(DeviceCommands, FailedExchangeKeepsItsError) {
    TScriptedDevice Device;
    Device.Silence();
    int32_t N = 5;
    EXPECT_FALSE(Device.CloseNonFiscalReceipt(N));
    EXPECT_EQ(Device.FLastErrorCode, 103);
    EXPECT_EQ(Device.FLastErrorMsg, "Fiscal printer does not respond. ");
    EXPECT_EQ(N, 5);
}

}  // namespace
