#include "FPAxUnit_Parser.h"

#include <charconv>
#include <cmath>

namespace {

// The Cyrillic capital IE of the Windows Cyrillic code page, which shop software types for the
// Latin E of a payment line.
constexpr char kCyrillicIE = '\xC5';
// Invoice values are short strings on the automation side.
constexpr size_t kShortTextLength = 255;

char UpCase(char C) {
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}

std::string UpCase(std::string Text) {
    for (char& c : Text) {
        c = UpCase(c);
    }
    return Text;
}

std::string Field(const std::vector<std::string>& Fields, size_t Index) {
    return Index < Fields.size() ? Fields[Index] : std::string();
}

int64_t StrToInt64Def(const std::string& Text, int64_t Default) {
    const char* first = Text.data();
    const char* last = first + Text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    return (first != last && error == std::errc() && end == last) ? value : Default;
}

template <class T>
T& Append(TCommandList& List, std::unique_ptr<T> Object) {
    T& result = *Object;
    List.push_back(std::move(Object));
    return result;
}

TDateTime FirstDayOfMonth() {
    const TDateTimeRec now = DecodeDateTime(Now());
    TDateTimeRec day;
    day.Year = now.Year;
    day.Month = now.Month;
    day.Day = 1;
    TDateTime result = 0;
    TryEncodeDateTime(day, result);
    return result;
}

}  // namespace

int32_t StrToIntDef(const std::string& Text, int32_t Default) {
    int32_t value = Default;
    return TryStrToInt(Text, value) ? value : Default;
}

double StrToFloatDef(const std::string& Text, double Default) {
    double value = Default;
    return TryStrToFloat(Text, value) ? value : Default;
}

std::vector<std::string> SplitFields(const std::string& Text, char Separator) {
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < Text.size()) {
        const size_t start = Text.find_first_not_of(Separator, pos);
        if (start == std::string::npos) {
            break;
        }
        const size_t end = std::min(Text.find(Separator, start), Text.size());
        fields.push_back(Text.substr(start, end - start));
        pos = end;
    }
    return fields;
}

std::vector<std::string> SplitTextLines(const std::string& Text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < Text.size()) {
        const size_t end = std::min(Text.find_first_of("\r\n", pos), Text.size());
        lines.push_back(Text.substr(pos, end - pos));
        pos = end;
        if (pos < Text.size() && Text[pos] == '\r') {
            ++pos;
        }
        if (pos < Text.size() && Text[pos] == '\n') {
            ++pos;
        }
    }
    return lines;
}

TDateTime TakeDateDDMMYY(std::string& Text, TDateTime Default) {
    const std::string date = Text.substr(0, 6);
    Text.erase(0, 6);
    TDateTimeRec rec;
    rec.Day = StrToIntDef(date.substr(0, 2), 0);
    rec.Month = StrToIntDef(date.size() > 2 ? date.substr(2, 2) : "", 0);
    rec.Year = StrToIntDef(date.size() > 4 ? date.substr(4, 2) : "", 0);
    TDateTime result = 0;
    if (rec.Day < 1 || rec.Day > 31 || rec.Month < 1 || rec.Month > 12 || rec.Year < 1 ||
        rec.Year > 99 || !TryEncodeDateTime(rec, result)) {
        return Default;
    }
    return result;
}

bool ClosesReceipt(const TParsedBon& Bon) {
    return Bon.FiscalFlag || Bon.TextLineCount > 0;
}

TBonParser::TBonParser(TMessageEvent OnMessage, bool DepartSaleMode)
    : FOnMessage(std::move(OnMessage)), FDepartSaleMode(DepartSaleMode) {}

void TBonParser::DoMessage(const std::string& Text) {
    if (FOnMessage) {
        FOnMessage(Text);
    }
}

void TBonParser::Parse(const std::vector<std::string>& Lines, TParsedBon& Bon) {
    for (const std::string& line : Lines) {
        if (ParseLine(line, Bon)) {
            break;
        }
    }
}

bool TBonParser::ParseLine(const std::string& Line, TParsedBon& Bon) {
    if (Line.size() < 2) {
        return false;
    }
    TCommandList& list = Bon.CommandList;
    const char c2 = UpCase(Line[1]);
    switch (Line[0]) {
        case '#':
            switch (c2) {
                case 'C':
                    AddCopyBonCmd(Line, list);
                    return true;
                case 'E':
                case kCyrillicIE:
                    AddPaymentCmd(Line, list);
                    return false;
                case 'F':
                case 'L':
                    AddInvoiceParamCmd(Line, list);
                    return false;
                case 'G':
                case 'P':
                case 'S':
                case 'V':
                    AddDiscountCmd(Line, list);
                    return false;
                case 'I':
                case 'M':
                case 'N':
                    AddReportCmd(Line, list);
                    Bon.ReportFlag = true;
                    return true;
                case 'R':
                    AddInOutAmountCmd(Line, list);
                    return true;
                default:
                    return false;
            }
        case '$': {
            // The third letter of a '$F' line is taken as written: only a copy accepts both cases.
            const char c3 = Line.size() > 2 ? Line[2] : '\0';
            if (c2 != 'F') {
                return false;
            }
            if (c3 == 'C' || c3 == 'c') {
                AddCopyBonCmd(Line, list);
            } else if (c3 == 'I' || c3 == 'N') {
                AddReportCmd(Line, list);
            } else {
                return false;
            }
            Bon.ReportFlag = true;
            return true;
        }
        case '%':
            AddPluCmd(Line, list);
            Bon.FiscalFlag = true;
            return false;
        case '&':
            if (c2 != 'S') {
                return false;
            }
            AddStatusCmd(Line, list);
            return true;
        case ':':
            AddLineCmd(Line, list);
            ++Bon.TextLineCount;
            return false;
        case '@':
            AddOperatorCmd(Line, list);
            return false;
        default:
            return false;
    }
}

void TBonParser::Step(const char* LogText, const std::string& Shown, const char* FailPrefix,
                      const std::function<void()>& Body) {
    DoMessage(LogText + Shown + "\"");
    try {
        Body();
    } catch (const std::exception& e) {
        throw EAbort(FailPrefix + std::string(e.what()));
    }
}

void TBonParser::AddLineCmd(const std::string& Line, TCommandList& List) {
    Step("Add line: \"", Line, "Add line fail. ", [&] {
        auto cmd = std::make_unique<TLineObject>();
        cmd->RawLine = Line;
        cmd->LineText = Line.substr(1);
        Append(List, std::move(cmd));
    });
}

void TBonParser::AddDiscountCmd(const std::string& Line, TCommandList& List) {
    Step("Add discount: \"", Line, "Add discount fail:", [&] {
        if (Line.size() < 4) {
            throw EAbort("No valid data.");
        }
        const std::string line = Trim(Line);
        auto cmd = std::make_unique<TDiscountObject>();
        cmd->RawLine = Line;
        switch (UpCase(line[1])) {
            case 'P':
                cmd->DiscType = 1;
                break;
            case 'S':
                cmd->DiscType = 2;
                break;
            case 'V':
                cmd->DiscType = 3;
                break;
            default:
                throw EAbort("Invalid discount type");
        }
        const char sign = line.size() > 2 ? line[2] : '\0';
        if (sign != '-' && sign != '+') {
            throw EAbort("Invalid discount sign.");
        }
        std::string rest = line.substr(3);
        if (rest.find('.') == std::string::npos) {
            // Two implied decimals: "5" is 0.05, "1234" is 12.34.
            if (rest.size() < 3) {
                rest.insert(0, 3 - rest.size(), '0');
            }
            rest.insert(rest.size() - 2, 1, '.');
        }
        double value = 0;
        if (!TryStrToFloat(rest, value)) {
            throw EAbort("Invalid discount value.");
        }
        // A value with a sign of its own must not slip past the bound on the magnitude.
        if (cmd->DiscType != 3 && std::fabs(value) > 100) {
            throw EAbort("Discount value is over range /-99.99% to 99.99%/ .");
        }
        cmd->DiscValue = sign == '-' ? -value : value;
        if (cmd->DiscType == 1) {
            if (TPluObj* plu = LastOf<TPluObj>(List)) {
                plu->PercDisc = cmd->DiscValue;
            }
        }
        Append(List, std::move(cmd));
    });
}

void TBonParser::AddPaymentCmd(const std::string& Line, TCommandList& List) {
    Step("Add payment: \"", Line, "Add payment fail:", [&] {
        const std::vector<std::string> fields = SplitFields(Trim(Line).substr(2), '^');
        auto cmd = std::make_unique<TPaymentObject>();
        cmd->RawLine = Line;
        cmd->PayType = StrToIntDef(Field(fields, 0), 1);
        if (cmd->PayType < 1 || cmd->PayType > 11) {
            throw EAbort("No valid data for pay type 1..11;");
        }
        cmd->Amount = StrToFloatDef(Field(fields, 1), 0);
        Append(List, std::move(cmd));
    });
}

void TBonParser::AddInvoiceParamCmd(const std::string& Line, TCommandList& List) {
    const std::string line = Trim(Line);
    Step("Add invoice param: \"", line, "Add invoice fail:", [&] {
        TInvoiceParam* invoice = FindInvoiceParam(List);
        if (invoice == nullptr) {
            invoice = &Append(List, std::make_unique<TInvoiceParam>());
        }
        invoice->RawText += (invoice->RawText.empty() ? "" : "\r") + line;
        if (UpCase(line.substr(0, 2)) == "#F") {
            invoice->InvoiceNo = StrToInt64Def(line.substr(2), 0);
            return;
        }
        const std::string key = UpCase(line.substr(0, 3));
        const std::string value = Trim(line.size() > 3 ? line.substr(3) : std::string());
        const std::string shortValue = value.substr(0, kShortTextLength);
        if (key == "#LB") {
            invoice->LB = value;
        } else if (key == "#LT") {
            invoice->LT = value;
        } else if (key == "#LF") {
            invoice->LF = shortValue;
        } else if (key == "#LW") {
            invoice->LW = shortValue;
        } else if (key == "#LM") {
            invoice->LM = shortValue;
        } else if (key == "#LC") {
            invoice->LC = shortValue;
        } else if (key == "#LA") {
            invoice->LA = shortValue;
        }
    });
}

void TBonParser::AddReportCmd(const std::string& Line, TCommandList& List) {
    Step("Add report param: \"", Line, "Add report param fail:", [&] {
        auto cmd = std::make_unique<TReportObject>();
        cmd->RawLine = Line;
        const char third = Line.size() > 2 ? UpCase(Line[2]) : '\0';
        switch (UpCase(Line[1])) {
            case 'I':
                cmd->ReportType = 0;
                break;
            case 'N':
                cmd->ReportType = 1;
                break;
            case 'F':
                if (third != 'I' && third != 'N') {
                    throw EAbort("Invalid report type.");
                }
                cmd->ReportType = third == 'I' ? 0 : 1;
                break;
            case 'M': {
                if (Line.size() < 3) {
                    throw EAbort("No valid data.");
                }
                cmd->ReportType = 2;
                cmd->Detailed = Line[2] == '0' ? 0 : 1;
                std::string rest = Line.substr(3);
                cmd->StartDate = TakeDateDDMMYY(rest, FirstDayOfMonth());
                cmd->EndDate = TakeDateDDMMYY(rest, Now());
                break;
            }
            default:
                throw EAbort("Invalid report type.");
        }
        Append(List, std::move(cmd));
    });
}

void TBonParser::AddInOutAmountCmd(const std::string& Line, TCommandList& List) {
    Step("Add in/out amount: \"", Line, "Add money in/out param fail:", [&] {
        auto cmd = std::make_unique<TInOutAmount>();
        cmd->RawLine = Line;
        cmd->Amount = StrToFloatDef(Line.substr(2), 0);
        if (cmd->Amount == 0) {
            throw EAbort("Invalid float value for amount");
        }
        Append(List, std::move(cmd));
    });
}

void TBonParser::AddCopyBonCmd(const std::string& Line, TCommandList& List) {
    Step("Add copy last reciept: \"", Line, "Add copy last reciept fail:", [&] {
        Append(List, std::make_unique<TCopyBon>()).RawLine = Line;
    });
}

void TBonParser::AddStatusCmd(const std::string& Line, TCommandList& List) {
    Step("Add fisc.printer sttaus: \"", Line, "Add fisc.printer status fail:", [&] {
        Append(List, std::make_unique<TStatusObject>()).RawLine = Line;
    });
}

void TBonParser::AddPluCmd(const std::string& Line, TCommandList& List) {
    Step("Add plu data: \"", Line, "Add plu fail:", [&] {
        const std::vector<std::string> fields = SplitFields(Line.substr(1), '^');
        auto cmd = std::make_unique<TPluObj>();
        cmd->RawLine = Line;
        const std::string number = Field(fields, 0);
        if (StrToIntDef(number, 0) > 0) {
            cmd->PluNo = number;
        }
        cmd->PluName = Field(fields, 1);
        cmd->Price = StrToFloatDef(Field(fields, 2), 0);
        const std::vector<std::string> quantity = SplitFields(Field(fields, 3), '|');
        cmd->Quantity = StrToFloatDef(Field(quantity, 0), 0);
        cmd->UnitName = Field(quantity, 1);
        cmd->VatGroup = StrToIntDef(Field(fields, 4), 0);
        if (cmd->VatGroup < 0 || cmd->VatGroup > 8) {
            cmd->VatGroup = 2;
        }
        const std::string depart = Field(fields, 5);
        cmd->DepartNo = StrToIntDef(depart, -1);
        const int32_t alteID = StrToIntDef(Trim(depart), -1);
        if (alteID >= 0) {
            cmd->AlteID = alteID;
            cmd->AlteName = Field(fields, 6);
            cmd->AltePrice = StrToFloatDef(Field(fields, 7), 0);
        }
        if (FDepartSaleMode) {
            const int32_t departNo = StrToIntDef(number, 0);
            if (departNo < 1 || departNo > 99) {
                throw EAbort("Invalid department No:" + number + ". It has to be between 1 and 99");
            }
            cmd->DepartNo = departNo;
        }
        Append(List, std::move(cmd));
    });
}

void TBonParser::AddOperatorCmd(const std::string& Line, TCommandList& List) {
    Step("Add operator data: \"", Line, "Add operator data fail:", [&] {
        auto cmd = std::make_unique<TOperObject>();
        cmd->RawLine = Line;
        cmd->OperNo = StrToIntDef(Line.substr(1, 2), 1);
        cmd->OperName = Line.size() > 3 ? Line.substr(3) : std::string();
        Append(List, std::move(cmd));
    });
}
