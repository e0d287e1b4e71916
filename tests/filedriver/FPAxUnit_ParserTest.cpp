#include "FPAxUnit_Parser.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string Num(double Value) {
    return FloatToStr(Value);
}

std::string Date(TDateTime Value) {
    return FormatDateTime("dd.mm.yyyy", Value);
}

// One command object as a short text, so that rows can state whole lists.
std::string Describe(const TCmdObject& Cmd) {
    if (auto* p = dynamic_cast<const TPluObj*>(&Cmd)) {
        return "plu " + p->PluNo + "|" + p->PluName + "|" + Num(p->Price) + "|" + Num(p->Quantity) +
               "|" + p->UnitName + "|vat " + std::to_string(p->VatGroup) + "|disc " +
               Num(p->PercDisc) + "|dep " + std::to_string(p->DepartNo) + "|alte " +
               std::to_string(p->AlteID) + "," + p->AlteName + "," + Num(p->AltePrice);
    }
    if (auto* d = dynamic_cast<const TDiscountObject*>(&Cmd)) {
        return "disc " + std::to_string(d->DiscType) + " " + Num(d->DiscValue);
    }
    if (auto* e = dynamic_cast<const TPaymentObject*>(&Cmd)) {
        return "pay " + std::to_string(e->PayType) + " " + Num(e->Amount) + " '" + e->PayName +
               "' " + Num(e->PayCourse);
    }
    if (auto* l = dynamic_cast<const TLineObject*>(&Cmd)) {
        return "line '" + l->LineText + "'";
    }
    if (auto* r = dynamic_cast<const TInOutAmount*>(&Cmd)) {
        return "inout " + Num(r->Amount);
    }
    if (dynamic_cast<const TCopyBon*>(&Cmd)) {
        return "copy";
    }
    if (dynamic_cast<const TStatusObject*>(&Cmd)) {
        return "status";
    }
    if (auto* r = dynamic_cast<const TReportObject*>(&Cmd)) {
        return "report " + std::to_string(r->ReportType) + " " + std::to_string(r->Detailed);
    }
    if (auto* o = dynamic_cast<const TOperObject*>(&Cmd)) {
        return "oper " + std::to_string(o->OperNo) + " '" + o->OperName + "'";
    }
    if (auto* i = dynamic_cast<const TInvoiceParam*>(&Cmd)) {
        return "invoice " + std::to_string(i->InvoiceNo) + " T=" + i->LT + " B=" + i->LB +
               " F=" + i->LF + " W=" + i->LW + " A=" + i->LA + " M=" + i->LM + " C=" + i->LC;
    }
    return "?";
}

struct TParseRun {
    TParsedBon Bon;
    std::vector<std::string> Messages;
    std::string Error;  // empty when the file parsed

    std::vector<std::string> Commands() const {
        std::vector<std::string> result;
        for (const auto& cmd : Bon.CommandList) {
            result.push_back(Describe(*cmd));
        }
        return result;
    }
};

TParseRun ParseText(const std::string& Text, bool DepartSaleMode = false) {
    TParseRun run;
    TBonParser parser([&](const std::string& m) { run.Messages.push_back(m); }, DepartSaleMode);
    try {
        parser.Parse(SplitTextLines(Text), run.Bon);
    } catch (const EAbort& e) {
        run.Error = e.what();
    }
    return run;
}

using Strings = std::vector<std::string>;
using TLineRows = std::vector<std::pair<std::string, std::string>>;

// Each row: one line that parses into the one command described.
void ExpectSingleCommands(const TLineRows& Rows) {
    for (const auto& [line, expected] : Rows) {
        SCOPED_TRACE(line);
        const TParseRun run = ParseText(line);
        EXPECT_EQ(run.Error, "");
        EXPECT_EQ(run.Commands(), Strings{expected});
    }
}

struct TDispatchRow {
    std::string Text;
    Strings Commands;
    bool Fiscal;
    bool Report;
    int TextLines;
};

TEST(BonParser, LineKindsAndWhereReadingStops) {
    const TDispatchRow rows[] = {
        {":Hello\r\n: two  \r\n", {"line 'Hello'", "line ' two  '"}, false, false, 2},
        {"%1^Bread^1.20\n@02Maria\n#E2^5\n",
         {"plu 1|Bread|1.2|0||vat 0|disc 0|dep -1|alte 0,,0", "oper 2 'Maria'", "pay 2 5 '' 1"},
         true,
         false,
         0},
        {"#R100\r\n:Thanks\r\n", {"inout 100"}, false, false, 0},
        {":a\r#N\r:b\r", {"line 'a'", "report 1 0"}, false, true, 1},
        {"#C\n%1^X^1^1\n", {"copy"}, false, false, 0},
        {"$FC\n", {"copy"}, false, true, 0},
        {"$Fc\n", {"copy"}, false, true, 0},
        {"$FI\n", {"report 0 0"}, false, true, 0},
        {"$fN\n", {"report 1 0"}, false, true, 0},
        {"$Fi\n$Fn\n$X\n:x\n", {"line 'x'"}, false, false, 1},
        {"#i\n", {"report 0 0"}, false, true, 0},
        {"&S\n:x\n", {"status"}, false, false, 0},
        {"&s\n", {"status"}, false, false, 0},
        {"&X\n:x\n", {"line 'x'"}, false, false, 1},
        {"\xC5"
         "1^2\n#\xC5"
         "3^4\n#\xE5"
         "5\n",
         {"pay 3 4 '' 1"},
         false,
         false,
         0},
        {"x\n#\n#Z9\n%\n%^\n", {"plu ||0|0||vat 0|disc 0|dep -1|alte 0,,0"}, true, false, 0},
        {"junk\n\n;comment\n##\n", {}, false, false, 0},
        {"", {}, false, false, 0},
    };
    for (const TDispatchRow& row : rows) {
        SCOPED_TRACE(row.Text);
        const TParseRun run = ParseText(row.Text);
        EXPECT_EQ(run.Error, "");
        EXPECT_EQ(run.Commands(), row.Commands);
        EXPECT_EQ(run.Bon.FiscalFlag, row.Fiscal);
        EXPECT_EQ(run.Bon.ReportFlag, row.Report);
        EXPECT_EQ(run.Bon.TextLineCount, row.TextLines);
    }
}

TEST(BonParser, RawLinesAndLogTextsAreTheLinesAsRead) {
    const TParseRun run =
        ParseText(":a \r\n%1^B^1^1\r\n#p+5\r\n#E\r\n#LF  Firm  \r\n@01X\r\n&S\r\n");
    ASSERT_EQ(run.Error, "");
    EXPECT_EQ(run.Messages,
              (Strings{"Add line: \":a \"", "Add plu data: \"%1^B^1^1\"", "Add discount: \"#p+5\"",
                       "Add payment: \"#E\"", "Add invoice param: \"#LF  Firm\"",
                       "Add operator data: \"@01X\"", "Add fisc.printer sttaus: \"&S\""}));
    Strings raw;
    for (const auto& cmd : run.Bon.CommandList) {
        raw.push_back(cmd->RawLine);
    }
    // The invoice object keeps its lines in RawText, not in RawLine.
    EXPECT_EQ(raw, (Strings{":a ", "%1^B^1^1", "#p+5", "#E", "", "@01X", "&S"}));
}

TEST(BonParser, SingleLineCommands) {
    ExpectSingleCommands({
        {"%12^Milk^1.99^2|pcs^2^^X", "plu 12|Milk|1.99|2|pcs|vat 2|disc 0|dep -1|alte 0,,0"},
        {"%^Bread^1.20", "plu |1.20|0|0||vat 0|disc 0|dep -1|alte 0,,0"},
        {"%0^A^x^y^9", "plu |A|0|0||vat 2|disc 0|dep -1|alte 0,,0"},
        {"%-3^A^1^1^-1", "plu |A|1|1||vat 2|disc 0|dep -1|alte 0,,0"},
        {"%7^A^1^1.5|kg|x^8^3^Alt^2.5", "plu 7|A|1|1.5|kg|vat 8|disc 0|dep 3|alte 3,Alt,2.5"},
        {"%7^A^1^|kg^0^0^Alt", "plu 7|A|1|0||vat 0|disc 0|dep 0|alte 0,Alt,0"},
        {"%7^A^1^1^1^ 4 ^Alt^x", "plu 7|A|1|1||vat 1|disc 0|dep 4|alte 4,Alt,0"},
        {"#p+5", "disc 1 0.05"},
        {"#S-100", "disc 2 -1"},
        {"#S-100.00", "disc 2 -100"},
        {"#V+500000", "disc 3 5000"},
        {"#V-1234", "disc 3 -12.34"},
        {"#P+7.5", "disc 1 7.5"},
        {"#P-50\x01\x02", "disc 1 -0.5"},
        {"#V+99999.99", "disc 3 99999.99"},
        {"#E", "pay 1 0 '' 1"},
        {"#E3^12.50", "pay 3 12.5 '' 1"},
        {"#Ex^7", "pay 1 7 '' 1"},
        {"#E11^^^2", "pay 11 2 '' 1"},
        {"#e2^abc  ", "pay 2 0 '' 1"},
        {"@02Maria", "oper 2 'Maria'"},
        {"@xxName ", "oper 1 'Name '"},
        {"@7", "oper 7 ''"},
        {"@12", "oper 12 ''"},
    });
}

TEST(BonParser, BlanksBesideANumberLeaveItTheNumberItIs) {
    ExpectSingleCommands({
        {"%0^Bread^ 1.20^1^1", "plu |Bread|1.2|1||vat 1|disc 0|dep -1|alte 0,,0"},
        {"% 12 ^Milk^1.99 ^ 2 |pcs^ 2 ^ 3 ^Alt^ 0.50 ",
         "plu 12|Milk|1.99|2|pcs|vat 2|disc 0|dep 3|alte 3,Alt,0.5"},
        {"%0^Bread^1,20^x^1", "plu |Bread|0|0||vat 1|disc 0|dep -1|alte 0,,0"},
        {"#E 2^2.00", "pay 2 2 '' 1"},
        {"#E 2 ^ 2.00 ", "pay 2 2 '' 1"},
        {"#E2^ 2x", "pay 2 0 '' 1"},
        {"#R 10.00", "inout 10"},
        {"#R-5 ", "inout -5"},
        {"#P- 10.00", "disc 1 -10"},
        {"#S+ 5", "disc 2 0.05"},
        {"@ 2Maria", "oper 2 'Maria'"},
        {"#F 15", "invoice 15 T= B= F= W= A= M= C="},
        {"#F 1 5", "invoice 0 T= B= F= W= A= M= C="},
    });
}

TEST(BonParser, PercentDiscountMarksTheLastSaleBeforeIt) {
    const TParseRun run = ParseText("%1^A^1^1\n%2^B^1^1\n:x\n#P-10.00\n#S+5\n");
    ASSERT_EQ(run.Error, "");
    const Strings commands = run.Commands();
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_NE(commands[0].find("disc 0|"), std::string::npos);
    EXPECT_NE(commands[1].find("disc -10|"), std::string::npos);
    EXPECT_EQ(commands[3], "disc 1 -10");
    EXPECT_EQ(commands[4], "disc 2 0.05");
    EXPECT_EQ(ParseText("#P-1\n").Commands(), Strings{"disc 1 -0.01"});
}

TEST(BonParser, FailureTexts) {
    const TLineRows rows = {
        {"#P5", "Add discount fail:No valid data."},
        {"#G+10", "Add discount fail:Invalid discount type"},
        {"#P 5", "Add discount fail:Invalid discount sign."},
        {"#P-5x", "Add discount fail:Invalid discount value."},
        {"#P-1.2.3", "Add discount fail:Invalid discount value."},
        {"#S-100.01", "Add discount fail:Discount value is over range /-99.99% to 99.99%/ ."},
        {"#P+-500.0", "Add discount fail:Discount value is over range /-99.99% to 99.99%/ ."},
        {"#E^20", "Add payment fail:No valid data for pay type 1..11;"},
        {"#E0^1", "Add payment fail:No valid data for pay type 1..11;"},
        {"#E12", "Add payment fail:No valid data for pay type 1..11;"},
        {"#M", "Add report param fail:No valid data."},
        {"#R", "Add money in/out param fail:Invalid float value for amount"},
        {"#Rabc", "Add money in/out param fail:Invalid float value for amount"},
        {"#R0.00", "Add money in/out param fail:Invalid float value for amount"},
    };
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(line);
        const TParseRun run = ParseText(":before\n" + line + "\n:after\n");
        EXPECT_EQ(run.Error, expected);
        // What came before the bad line stays for the caller to clear; nothing after is read.
        EXPECT_EQ(run.Commands(), Strings{"line 'before'"});
    }
}

TEST(BonParser, InvoiceLinesBuildOneObject) {
    const std::string longName(300, 'N');
    const TParseRun run =
        ParseText(":x\n#F12\n#LB 123456789 \n#lf" + longName +
                  "\n#LW Town\n#LA Street 1\n#LM Ivan\n#LT t\n#LC c\n#LZ other\n#F15\n#Fabc  \n");
    ASSERT_EQ(run.Error, "");
    ASSERT_EQ(run.Bon.CommandList.size(), 2u);
    const TInvoiceParam* invoice = FindInvoiceParam(run.Bon.CommandList);
    ASSERT_EQ(invoice, run.Bon.CommandList[1].get());
    EXPECT_EQ(invoice->InvoiceNo, 0);  // the last '#F' line was no number
    EXPECT_EQ(invoice->LB, "123456789");
    EXPECT_EQ(invoice->LF, std::string(255, 'N'));
    EXPECT_EQ(invoice->LW, "Town");
    EXPECT_EQ(invoice->LA, "Street 1");
    EXPECT_EQ(invoice->LM, "Ivan");
    EXPECT_EQ(invoice->LT, "t");
    EXPECT_EQ(invoice->LC, "c");
    EXPECT_EQ(invoice->RawText, "#F12\r#LB 123456789\r#lf" + longName +
                                    "\r#LW Town\r#LA Street 1\r#LM Ivan\r#LT t\r#LC c\r"
                                    "#LZ other\r#F15\r#Fabc");
    EXPECT_EQ(ParseText("#F9000000000\n").Bon.CommandList.size(), 1u);
    EXPECT_EQ(FindInvoiceParam(ParseText("#F9000000000\n").Bon.CommandList)->InvoiceNo, 9000000000);
    EXPECT_EQ(FindInvoiceParam(ParseText(":x\n").Bon.CommandList), nullptr);
}

TEST(BonParser, FiscalMemoryReportDates) {
    const TDateTime before = Now();
    const TParseRun detailed = ParseText("#M1\n");
    ASSERT_EQ(detailed.Error, "");
    const auto& first = dynamic_cast<const TReportObject&>(*detailed.Bon.CommandList[0]);
    EXPECT_EQ(first.ReportType, 2);
    EXPECT_EQ(first.Detailed, 1);
    // The defaults carry two-digit years, as the dates that a line gives do.
    const std::string month = FormatDateTime("mm.00yy", before);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", first.StartDate),
              "01." + month + " 00:00:00.000");
    EXPECT_EQ(FormatDateTime("mm.yyyy", first.EndDate), month);
    EXPECT_GT(first.EndDate, first.StartDate);

    const auto dates = [](const std::string& line) {
        const TParseRun run = ParseText(line);
        const auto& r = dynamic_cast<const TReportObject&>(*run.Bon.CommandList.at(0));
        EXPECT_LE(r.StartDate, r.EndDate) << line;
        return std::to_string(r.Detailed) + " " + Date(r.StartDate) + " " + Date(r.EndDate);
    };
    EXPECT_EQ(dates("#M1010124310124"), "1 01.01.0024 31.01.0024");
    EXPECT_EQ(dates("#m0290224280225"), "0 29.02.0024 28.02.0025");
    EXPECT_EQ(dates("#MX010199311299"), "1 01.01.0099 31.12.0099");
    EXPECT_EQ(dates("#M0310224"), "0 01." + month + " " + Date(first.EndDate));
    EXPECT_EQ(dates("#M1000000311299"), "1 01." + month + " 31.12.0099");
}

TEST(BonParser, TakeDateDDMMYY) {
    const TDateTime fallback = 45000;
    const std::pair<std::string, std::string> rows[] = {
        {"010124", "01.01.0024"}, {"290224", "29.02.0024"}, {"290223", "default"},
        {"010100", "default"},    {"320124", "default"},    {"011324", "default"},
        {"0101", "default"},      {"aabbcc", "default"},    {"", "default"},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        std::string rest = text + "tail";
        const TDateTime date = TakeDateDDMMYY(rest, fallback);
        EXPECT_EQ(date == fallback ? "default" : Date(date), expected);
        const std::string all = text + "tail";
        EXPECT_EQ(rest, all.size() > 6 ? all.substr(6) : "");
    }
}

TEST(BonParser, DepartmentSaleModeTakesTheArticleNumberAsDepartment) {
    const TParseRun run = ParseText("%5^Bread^1.20^2^1^9\n%99^Milk^1^1\n", true);
    ASSERT_EQ(run.Error, "");
    EXPECT_EQ(run.Commands(), (Strings{"plu 5|Bread|1.2|2||vat 1|disc 0|dep 5|alte 9,,0",
                                       "plu 99|Milk|1|1||vat 0|disc 0|dep 99|alte 0,,0"}));
    for (const std::string line : {"%100^A^1^1", "%^A^1^1", "%0^A^1^1"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(ParseText(line, true).Error.rfind("Add plu fail:Invalid department No:", 0), 0u);
    }
}

TEST(BonParser, FieldsAndLines) {
    EXPECT_EQ(SplitFields("^^a^^b^", '^'), (Strings{"a", "b"}));
    EXPECT_EQ(SplitFields("^^^", '^'), Strings{});
    EXPECT_EQ(SplitFields(" a ^b", '^'), (Strings{" a ", "b"}));
    EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (Strings{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTextLines("a\n\r\n\n"), (Strings{"a", "", ""}));
    EXPECT_EQ(SplitTextLines(std::string("a\0b\r\n", 5)), Strings{std::string("a\0b", 3)});
}

}  // namespace
