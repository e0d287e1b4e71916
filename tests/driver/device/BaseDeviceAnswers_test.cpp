// Answer decoding of the command operations and the two composite cancellations.

#include <gtest/gtest.h>

#include <functional>

#include "ScriptedDevice.h"

namespace {

const TDataBuffer Fiscal = StatusWith({{2, 3}});
const TDataBuffer Clear = StatusWith();

std::string Text(const std::string& V) {
    return V;
}
std::string Text(char V) {
    return std::string(1, V);
}
std::string Text(bool V) {
    return V ? "1" : "0";
}
std::string Text(double V) {
    return FloatToStr(V);
}
template <typename T>
std::string Text(const T& V) {
    if constexpr (std::is_integral_v<T>) {
        return std::to_string(V);
    } else {
        std::string S;
        for (const auto& Item : V) {
            if (!S.empty()) {
                S += ',';
            }
            S += Text(Item);
        }
        return S;
    }
}

// The results of one call joined by "|".
template <typename... T>
std::string Join(const T&... V) {
    std::string S;
    ((S += (S.empty() ? "" : "|") + Text(V)), ...);
    return S;
}

// Runs an operation and renders its results, or "#code detail" when it fails.
using TDecodeOp = std::function<bool(TScriptedDevice&, std::string&)>;

struct TDecodeRow {
    std::string Answer;
    TDataBuffer Status;
    const TDecodeOp* Op;
    std::string Expected;
};

std::string Outcome(TScriptedDevice& Device, const TDecodeOp& Op) {
    std::string Results;
    if (Op(Device, Results)) {
        return Results;
    }
    const std::string Prefix = TBaseDevice::ErrorText(Device.FLastErrorCode, "");
    const std::string Detail = Trim(Device.FLastErrorMsg.substr(Prefix.size()));
    return "#" + std::to_string(Device.FLastErrorCode) + (Detail.empty() ? "" : " " + Detail);
}

TEST(DeviceAnswers, DecodingTable) {
    const TDecodeOp Pay = [](auto& D, auto& Out) {
        char Code = '-';
        double Amount = -1;
        const bool Ok = D.Payment("", "", 'P', 1, Code, Amount);
        Out = Join(Code, Amount);
        return Ok;
    };
    const TDecodeOp OpenFiscal = [](auto& D, auto& Out) {
        int32_t All = 0, Fisc = 0;
        return D.OpenFiscalReceipt(1, "1", 1, false, All, Fisc) && (Out = Join(All, Fisc), true);
    };
    const TDecodeOp OpenNonFiscal = [](auto& D, auto& Out) {
        int32_t All = 0, Fisc = 9;
        return D.OpenNonFiscalReceipt(All, Fisc) && (Out = Join(All, Fisc), true);
    };
    const TDecodeOp State = [](auto& D, auto& Out) {
        bool Open = false;
        int32_t Items = 0;
        double Amount = 0, Tender = 1;
        return D.GetReceiptState(true, Open, Items, Amount, Tender) &&
               (Out = Join(Open, Items, Amount, Tender), true);
    };
    const TDecodeOp Info = [](auto& D, auto& Out) {
        bool CanVoid = true, Invoice = false;
        TTaxSums Sums{};
        int64_t Next = 0;
        return D.GetReceiptInfo(CanVoid, Sums, Invoice, Next) &&
               (Out = Join(CanVoid, Sums, Invoice, Next), true);
    };
    const TDecodeOp TaxTotal = [](auto& D, auto& Out) {
        bool CanVoid = true, Invoice = false;
        double Total = 0;
        return D.GetReceiptTaxTotal(CanVoid, Total, Invoice) &&
               (Out = Join(CanVoid, Total, Invoice), true);
    };
    const TDecodeOp Sub = [](auto& D, auto& Out) {
        double Total = 0;
        TTaxSums Sums{};
        return D.Subtotal(false, false, true, 0, Total, Sums) && (Out = Join(Total, Sums), true);
    };
    const TDecodeOp LastNo = [](auto& D, auto& Out) {
        int32_t No = -1;
        const bool Ok = D.GetLastReceiptNo(No);
        Out = Join(No);
        return Ok;
    };
    const TDecodeOp CashOut = [](auto& D, auto&) { return D.CashInOut(-100); };
    const TDecodeOp CashIn = [](auto& D, auto&) { return D.CashInOut(100); };
    const TDecodeOp Clock = [](auto& D, auto& Out) {
        TDateTime When = 1;
        return D.GetFPR_DateTime(When) && (Out = FormatDateTime("dd.mm.yyyy hh:nn:ss", When), true);
    };
    const TDecodeOp Params = [](auto& D, auto& Out) {
        TPrnConst P;
        return D.GetDeviceInfo(P) && (Out = Join(P.Items[0], P.Items[8], P.Items[19]), true);
    };
    const TDecodeOp Range = [](auto& D, auto& Out) {
        int64_t Start = 0, End = 0, Current = 0;
        return D.GetInvoiceRange(false, Start, End, Current) &&
               (Out = Join(Start, End, Current), true);
    };
    const TDecodeOp Daily = [](auto& D, auto& Out) {
        TTaxSums Sums{};
        return D.GetDailySums(true, Sums) && (Out = Join(Sums), true);
    };
    const TDecodeOp PayTotals = [](auto& D, auto& Out) {
        TDailyPayTotals T;
        return D.GetDailyTaxTotals(T) && (Out = Join(T.PayTotals, T.Number1, T.Number2), true);
    };
    const TDecodeOp Diag = [](auto& D, auto& Out) {
        TDiagnosticInfo I;
        return D.GetDiagnosticInfo(false, I) &&
               (Out = Join(I.FPModel, I.Info1, I.Info2, I.Info3, I.Info5, I.FPSerial, I.FPFiscalNo),
                true);
    };
    const TDecodeOp DeptName = [](auto& D, auto& Out) {
        std::string Name = "old", Description = "old";
        char Letter = '-';
        return D.GetDepartmentName(5, Name, Description, Letter) &&
               (Out = Join(Letter, Name, Description), true);
    };
    const TDecodeOp DeptInfo = [](auto& D, auto& Out) {
        TDepartmentSum S;
        return D.GetDepartmentInfo(5, S) &&
               (Out = Join(S.Flag, S.TaxLetter == TDepartmentSum::NoTaxLetter ? '~' : S.TaxLetter,
                           S.LastCount, S.LastSum, S.CountSales, S.TotalSum, S.Name, S.Extra),
                true);
    };
    const TDecodeOp Plu = [](auto& D, auto& Out) {
        TPluData P;
        return D.GetFPR_Plu(7, P) &&
               (Out = Join(P.PluNo, P.TaxLetter ? P.TaxLetter : '-', P.PluGroup, P.Price, P.UnitNm,
                           P.PluName, P.Barcode, P.AlteID, P.AltePrc),
                true);
    };
    const TDecodeOp Article = [](auto& D, auto& Out) {
        TArticleInfo I;
        return D.GetFPR_ArticleInfo(I) &&
               (Out = Join(I.MaxPluNo, I.ExtraValue, I.MaxNameLen), true);
    };
    const TDecodeOp SetRange = [](auto& D, auto& Out) {
        int64_t Start = 1, End = 50;
        return D.SetInvoiceRange(false, Start, End) && (Out = Join(Start, End), true);
    };

    const TDecodeRow Rows[] = {
        {"F", Fiscal, &Pay, "#250 [F]"},
        {"D,1234", Fiscal, &Pay, "D|12.34"},
        {"R", Fiscal, &Pay, "R|0"},
        {"", Fiscal, &Pay, "#200"},
        {"D,x", Fiscal, &Pay, "#201 [Amount2]"},
        {"", Fiscal, &OpenFiscal, "#217 [2/3]"},
        {"12", Fiscal, &OpenFiscal, "#200"},
        {"12,x", Fiscal, &OpenFiscal, "#201 [FiscReceipt]"},
        {"x,1", Fiscal, &OpenFiscal, "#201 [AllReceipt]"},
        {"12, 7", Fiscal, &OpenFiscal, "12|7"},
        {"", StatusWith({{2, 5}}), &OpenNonFiscal, "#215 [2/5]"},
        {",", StatusWith({{2, 5}}), &OpenNonFiscal, "#200"},
        {"33", StatusWith({{2, 5}}), &OpenNonFiscal, "33|0"},
        {"1,3,1500", Clear, &State, "1|3|15|0"},
        {"0,3,1500,2000", Clear, &State, "0|3|15|20"},
        {"1,x,1", Clear, &State, "#201 [ItemsCount]"},
        {"0,100,0,0,0,0,0,0,0,1", Clear, &Info, "#200"},
        {"1,100,0,0,0,0,0,0,0,1,25", Clear, &Info, "1|1,0,0,0,0,0,0,0|1|25"},
        {"0,100,0,0,0,0,0,0,x,1,25", Clear, &Info, "#201 [Tax8]"},
        {"0,100,0,0,0,0,0,0,250,1,25", Clear, &TaxTotal, "0|3.5|1"},
        {"1234,100,200,0,0,0,0,0", Fiscal, &Sub, "12.34|1,2,0,0,0,0,0,0"},
        {"1234,x,0,0,0,0,0,0", Fiscal, &Sub, "#201 [VatGRP1]"},
        {"1234,1,2,3,4,5,6", Fiscal, &Sub, "#200"},
        {"42", Clear, &LastNo, "42"},
        {"4x", Clear, &LastNo, "#201"},
        {"F,50,0,0", Clear, &CashOut, "#207 50.00"},
        {"F,500,0,0", Clear, &CashOut, "#206"},
        {"F,0,0,0", Clear, &CashIn, "#206"},
        {"P,50,0,0", Clear, &CashOut, ""},
        {"P,50,0", Clear, &CashOut, "#200"},
        {"P,50,x,0", Clear, &CashOut, "#201 [ServIn]"},
        {"08-12-26 14:30:05", Clear, &Clock, "08.12.2026 14:30:05"},
        {"08-12-26 14:30:0", Clear, &Clock, "#200 [GetFPR_DateTime]"},
        {"31-02-26 12:00:00", Clear, &Clock, "#201 [DATE]"},
        {"x8-12-26 14:30:05", Clear, &Clock, "#201 [DAY]"},
        {"08-12-26 14:3x:05", Clear, &Clock, "#201 [MIN]"},
        {"1,2,3,4,5,6,7,8,42,10", Clear, &Params, "1|40|"},
        {"1,2,3,4,5,6,7,8,0", Clear, &Params, "1|0|"},
        {"1,2,3,4,5,6,7,8,-1", Clear, &Params, "1|-1|"},
        {"1,2,3,4,5,6,7,8,abc,10,11,12,13,14,15,16,17,18,19,20,21", Clear, &Params, "1|abc|20"},
        {"1000,1999,1500", Clear, &Range, "1000|1999|1500"},
        {"1000,1999", Clear, &Range, "#200"},
        {"100,x,250", Clear, &Daily, "1,0,2.5,0,0,0,0,0"},
        {"100,200,0,0,0,0,0,300,7,8", Clear, &PayTotals, "1,2,0,0,0,0,0,3,0,0,0|7|8"},
        {"Model,Ver 1.0 x,a,b,c,SER,FM", Clear, &Diag, "Model|Ver|1.0|x|b|c|SER"},
        {"Model,x,y", Clear, &Diag, "#200"},
        {"5,B,Bread \tfresh ", Clear, &DeptName, "B|Bread|fresh"},
        {"5", Clear, &DeptName, "-||"},
        {"5,,x", Clear, &DeptName, "#200"},
        {"PB,3,1250,7,8000,Bread\t extra", Clear, &DeptInfo, "P|B|3|1250|7|8000|Bread|extra"},
        {"F,1,2", Clear, &DeptInfo, "F|~|0|0|0|0||"},
        {"", Clear, &DeptInfo, "#200"},
        {"F", Clear, &Plu, "-1|-|0|0||||0|0"},
        {"P7,A,1,250,kg,Bread,123,2,9.5", Clear, &Plu, "7|A|1|250|kg|Bread|123|2|9.5"},
        {"", Clear, &Plu, "#201 RunFunc6B. No valid data recieved"},
        {"P", Clear, &Plu, "#201 GetFPR_Plu.No valid data recieved"},
        {"P,1000,0,36", Clear, &Article, "1000|0|36"},
        // A refusal without a code of its own still fails with one.
        {"F", Clear, &Article, "#201 GetFPR_ArticleInfo.No valid data recieved"},
        {"P,0,0,36", Clear, &Article, "#201 GetFPR_AlternativeTax. No valid data recieved"},
        {"5,60", Clear, &SetRange, "5|60"},
        {"x", Clear, &SetRange, "1|50"},
        {"12x,60", Clear, &SetRange, "1|60"},
        {"", Clear, &SetRange, "1|50"},
    };
    for (const TDecodeRow& Row : Rows) {
        SCOPED_TRACE(Row.Answer + " -> " + Row.Expected);
        TScriptedDevice Device;
        Device.Reply(Row.Answer, Row.Status);
        EXPECT_EQ(Outcome(Device, *Row.Op), Row.Expected);
    }
    // After a failed exchange the 0x6B reads report their own missing answer.
    TScriptedDevice Device;
    Device.Silence();
    EXPECT_EQ(Outcome(Device, Article), "#201 GetFPR_ArticleInfo.No valid data recieved");
}

TEST(DeviceAnswers, AlternativeRateGoesFirst) {
    TPluData Alt{7, "Bread", 'A', 1, 2.5, "kg", "", 3, " Half ", 9};
    TScriptedDevice Device;
    Device.Reply("P").Reply("P");
    EXPECT_TRUE(Device.SetFPR_Plu(Alt));
    ASSERT_EQ(Device.Sent.size(), 2u);
    EXPECT_EQ(Device.Sent[0].second, "A3,Half");
    EXPECT_EQ(Device.Sent[1].second, "PA7,1,2.50,kg,Bread,,3,9.00");
    Device.Silence();
    EXPECT_FALSE(Device.SetFPR_Plu(Alt));
    EXPECT_EQ(Device.FLastErrorCode, 103) << "the rate's exchange error stays";
    Device.Reply("F");
    EXPECT_FALSE(Device.SetFPR_Plu({7, "Bread", 'A', 1, 2.5, "kg", "", 0, "", 0}));
    EXPECT_EQ(Device.FLastErrorMsg, "Invalid input data. SetFPR_Plu. Command execution fail");
}

TEST(DeviceAnswers, StatusFromDataField) {
    TScriptedDevice Device;
    TDataBuffer Status;
    Device.Reply("\x81\x82\x83\x84\x85\x86", StatusWith({{0, 2}})).Reply("", StatusWith({{0, 2}}));
    ASSERT_TRUE(Device.GetStatus(true, Status));
    EXPECT_EQ(Status, (TDataBuffer{0x81, 0x82, 0x83, 0x84, 0x85, 0x86}));
    ASSERT_TRUE(Device.GetStatus(false, Status));
    EXPECT_EQ(Status, StatusWith({{0, 2}}));
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
         [](auto& D) { D.Reply("", Fiscal).Reply("").Reply(""); },
         true,
         {0x4A, 0x3C, 0x4A}},
        {"status read fails after the cancel",
         [](auto& D) { D.Reply("", Fiscal).Reply("").Silence(); },
         false,
         {0x4A, 0x3C, 0x4A}},
        {"closed instead",
         [](auto& D) { D.Reply("", Fiscal).Reply("").Reply("", Fiscal).Reply("1,1"); },
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
        Device.Reply(Row.State).Reply(Row.Info.empty() ? "1,1" : Row.Info, Fiscal);
        Device.Reply("R", Fiscal).Reply("1,1", Fiscal).Reply("1,1", Fiscal);
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
