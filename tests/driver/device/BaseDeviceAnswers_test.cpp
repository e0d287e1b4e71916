// Answer decoding of the command operations and the two composite cancellations.

#include <gtest/gtest.h>

#include "ScriptedDevice.h"

namespace {

const TDataBuffer FiscalOpen = StatusWith({{2, 3}});

struct TAnswerRow {
    std::string Answer;
    int32_t Code;        // 0: success
    std::string Detail;  // what follows the code's text
};

void ExpectOutcome(TScriptedDevice& Device, bool Ok, const TAnswerRow& Row) {
    EXPECT_EQ(Ok, Row.Code == 0);
    EXPECT_EQ(Device.FLastErrorCode, Row.Code);
    if (Row.Code != 0) {
        EXPECT_EQ(
            Device.FLastErrorMsg.substr(0, TBaseDevice::ErrorText(Row.Code, Row.Detail).size()),
            TBaseDevice::ErrorText(Row.Code, Row.Detail));
    }
}

TEST(DeviceAnswers, PaymentAnswers) {
    const std::tuple<TAnswerRow, char, double> Rows[] = {
        {{"F", 250, "[F]"}, 'F', 0}, {{"D,1234", 0, ""}, 'D', 12.34},     {{"R", 0, ""}, 'R', 0},
        {{"", 200, ""}, 0, 0},       {{"D,x", 201, "[Amount2]"}, 'D', 0},
    };
    for (const auto& [Row, Code, Amount] : Rows) {
        SCOPED_TRACE(Row.Answer);
        TScriptedDevice Device;
        Device.Reply(Row.Answer, FiscalOpen);
        char AnswerCode = 0;
        double AnswerAmount = -1;
        ExpectOutcome(Device, Device.Payment("", "", 'P', 1, AnswerCode, AnswerAmount), Row);
        EXPECT_EQ(AnswerCode, Code);
        EXPECT_DOUBLE_EQ(AnswerAmount, Amount);
    }
}

TEST(DeviceAnswers, ReceiptCounters) {
    const std::tuple<TAnswerRow, int32_t, int32_t> Rows[] = {
        {{"", 217, "[2/3]"}, 0, 0},
        {{"12", 200, ""}, 0, 0},
        {{"12,x", 201, "[FiscReceipt]"}, 12, 0},
        {{"x,1", 201, "[AllReceipt]"}, 0, 0},
        {{"12, 7", 0, ""}, 12, 7},
    };
    for (const auto& [Row, All, Fisc] : Rows) {
        SCOPED_TRACE(Row.Answer);
        TScriptedDevice Device;
        Device.Reply(Row.Answer, FiscalOpen);
        int32_t AllNo = 0;
        int32_t FiscNo = 0;
        ExpectOutcome(Device, Device.OpenFiscalReceipt(1, "1", 1, false, AllNo, FiscNo), Row);
        EXPECT_EQ(std::pair(AllNo, FiscNo), std::pair(All, Fisc));
    }
    const TAnswerRow NonFiscal[] = {{"", 215, "[2/5]"}, {",", 200, ""}, {"33", 0, ""}};
    for (const TAnswerRow& Row : NonFiscal) {
        TScriptedDevice Device;
        Device.Reply(Row.Answer, StatusWith({{2, 5}}));
        int32_t AllNo = 0;
        int32_t FiscNo = 9;
        ExpectOutcome(Device, Device.OpenNonFiscalReceipt(AllNo, FiscNo), Row);
        EXPECT_EQ(FiscNo, 0);
        EXPECT_EQ(AllNo, Row.Code == 0 ? 33 : 0);
    }
}

TEST(DeviceAnswers, ReceiptStateAndInfo) {
    TScriptedDevice Device;
    bool Open = false;
    int32_t Items = 0;
    double Amount = 0;
    double Tender = 1;
    Device.Reply("1,3,1500").Reply("0,3,1500,2000").Reply("1,x,1");
    ASSERT_TRUE(Device.GetReceiptState(true, Open, Items, Amount, Tender));
    EXPECT_TRUE(Open);
    EXPECT_EQ(Items, 3);
    EXPECT_DOUBLE_EQ(Amount, 15);
    EXPECT_DOUBLE_EQ(Tender, 0);
    ASSERT_TRUE(Device.GetReceiptState(true, Open, Items, Amount, Tender));
    EXPECT_FALSE(Open);
    EXPECT_DOUBLE_EQ(Tender, 20);
    EXPECT_FALSE(Device.GetReceiptState(true, Open, Items, Amount, Tender));
    EXPECT_EQ(Device.FLastErrorMsg, "Invalid input data. [ItemsCount] ");

    bool CanVoid = true;
    bool Invoice = false;
    TTaxSums Sums{};
    int64_t Next = 0;
    double Total = 0;
    Device.Reply("0,100,0,0,0,0,0,0,0,1").Reply("0,100,0,0,0,0,0,0,250,1,25");
    EXPECT_FALSE(Device.GetReceiptInfo(CanVoid, Sums, Invoice, Next));
    EXPECT_EQ(Device.FLastErrorCode, 200);
    ASSERT_TRUE(Device.GetReceiptTaxTotal(CanVoid, Total, Invoice));
    EXPECT_FALSE(CanVoid);
    EXPECT_TRUE(Invoice);
    EXPECT_DOUBLE_EQ(Total, 3.5);

    Device.Reply("1,100,0,0,0,0,0,0,0,1,25");
    ASSERT_TRUE(Device.GetReceiptInfo(CanVoid, Sums, Invoice, Next));
    EXPECT_TRUE(CanVoid);
    EXPECT_DOUBLE_EQ(Sums[0], 1);
    EXPECT_EQ(Next, 25);

    double Sub = 0;
    Device.Reply("1234,100,200,0,0,0,0,0", FiscalOpen).Reply("1234,x,0,0,0,0,0,0", FiscalOpen);
    ASSERT_TRUE(Device.Subtotal(false, false, true, 0, Sub, Sums));
    EXPECT_DOUBLE_EQ(Sub, 12.34);
    EXPECT_DOUBLE_EQ(Sums[1], 2);
    EXPECT_FALSE(Device.Subtotal(false, false, true, 0, Sub, Sums));
    EXPECT_EQ(Device.FLastErrorMsg.substr(0, 27), "Invalid input data. [VatGRP");

    int32_t Last = 0;
    Device.Reply("42").Reply("4x");
    EXPECT_TRUE(Device.GetLastReceiptNo(Last));
    EXPECT_EQ(Last, 42);
    EXPECT_FALSE(Device.GetLastReceiptNo(Last));
    EXPECT_EQ(Last, 0);
    EXPECT_EQ(Device.FLastErrorCode, 201);
}

TEST(DeviceAnswers, CashInOutAnswers) {
    const std::tuple<double, TAnswerRow> Rows[] = {
        {-100, {"F,50,0,0", 207, "50.00"}}, {-100, {"F,500,0,0", 206, ""}},
        {100, {"F,0,0,0", 206, ""}},        {-100, {"P,50,0,0", 0, ""}},
        {5, {"P,50,0", 200, ""}},           {5, {"P,50,x,0", 201, "[ServIn]"}},
    };
    for (const auto& [Amount, Row] : Rows) {
        SCOPED_TRACE(Row.Answer);
        TScriptedDevice Device;
        Device.Reply(Row.Answer);
        ExpectOutcome(Device, Device.CashInOut(Amount), Row);
    }
}

TEST(DeviceAnswers, InformationAnswers) {
    TScriptedDevice Device;
    TDateTime When = 0;
    Device.Reply("08-12-26 14:30:05").Reply("08-12-26 14:30:0").Reply("31-02-26 12:00:00");
    Device.Reply("x8-12-26 14:30:05");
    ASSERT_TRUE(Device.GetFPR_DateTime(When));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", When), "08.12.2026 14:30:05");
    for (const auto& [Code, Detail] :
         {std::pair{200, "[GetFPR_DateTime]"}, {201, "[DATE]"}, {201, "[DAY]"}}) {
        EXPECT_FALSE(Device.GetFPR_DateTime(When));
        EXPECT_EQ(When, 0);
        EXPECT_EQ(Device.FLastErrorMsg, TBaseDevice::ErrorText(Code, Detail) + " ");
    }

    TPrnConst Params;
    for (const auto& [Ninth, Stored] :
         {std::pair{"42", "40"}, {"0", "0"}, {"-1", "-1"}, {"abc", "abc"}}) {
        Device.Reply(std::string("1,2,3,4,5,6,7,8,") + Ninth + ",10");
        ASSERT_TRUE(Device.GetDeviceInfo(Params));
        EXPECT_EQ(Params.Items[8], Stored);
        EXPECT_EQ(Params.Items[9], "10");
        EXPECT_EQ(Params.Items[10], "");
    }

    int64_t Start = 0, End = 0, Current = 0;
    Device.Reply("1000,1999,1500").Reply("1000,1999");
    ASSERT_TRUE(Device.GetInvoiceRange(false, Start, End, Current));
    EXPECT_EQ(std::tuple(Start, End, Current), std::tuple(1000, 1999, 1500));
    EXPECT_FALSE(Device.GetInvoiceRange(false, Start, End, Current));
    EXPECT_EQ(Device.FLastErrorCode, 200);

    TTaxSums Sums{};
    Device.Reply("100,x,250");
    ASSERT_TRUE(Device.GetDailySums(true, Sums));
    EXPECT_EQ(Sums, (TTaxSums{1, 0, 2.5, 0, 0, 0, 0, 0}));
    TDailyPayTotals Totals;
    Device.Reply("100,200,0,0,0,0,0,300,7,8");
    ASSERT_TRUE(Device.GetDailyTaxTotals(Totals));
    EXPECT_DOUBLE_EQ(Totals.PayTotals[7], 3);
    EXPECT_EQ(std::pair(Totals.Number1, Totals.Number2), std::pair(7, 8));

    TDiagnosticInfo Info;
    Device.Reply("Model,Ver 1.0 x,a,b,c,SER,FM").Reply("Model,x,y");
    ASSERT_TRUE(Device.GetDiagnosticInfo(false, Info));
    EXPECT_EQ(Info.FPModel, "Model");
    EXPECT_EQ(Info.Info1 + "|" + Info.Info2 + "|" + Info.Info3, "Ver|1.0|x");
    EXPECT_EQ(Info.FPSerial + "|" + Info.FPFiscalNo, "c|SER");
    EXPECT_FALSE(Device.GetDiagnosticInfo(false, Info));
    EXPECT_EQ(Device.FLastErrorCode, 200);

    TDataBuffer Status;
    Device.Reply("\x81\x82\x83\x84\x85\x86", StatusWith({{0, 2}})).Reply("", StatusWith({{0, 2}}));
    ASSERT_TRUE(Device.GetStatus(true, Status));
    EXPECT_EQ(Status, (TDataBuffer{0x81, 0x82, 0x83, 0x84, 0x85, 0x86}));
    ASSERT_TRUE(Device.GetStatus(false, Status));
    EXPECT_EQ(Status, StatusWith({{0, 2}}));
}

TEST(DeviceAnswers, DepartmentAnswers) {
    TScriptedDevice Device;
    std::string Name = "old", Description = "old";
    char Letter = 0;
    Device.Reply("5,B,Bread \tfresh ").Reply("5");
    ASSERT_TRUE(Device.GetDepartmentName(5, Name, Description, Letter));
    EXPECT_EQ(Letter, 'B');
    EXPECT_EQ(Name + "|" + Description, "Bread|fresh");
    ASSERT_TRUE(Device.GetDepartmentName(5, Name, Description, Letter));
    EXPECT_EQ(Name + Description, "");

    TDepartmentSum Sum;
    Device.Reply("PB,3,1250,7,8000,Bread\t extra").Reply("F,1,2").Reply("");
    ASSERT_TRUE(Device.GetDepartmentInfo(5, Sum));
    EXPECT_EQ(std::string({Sum.Flag, Sum.TaxLetter}), "PB");
    EXPECT_EQ(std::tuple(Sum.LastCount, Sum.LastSum, Sum.CountSales, Sum.TotalSum),
              std::tuple(int64_t{3}, 1250.0, int64_t{7}, 8000.0));
    EXPECT_EQ(Sum.Name + "|" + Sum.Extra, "Bread|extra");
    ASSERT_TRUE(Device.GetDepartmentInfo(5, Sum));
    EXPECT_EQ(Sum.Flag, 'F');
    EXPECT_EQ(Sum.TaxLetter, TDepartmentSum::NoTaxLetter);
    EXPECT_EQ(Sum.LastCount, 0);
    EXPECT_FALSE(Device.GetDepartmentInfo(5, Sum));
    EXPECT_EQ(Device.FLastErrorCode, 200);
}

TEST(DeviceAnswers, PluTableAnswers) {
    TScriptedDevice Device;
    TPluData Plu;
    Device.Reply("F").Reply("P7,A,1,250,kg,Bread,123,2,9.5").Reply("");
    ASSERT_TRUE(Device.GetFPR_Plu(7, Plu));
    EXPECT_EQ(Plu.PluNo, -1);
    ASSERT_TRUE(Device.GetFPR_Plu(7, Plu));
    EXPECT_EQ(std::tuple(Plu.PluNo, Plu.TaxLetter, Plu.PluGroup, Plu.Price, Plu.AlteID),
              std::tuple(7, 'A', 1, 250.0, 2));
    EXPECT_EQ(Plu.UnitNm + "|" + Plu.PluName + "|" + Plu.Barcode, "kg|Bread|123");
    EXPECT_DOUBLE_EQ(Plu.AltePrc, 9.5);
    EXPECT_FALSE(Device.GetFPR_Plu(7, Plu));
    EXPECT_EQ(Device.FLastErrorMsg, "Invalid input data. RunFunc6B. No valid data recieved");

    // Every failure of the article limits carries a code, even a refusal without one.
    TArticleInfo Info;
    Device.Reply("P,1000,0,36");
    ASSERT_TRUE(Device.GetFPR_ArticleInfo(Info));
    EXPECT_EQ(std::tuple(Info.MaxPluNo, Info.ExtraValue, Info.MaxNameLen), std::tuple(1000, 0, 36));
    const std::pair<bool, std::string> Failures[] = {{true, "F"}, {false, ""}, {true, "P,0,0,36"}};
    for (const auto& [Answered, Answer] : Failures) {
        SCOPED_TRACE(Answer);
        Answered ? (void)Device.Reply(Answer) : (void)Device.Silence();
        EXPECT_FALSE(Device.GetFPR_ArticleInfo(Info));
        EXPECT_EQ(Device.FLastErrorCode, 201);
        EXPECT_NE(Device.FLastErrorMsg.find(Answer == "P,0,0,36" ? "GetFPR_AlternativeTax"
                                                                 : "GetFPR_ArticleInfo"),
                  std::string::npos);
    }

    // An alternative rate goes first; its failure stops the PLU.
    TPluData Alt{7, "Bread", 'A', 1, 2.5, "kg", "", 3, " Half ", 9};
    Device.Sent.clear();
    Device.Reply("P").Reply("P");
    EXPECT_TRUE(Device.SetFPR_Plu(Alt));
    ASSERT_EQ(Device.Sent.size(), 2u);
    EXPECT_EQ(Device.Sent[0].second, "A3,Half");
    EXPECT_EQ(Device.Sent[1].second, "PA7,1,2.50,kg,Bread,,3,9.00");
    Device.Silence();
    EXPECT_FALSE(Device.SetFPR_Plu(Alt));
    EXPECT_EQ(Device.FLastErrorCode, 103);
    Device.Reply("F");
    EXPECT_FALSE(Device.SetFPR_Plu({7, "Bread", 'A', 1, 2.5, "kg", "", 0, "", 0}));
    EXPECT_EQ(Device.FLastErrorMsg, "Invalid input data. SetFPR_Plu. Command execution fail");

    int64_t Start = 1, End = 50;
    Device.Reply("5,60").Reply("x").Reply("");
    ASSERT_TRUE(Device.SetInvoiceRange(false, Start, End));
    EXPECT_EQ(std::pair(Start, End), std::pair(int64_t{5}, int64_t{60}));
    ASSERT_TRUE(Device.SetInvoiceRange(false, Start, End));
    ASSERT_TRUE(Device.SetInvoiceRange(false, Start, End));
    EXPECT_EQ(std::pair(Start, End), std::pair(int64_t{5}, int64_t{60}));
}

TEST(DeviceComposite, CancelOpenReceipt) {
    struct TRow {
        const char* Name;
        std::function<void(TScriptedDevice&)> Script;
        bool Result;
        std::vector<uint8_t> Commands;
    };
    const TRow Rows[] = {
        {"nothing open", [](auto&) {}, true, {0x4A}},
        {"non-fiscal",
         [](auto& D) {
             D.Reply("", StatusWith({{2, 5}})).Reply("9");
         },
         true,
         {0x4A, 0x27}},
        {"cancelled",
         [](auto& D) { D.Reply("", FiscalOpen).Reply("").Reply(""); },
         true,
         {0x4A, 0x3C, 0x4A}},
        {"status read fails after the cancel",
         [](auto& D) { D.Reply("", FiscalOpen).Reply("").Silence(); },
         false,
         {0x4A, 0x3C, 0x4A}},
        {"closed instead",
         [](auto& D) { D.Reply("", FiscalOpen).Reply("").Reply("", FiscalOpen).Reply("1,1"); },
         true,
         {0x4A, 0x3C, 0x4A, 0x38}},
    };
    for (const TRow& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        TScriptedDevice Device;
        Row.Script(Device);
        EXPECT_EQ(Device.CancelOpenReceipt(), Row.Result);
        EXPECT_EQ(Device.SentCommands(), Row.Commands);
        EXPECT_EQ(Device.FLastErrorCode, Row.Result ? 0 : 103);
    }
}

TEST(DeviceComposite, CancelAllSettlesAndCloses) {
    struct TRow {
        const char* Name;
        std::string State;
        std::string Info;  // 0x67 answer, when asked
        std::vector<std::pair<uint8_t, std::string>> Sent;
    };
    const std::string Unpaid = "0,500,0,0,0,0,0,0,0,";
    const TRow Rows[] = {
        {"not open", "0,0,0", "", {{0x4C, "T"}}},
        {"paid", "1,2,1500,1500", "", {{0x4C, "T"}, {0x38, ""}}},
        {"voidable", "1,2,1500", "1,1500,0,0,0,0,0,0,0,0,1", {{0x4C, "T"}, {0x67, ""}, {0x3C, ""}}},
        {"unpaid",
         "1,2,1500,1000",
         Unpaid + "0,1",
         {{0x4C, "T"}, {0x67, ""}, {0x35, "\tP+5.00"}, {0x38, ""}}},
        {"unpaid invoice",
         "1,2,1500,1000",
         Unpaid + "1,1",
         {{0x4C, "T"}, {0x67, ""}, {0x35, "\tP+5.00"}, {0x39, "111111110\t\t\t\t"}, {0x38, ""}}},
    };
    for (const TRow& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        TScriptedDevice Device;
        Device.Reply(Row.State).Reply(Row.Info.empty() ? "1,1" : Row.Info, FiscalOpen);
        for (int i = 0; i < 3; ++i) {
            Device.Reply(i == 0 ? "R" : "1,1", FiscalOpen);
        }
        EXPECT_TRUE(Device.FPR_CancelAllRec());
        EXPECT_EQ(Device.Sent, Row.Sent);
    }
    TScriptedDevice Device;
    Device.Silence();
    EXPECT_FALSE(Device.FPR_CancelAllRec());
    EXPECT_EQ(Device.FLastErrorCode, 103);
    EXPECT_EQ(Device.FLastErrorMsg, "[FPR_CancelAllRecFailed]Fiscal printer does not respond. ");
}

}  // namespace
