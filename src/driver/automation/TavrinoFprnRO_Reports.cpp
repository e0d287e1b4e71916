#include <algorithm>
#include <cmath>

#include "ConstUnit.h"
#include "TavrinoFprnRO.h"
#include "TavrinoFprnRO_Frame.h"

namespace {

// A two-character field of a date text from position Start; -1 unless it is made of digits.
int TwoDigitField(const std::string& Text, size_t Start) {
    const std::string Field = Start < Text.size() ? Text.substr(Start, 2) : std::string();
    int32_t Value = -1;
    const bool Digits = !Field.empty() && std::all_of(Field.begin(), Field.end(),
                                                      [](char C) { return C >= '0' && C <= '9'; });
    return Digits && TryStrToInt(Field, Value) ? Value : -1;
}

}  // namespace

HRESULT TTavrinoFprnRO::RunXReport(int32_t* Res) {
    return Method(Res, "RunXReport fail",
                  [&](std::string&) { DeviceCheck(FDevice->RunReport(0, false)); });
}

HRESULT TTavrinoFprnRO::RunZReport(int32_t* Res) {
    return Method(Res, "RunZReport fail",
                  [&](std::string&) { DeviceCheck(FDevice->RunReport(0, true)); });
}

HRESULT TTavrinoFprnRO::RunPluReport(int32_t* Res) {
    return Method(Res, "RunPLUReport",
                  [&](std::string&) { DeviceCheck(FDevice->RunReport(5, false)); });
}

HRESULT TTavrinoFprnRO::RunDepartReport(int32_t DoReset, int32_t* Res) {
    return Method(Res, "ReportByDepartments fail",
                  [&](std::string&) { DeviceCheck(FDevice->RunReport(3, DoReset != 0)); });
}

HRESULT TTavrinoFprnRO::RunOtherReport(int32_t RepType, int32_t* Res) {
    return Method(Res, "RunOtherReport fail", [&](std::string&) {
        static const uint8_t ReportTypes[] = {1, 7, 8};
        if (RepType < 1 || RepType > 3) {
            throw ECmdException(201, "Report type is invalid. Valid values are between 1 and 3");
        }
        DeviceCheck(FDevice->RunReport(ReportTypes[RepType - 1], false));
    });
}

HRESULT TTavrinoFprnRO::CopyLastReciept(int32_t* Res) {
    return Method(Res, "CopyLastBon fail",
                  [&](std::string&) { DeviceCheck(FDevice->PrintReceiptCopy()); });
}

HRESULT TTavrinoFprnRO::PrintDiagReciept(int32_t* Res) {
    return Method(Res, "Print diag reciept fail",
                  [&](std::string&) { DeviceCheck(FDevice->PrintDiagnostic()); });
}

HRESULT TTavrinoFprnRO::OpenCashDrw(int32_t* Res) {
    return Method(Res, "OpenCashDrw fail",
                  [&](std::string&) { DeviceCheck(FDevice->OpenCashDrawer(15)); });
}

HRESULT TTavrinoFprnRO::RunFMBlockReport(int32_t StartBlock, int32_t EndBlock,
                                         int32_t DoDetailedRep, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Context = "RunFMBlockReport fail. Params. StartBlock=\"" +
                                    std::to_string(StartBlock) + "\",EndBlock=\"" +
                                    std::to_string(EndBlock) + "\",DoDetailedRep=\"" +
                                    std::to_string(DoDetailedRep) + "\",Error msg:";
        return Method(Res, Context, [&](std::string&) {
            DeviceCheck(FDevice->FiscalMemoryReportByBlocks(DoDetailedRep != 1,
                                                            static_cast<uint32_t>(StartBlock),
                                                            static_cast<uint32_t>(EndBlock)));
        });
    });
}

HRESULT TTavrinoFprnRO::RunFMDateReport(DATE StartDate, DATE EndDate, int32_t DoDetailed,
                                        int32_t* Ress) {
    return Method(Ress, {}, [&](std::string& Context) {
        Context = "RunFMDateReport fail. Params. StartDate=\"" +
                  FormatDateTime("dd.mm.yyyy", StartDate) + "\",EndDate=\"" +
                  FormatDateTime("dd.mm.yyyy", EndDate) + "\",DoDetailed=\"" +
                  std::to_string(DoDetailed) + "\",Error msg:";
        // The report covers whole days; a one-day range whose end time is earlier in the day
        // than its start time is still a valid range. The end date goes as given, so that a bare
        // time of day is still refused rather than taken for "no end date".
        DeviceCheck(
            FDevice->FiscalMemoryReportByDates(DoDetailed != 1, std::trunc(StartDate), EndDate));
    });
}

HRESULT TTavrinoFprnRO::AddBarcode(int32_t BType, BSTR BData, int32_t ShowTxt, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Data = AnsiText(BData);
        return Method(Res, {}, [&](std::string& Context) {
            Context = "AddBarcode fail. Params. BData=\"" + Data + "\",BType=\"" +
                      std::to_string(BType) + "\",ShowTxt=\"" + std::to_string(ShowTxt) +
                      "\",Error msg:";
            const int32_t Type = BType >= -6 && BType <= -2 ? 6 : BType;
            DeviceCheck(FDevice->PrintBarcode(static_cast<uint32_t>(Type), Data, ShowTxt != 0));
        });
    });
}

HRESULT TTavrinoFprnRO::SetDepartData(int32_t DepartNom, BSTR DepartName, int32_t VATGrp,
                                      BSTR Description, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Name = AnsiText(DepartName), Text = AnsiText(Description);
        const std::string Context = "SetDepartData fail. Params. DepartNom=\"" +
                                    std::to_string(DepartNom) + "\" DepartName= \"" + Name +
                                    "\" VATGrp=" + std::to_string(VATGrp) + "\" Description: \"" +
                                    Text + "\"Error msg:";
        return Method(Res, Context, [&](std::string&) {
            TDepartmentInfo Dept{};
            Dept.DepNo = DepartNom;
            Dept.TaxLetter = TaxGroupLetter(VATGrp);
            Dept.DepName = Name;
            Dept.Description = Text;
            DeviceCheck(FDevice->SetDepartment(Dept));
        });
    });
}

HRESULT TTavrinoFprnRO::SetPluData(int32_t PluNo, BSTR PluName, int32_t GroupNo, int32_t VATGrp,
                                   int32_t AlteID, BSTR AlteName, double AltePrc, double PluPrice,
                                   BSTR UnitNm, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Name = AnsiText(PluName), Alte = AnsiText(AlteName),
                          Unit = AnsiText(UnitNm);
        const std::string Context =
            "SetPluData fail. Params. Numb=\"" + std::to_string(PluNo) + "\" PluName= \"" + Name +
            "\" GroupNo=" + std::to_string(GroupNo) + "\" VATGrp=" + std::to_string(VATGrp) +
            "\" AlteID=" + std::to_string(AlteID) + "\" AlteName= \"" + Alte + "\" AltePrc= \"" +
            FloatToStr(AltePrc) + "\" PluPrice= \"" + FloatToStr(PluPrice) + "\" UnitNm: \"" +
            Unit + "\"Error msg:";
        return Method(Res, Context, [&](std::string&) {
            TArticleInfo Limits{};
            DeviceCheck(FDevice->GetFPR_ArticleInfo(Limits));
            TPluData Plu{};
            Plu.PluNo = PluNo;
            Plu.PluName = Name;
            Plu.TaxLetter = TaxGroupLetter(VATGrp);
            Plu.PluGroup = GroupNo;
            Plu.Price = std::fabs(PluPrice);
            Plu.UnitNm = Unit;
            Plu.AlteID = AlteID <= 0 ? -1 : AlteID;
            Plu.AlteName = Alte;
            Plu.AltePrc = AltePrc;
            if (Limits.MaxNameLen > 0 &&
                static_cast<int64_t>(Plu.PluName.size()) > Limits.MaxNameLen) {
                Plu.PluName.resize(Limits.MaxNameLen);
            }
            if (PluNo <= 0 || PluNo > Limits.MaxPluNo) {
                throw ECmdException(201, "PluNo " + std::to_string(PluNo) + "is over range." +
                                             std::to_string(Limits.MaxPluNo));
            }
            DeviceCheck(FDevice->SetFPR_Plu(Plu));
        });
    });
}

HRESULT TTavrinoFprnRO::GetAdvLine(int32_t LineNo, BSTR* Res) {
    return TextGetter(Res, "GetAdvLine fail", [&](std::string&) {
        std::string Text;
        DeviceCheck(FDevice->ReadHeaderLine(LineNo, Text));
        return Text;
    });
}

HRESULT TTavrinoFprnRO::SetAdvLine(int32_t LineNo, BSTR LineText, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Text = AnsiText(LineText);
        return Method(Res, "SetAdvLine fail",
                      [&](std::string&) { DeviceCheck(FDevice->SetHeaderLine(LineNo, Text)); });
    });
}

HRESULT TTavrinoFprnRO::Get_FPDateTime(DATE* Value) {
    return Getter(Value, "Get_FPDateTime fail", [&](std::string&) {
        TDateTime DateTime = 0;
        DeviceCheck(FDevice->GetFPR_DateTime(DateTime));
        return DateTime;
    });
}

HRESULT TTavrinoFprnRO::Set_FPDateTime(DATE Value) {
    return platform::SafeCall([&] {
        Framed("Set_FPDateTime fail",
               [&](std::string&) { DeviceCheck(FDevice->SetDateTime(Value)); });
    });
}

HRESULT TTavrinoFprnRO::Get_FPDateAsString(BSTR* Value) {
    return Slot(Value, [&] {
        // Read through the object's own property, so its frame, error and log line apply.
        DATE Date = 0;
        Get_FPDateTime(&Date);
        *Value = WideText(FormatDateTime("ddmmyyhhnnss", Date));
    });
}

HRESULT TTavrinoFprnRO::Set_FPDateAsString(BSTR Value) {
    return platform::SafeCall([&] {
        Framed("Set date/time", [&](std::string&) {
            const std::string Text = Utf8Text(Value);
            const std::string Base =
                "Failed to convert string \"" + AnsiText(Value) + "\" to vaid date time.";
            if (Trim(Text).empty()) {
                throw ECmdException(201, Base + ". Failed conver to string");
            }
            // Day, month, year, hour, minute, second: two digits each, from the first character.
            int Fields[6];
            for (int I = 0; I < 6; ++I) {
                Fields[I] = TwoDigitField(Text, 2 * I);
            }
            TDateTimeRec Parts;
            Parts.Year = Fields[2] + 2000;
            Parts.Month = Fields[1];
            Parts.Day = Fields[0];
            Parts.Hour = Fields[3];
            Parts.Minute = Fields[4];
            Parts.Second = Fields[5];
            Parts.MSec = 0;
            LogMessage("Date as integer" + std::to_string(Parts.Day) + "," +
                           std::to_string(Parts.Month) + "," + std::to_string(Parts.Year) + "," +
                           std::to_string(Parts.Hour) + "," + std::to_string(Parts.Minute) + "," +
                           std::to_string(Parts.Second),
                       lkInfo);
            // A field that is not a number never becomes a date: the fiscal clock is set only
            // from six real two-digit numbers.
            DATE Date = 0;
            const bool AllNumbers =
                std::find(std::begin(Fields), std::end(Fields), -1) == std::end(Fields);
            if (!AllNumbers || !TryEncodeDateTime(Parts, Date)) {
                throw ECmdException(201, Base + ". Failed conver to valid datetime");
            }
            LogMessage("Converted date: " + FormatDateTime("dd.mm.yyyy hh:nn:ss", Date), lkInfo);
            DeviceCheck(FDevice->SetDateTime(Date));
        });
    });
}
