// Report and information commands.

#include <string>

#include "BaseDeviceCommands.h"
#include "BaseDeviceUnitRO.h"
#include "ConstUnit.h"

namespace {

constexpr TStatusBitCheck ReportChecks[] = {NoPaper};
constexpr TStatusBitCheck DiagnosticChecks[] = {NoPaper, NonFiscalOpen, FiscalOpen};

constexpr TCommandRule RunReportRule{ReportChecks};
constexpr TCommandRule FiscalMemoryReportRule{ReportChecks, TGeneralCheck::Full, false};
constexpr TCommandRule PrintDiagnosticRule{DiagnosticChecks, TGeneralCheck::Full, false};

// Positions (from 0) of the two-digit pieces of the clock answer "dd-mm-yy hh:nn:ss".
struct TClockPiece {
    size_t Pos;
    const char* Label;
};
constexpr TClockPiece ClockPieces[] = {{0, "[DAY]"},  {3, "[MONTH]"}, {6, "[YEAR]"},
                                       {9, "[HOUR]"}, {12, "[MIN]"},  {15, "[SEC]"}};

std::string Cut255(const std::string& S) {
    return S.substr(0, 255);
}

}  // namespace

bool TBaseDevice::GetStatus(bool WFlag, TDataBuffer& Status) {
    return Execute(0x4A, WFlag ? "W" : "X", BasicCheck, [&](TAnswer& Answer) {
        // An answer may carry the status in its data field as well; that copy wins.
        const std::string& Text = Answer.Text();
        Status = Text.size() == 6 ? TDataBuffer(Text.begin(), Text.end()) : Answer.Status();
    });
}

bool TBaseDevice::GetFPR_DateTime(TDateTime& DateTime) {
    DateTime = 0;
    return Execute(0x3E, "", BasicCheck, [&](TAnswer& Answer) {
        const std::string& Text = Answer.Text();
        if (Text.size() < 17) {
            throw ECmdException(200, "[GetFPR_DateTime]");
        }
        int32_t Parts[6];
        for (size_t i = 0; i < 6; ++i) {
            if (!TryReadInt(Text.substr(ClockPieces[i].Pos, 2), Parts[i])) {
                throw ECmdException(201, ClockPieces[i].Label);
            }
        }
        const TDateTimeRec Rec{Parts[2] + 2000, Parts[1], Parts[0], Parts[3],
                               Parts[4],        Parts[5], 0};
        if (!TryEncodeDateTime(Rec, DateTime)) {
            throw ECmdException(201, "[DATE]");
        }
    });
}

bool TBaseDevice::GetDiagnosticInfo(bool Flag, TDiagnosticInfo& Info) {
    ClearInfoRecord(Info);
    return Execute(0x5A, Flag ? "1" : "0", BasicCheck, [&](TAnswer& Answer) {
        Answer.RequireFields(5);
        Info.RawAnswer = Cut255(Answer.Text());
        Info.FPModel = Cut255(Answer.Next());
        std::string Piece;
        for (std::string* Field : {&Info.Info1, &Info.Info2}) {
            NextSpaceToken(Answer.Rest(), Piece);
            *Field = Cut255(Piece);
        }
        for (std::string* Field :
             {&Info.Info3, &Info.Info4, &Info.Info5, &Info.FPSerial, &Info.FPFiscalNo}) {
            *Field = Cut255(Answer.Next());
        }
    });
}

bool TBaseDevice::GetDeviceInfo(TPrnConst& Params) {
    Params = TPrnConst();
    return Execute(0x80, "", BasicCheck, [&](TAnswer& Answer) {
        for (std::string& Item : Params.Items) {
            Item = Answer.Next();
        }
        std::string& Width = Params.Items[TPrnConst::CharsPerLineIndex];
        int32_t Chars = 0;
        if (TryReadInt(Width, Chars) && Chars > 0) {
            Width = std::to_string(Chars - 2);
        }
    });
}

bool TBaseDevice::ReadHeaderLine(int32_t LineNo, std::string& Text) {
    return Execute(0x2B, 'I' + std::to_string(LineNo), BasicCheck,
                   [&](TAnswer& Answer) { Text = Answer.Text(); });
}

bool TBaseDevice::GetInvoiceRange(bool SFlag, int64_t& InvStart, int64_t& InvEnd,
                                  int64_t& InvCurrent) {
    InvStart = InvEnd = InvCurrent = 0;
    return Execute(0x42, SFlag ? "S" : "", BasicCheckQuiet, [&](TAnswer& Answer) {
        Answer.RequireFields(3);
        InvStart = Answer.Int64("[InvStart]");
        InvEnd = Answer.Int64("[InvEnd]");
        InvCurrent = Answer.Int64("[InInvCurrentvEnd]");
    });
}

bool TBaseDevice::GetDailySums(bool Flag, TTaxSums& Sums) {
    Sums = {};
    return Execute(0x41, Flag ? "0" : "1", FullCheck, [&](TAnswer& Answer) {
        for (double& Sum : Sums) {
            Sum = Answer.NumberOr0() / 100;
        }
    });
}

bool TBaseDeviceRO::GetDailyTaxTotals(TDailyPayTotals& Totals) {
    Totals = TDailyPayTotals();
    return Execute(0x6E, "11", FullCheckQuiet, [&](TAnswer& Answer) {
        // The printer reports eight payment types; the others stay 0.
        for (size_t i = 0; i < 8; ++i) {
            Totals.PayTotals[i] = Answer.NumberOr0() / 100;
        }
        Totals.Number1 = Answer.IntOr0();
        Totals.Number2 = Answer.IntOr0();
    });
}

bool TBaseDevice::GetDepartmentName(int32_t DepartNo, std::string& Name, std::string& Description,
                                    char& TaxLetter) {
    Name.clear();
    Description.clear();
    return Execute(0x57, std::to_string(DepartNo), FullCheckQuiet, [&](TAnswer& Answer) {
        Answer.Next();
        if (!Answer.HasMore()) {
            return;
        }
        TaxLetter = Answer.Letter();
        if (!Answer.HasMore()) {
            return;
        }
        std::string& Rest = Answer.Rest();
        const size_t Tab = Rest.find('\t');
        Name = Trim(Rest.substr(0, Tab));
        if (Tab != std::string::npos) {
            Description = Trim(Rest.substr(Tab + 1));
        }
    });
}

bool TBaseDevice::GetDepartmentInfo(int32_t DepartNo, TDepartmentSum& Sum) {
    Sum = TDepartmentSum();
    return Execute(0x58, std::to_string(DepartNo), FullCheck, [&](TAnswer& Answer) {
        std::string& Rest = Answer.Rest();
        if (Rest.empty()) {
            throw ECmdException(200, "");
        }
        Sum.Flag = Rest[0];
        if (Sum.Flag != 'P') {
            return;
        }
        Rest.erase(0, 1);
        Sum.TaxLetter = Answer.Letter();
        Sum.LastCount = Answer.Int64Or0();
        Sum.LastSum = Answer.NumberOr0();
        Sum.CountSales = Answer.Int64Or0();
        Sum.TotalSum = Answer.NumberOr0();
        const size_t Tab = Rest.find('\t');
        Sum.Name = Rest.substr(0, Tab);
        if (Tab != std::string::npos) {
            Sum.Extra = Trim(Rest.substr(Tab + 1));
        }
    });
}

bool TBaseDeviceRO::RunReport(uint8_t ReportType, bool Clear) {
    std::string Payload(1, ReportType >= 1 && ReportType <= 9 ? char('0' + ReportType) : '0');
    if (!Clear) {
        Payload += 'N';
    }
    return Execute(0x45, Payload, RunReportRule);
}

bool TBaseDevice::FiscalMemoryReportByBlocks(bool Short, uint32_t StartBlock, uint32_t EndBlock) {
    if (EndBlock != 0 && EndBlock < StartBlock) {
        std::swap(StartBlock, EndBlock);
    }
    std::string Payload = std::to_string(StartBlock);
    if (EndBlock != 0) {
        Payload += ',' + std::to_string(EndBlock);
    }
    return Execute(Short ? 0x5F : 0x49, Payload, FiscalMemoryReportRule);
}

bool TBaseDevice::FiscalMemoryReportByDates(bool Short, TDateTime StartDate, TDateTime EndDate) {
    if (EndDate != 0 && EndDate < StartDate) {
        return Refuse("");
    }
    std::string Payload = FormatDateTime("ddmmyy", StartDate);
    if (EndDate != 0) {
        Payload += ',' + FormatDateTime("ddmmyy", EndDate);
    }
    return Execute(Short ? 0x4F : 0x5E, Payload, FiscalMemoryReportRule);
}

bool TBaseDevice::PrintDiagnostic() {
    return Execute(0x47, "", PrintDiagnosticRule);
}
