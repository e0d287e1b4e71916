// Programming commands: clock, header lines, invoice range, departments and the PLU table.

#include <string>

#include "BaseDeviceCommands.h"
#include "BaseDeviceUnitRO.h"
#include "ConstUnit.h"

namespace {

constexpr size_t HeaderLineWidth = 36;
constexpr size_t PluNameWidth = 36;
constexpr int32_t MaxAlteID = 50;
constexpr char DefaultUnit[] = "BUC";

}  // namespace

bool TBaseDevice::SetDateTime(TDateTime DateTime) {
    return Execute(0x3D, FormatDateTime("dd-mm-yy hh:nn", DateTime), FullCheckQuiet);
}

bool TBaseDevice::SetHeaderLine(int32_t LineNo, const std::string& Text) {
    return Execute(0x2B,
                   std::to_string(static_cast<uint16_t>(LineNo)) + Text.substr(0, HeaderLineWidth),
                   FullCheckQuiet);
}

bool TBaseDevice::SetInvoiceRange(bool SFlag, int64_t& InvStart, int64_t& InvEnd) {
    if (InvStart > MaxInvoiceNo) {
        return Refuse("[InvStart]");
    }
    if (InvEnd > MaxInvoiceNo || InvEnd < InvStart) {
        return Refuse("[InvEnd]");
    }
    const std::string Payload =
        (SFlag ? "S," : "") + std::to_string(InvStart) + "," + std::to_string(InvEnd);
    return Execute(0x42, Payload, FullCheckQuiet, [&](TAnswer& Answer) {
        // The printer may adjust the range; a value it leaves out stays as sent.
        for (int64_t* Value : {&InvStart, &InvEnd}) {
            TryReadInt64(Answer.Next(), *Value);
        }
    });
}

bool TBaseDevice::SetDepartment(const TDepartmentInfo& Dept) {
    std::string Payload =
        std::to_string(Dept.DepNo) + "," + Dept.TaxLetter + "," + OneLineField(Dept.DepName);
    if (!Dept.Description.empty()) {
        Payload += '\n' + OneLineField(Dept.Description);
    }
    return Execute(0x57, Payload, FullCheckQuiet);
}

void TBaseDeviceRO::RunFunc6B(char SubCmd, const std::string& Data, std::string& Answer) {
    Answer.clear();
    TDataBuffer Status;
    // A failed exchange leaves Answer empty and its error in the device.
    Exchange(0x6B, SubCmd + Data, FullCheckQuiet, Status, [&](TAnswer& Reply) {
        Answer = Reply.Text();
        if (Answer.empty()) {
            throw ECmdException(201, "RunFunc6B. No valid data recieved");
        }
    });
}

bool TBaseDeviceRO::SetAlternativeTax(int32_t AlteID, const std::string& AlteName) {
    return RunGuarded(TDataBuffer(), [&] {
        std::string Answer;
        RunFunc6B('A', std::to_string(AlteID) + "," + Trim(AlteName), Answer);
        return !Answer.empty();
    });
}

bool TBaseDeviceRO::GetFPR_ArticleInfo(TArticleInfo& Info) {
    Info = TArticleInfo();
    return RunGuarded(TDataBuffer(), [&] {
        std::string Text;
        RunFunc6B('I', "", Text);
        // An answer other than "P..." is a failure too, and must say so with a code.
        if (Text.empty() || Text[0] != 'P') {
            throw ECmdException(201, "GetFPR_ArticleInfo.No valid data recieved");
        }
        TAnswer Answer(Text, TDataBuffer());
        Answer.Next();
        Info.MaxPluNo = Answer.IntOr0();
        Info.ExtraValue = Answer.IntOr0();
        Info.MaxNameLen = Answer.IntOr0();
        if (Info.MaxPluNo <= 0) {
            throw ECmdException(201, "GetFPR_AlternativeTax. No valid data recieved");
        }
        return true;
    });
}

bool TBaseDeviceRO::GetFPR_Plu(int32_t PluNo, TPluData& Plu) {
    Plu.PluNo = -1;
    return RunGuarded(TDataBuffer(), [&] {
        std::string Text;
        RunFunc6B('R', std::to_string(PluNo), Text);
        const ECmdException NoData(201, "GetFPR_Plu.No valid data recieved");
        if (Text.empty()) {
            throw NoData;
        }
        if (Text[0] == 'F') {  // no such PLU
            return true;
        }
        Text.erase(0, 1);
        if (Text.empty()) {
            throw NoData;
        }
        TAnswer Answer(Text, TDataBuffer());
        Plu.PluNo = Answer.IntOr0();
        Plu.TaxLetter = Answer.Letter();
        Plu.PluGroup = Answer.IntOr0();
        Plu.Price = Answer.NumberOr0();
        Plu.UnitNm = Answer.Next();
        Plu.PluName = Answer.Next();
        Plu.Barcode = Answer.Next();
        Plu.AlteID = Answer.IntOr0();
        Plu.AltePrc = Answer.NumberOr0();
        return true;
    });
}

bool TBaseDeviceRO::SetFPR_Plu(TPluData Plu) {
    return RunGuarded(TDataBuffer(), [&] {
        if (Trim(Plu.PluName).empty()) {
            throw ECmdException(201, "Missing PluNo name");
        }
        const std::string Unit = Trim(Plu.UnitNm).empty() ? DefaultUnit : Plu.UnitNm;
        std::string Text = Plu.TaxLetter + std::to_string(Plu.PluNo) + "," +
                           std::to_string(Plu.PluGroup) + "," + FormatFloat("0.00", Plu.Price) +
                           "," + CommaListField(Unit) + "," +
                           Trim(CommaListField(Plu.PluName)).substr(0, PluNameWidth) + "," +
                           Trim(CommaListField(Plu.Barcode));
        if (Plu.AlteID > 0) {
            Text += ',' + std::to_string(Plu.AlteID) + "," + FormatFloat("0.00", Plu.AltePrc);
            if (Plu.AlteID > MaxAlteID) {
                throw ECmdException(201, "Alt.tax nom \"" + std::to_string(Plu.AlteID) +
                                             "\" is invalid. Valid values are from 1 to 50.");
            }
            if (!SetAlternativeTax(Plu.AlteID, Plu.AlteName)) {
                return false;
            }
        }
        std::string Answer;
        RunFunc6B('P', Text, Answer);
        if (Answer.empty()) {
            throw ECmdException(201, "No valid data recieved");
        }
        if (Answer[0] == 'F') {
            throw ECmdException(201, "SetFPR_Plu. Command execution fail");
        }
        return true;
    });
}
