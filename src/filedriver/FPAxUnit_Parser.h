#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FPAxUnit_Commands.h"

// One receipt file read into commands, with what decides how it is executed.
struct TParsedBon {
    TCommandList CommandList;
    bool FiscalFlag = false;  // a sale line: a fiscal receipt
    bool ReportFlag = false;  // a report or '$FC' line
    int TextLineCount = 0;    // ':' lines
};

// The file ends by closing a receipt: a fiscal one, or one of text lines.
bool ClosesReceipt(const TParsedBon& Bon);

// Reads the lines of a receipt file. Every line it accepts is first reported through
// OnMessage; a bad line raises EAbort with the kind's prefix and the reason, which fails the
// whole file (the objects read before it stay in the list).
class TBonParser {
public:
    using TMessageEvent = std::function<void(const std::string&)>;

    // In department sale mode a sale line's article number (1 to 99) is its department.
    TBonParser(TMessageEvent OnMessage, bool DepartSaleMode);

    // Parses Lines into Bon, whose list the caller owns and clears.
    void Parse(const std::vector<std::string>& Lines, TParsedBon& Bon);

private:
    // True when the rest of the file is to be left unread.
    bool ParseLine(const std::string& Line, TParsedBon& Bon);

    void AddLineCmd(const std::string& Line, TCommandList& List);
    void AddDiscountCmd(const std::string& Line, TCommandList& List);
    void AddPaymentCmd(const std::string& Line, TCommandList& List);
    void AddInvoiceParamCmd(const std::string& Line, TCommandList& List);
    void AddReportCmd(const std::string& Line, TCommandList& List);
    void AddInOutAmountCmd(const std::string& Line, TCommandList& List);
    void AddCopyBonCmd(const std::string& Line, TCommandList& List);
    void AddStatusCmd(const std::string& Line, TCommandList& List);
    void AddPluCmd(const std::string& Line, TCommandList& List);
    void AddOperatorCmd(const std::string& Line, TCommandList& List);

    // Logs LogText + Shown + '"', then runs Body; a failure becomes EAbort(FailPrefix + reason).
    void Step(const char* LogText, const std::string& Shown, const char* FailPrefix,
              const std::function<void()>& Body);
    void DoMessage(const std::string& Text);

    TMessageEvent FOnMessage;
    bool FDepartSaleMode;
};

// Takes the first six characters off Text; when they are DDMMYY of a valid date (year YY, 1 to
// 99) that date, else Default.
TDateTime TakeDateDDMMYY(std::string& Text, TDateTime Default);

// The number of the whole text, or Default when it is none.
int32_t StrToIntDef(const std::string& Text, int32_t Default);
double StrToFloatDef(const std::string& Text, double Default);

// Fields of Text between runs of Separator; there are no empty fields.
std::vector<std::string> SplitFields(const std::string& Text, char Separator);

// The lines of a text, ended by CR LF, CR or LF; a final line end starts no empty line.
std::vector<std::string> SplitTextLines(const std::string& Text);
