#include <array>

#include "ConstUnit.h"
#include "TavrinoFprnRO.h"
#include "TavrinoFprnRO_Frame.h"

namespace {

const char* const DriverVendorText = "Kalvora Fiscal Systems, www.kalvora.example";

// Printer status as GetFPStatus reports it: 1 a fault that stops printing, 2 a warning.
int32_t StatusClass(const TDataBuffer& Status) {
    struct TBit {
        uint8_t Byte, Bit;
    };
    static const TBit Faults[] = {{0, 4}, {2, 0}};
    static const TBit Warnings[] = {{4, 4}, {5, 0}, {5, 2}, {4, 0}, {1, 4}, {1, 2}, {2, 2}, {1, 3}};
    auto AnySet = [&](const auto& Bits) {
        for (const TBit& B : Bits) {
            if (TBaseDevice::IsBitSet(Status, B.Byte, B.Bit)) {
                return true;
            }
        }
        return false;
    };
    return AnySet(Faults) ? 1 : AnySet(Warnings) ? 2 : 0;
}

}  // namespace

HRESULT TTavrinoFprnRO::GetFPStatus(int32_t* Status, int32_t* Res) {
    if (Status == nullptr) {
        return platform::E_POINTER;
    }
    *Status = 0;
    return Method(Res, "GetFPStatus fail", [&](std::string&) {
        DeviceCheck(FDevice->GetStatus(false, FStatusBytes));
        *Status = StatusClass(FStatusBytes);
    });
}

HRESULT TTavrinoFprnRO::GetRecieptStatus(IRecieptData** Res) {
    return DataObject(
        Res, CLASS_RecieptData, IID_IRecieptData, "GetRecieptStatus fail", [&](auto Create) {
            bool CanVoid = false, Invoice = false;
            TTaxSums TaxSums{};
            int64_t NextInvNo = 0;
            DeviceCheck(FDevice->GetReceiptInfo(CanVoid, TaxSums, Invoice, NextInvNo));
            int32_t ReceiptNo = 0;
            DeviceCheck(FDevice->GetLastReceiptNo(ReceiptNo));
            bool IsOpen = false;
            int32_t ItemsCount = 0;
            double Amount = 0, Tender = 0;
            DeviceCheck(FDevice->GetReceiptState(true, IsOpen, ItemsCount, Amount, Tender));
            IRecieptData* Data = Create();
            Put(Data->Set_DocNom(ReceiptNo));
            Put(Data->Set_IvoiceNo(static_cast<int32_t>(NextInvNo)));
            Put(Data->Set_TotalAmnt(Amount));
            Put(Data->Set_TotalPayed(Tender));
            Put(Data->Set_IsOpen(IsOpen ? 1 : 0));
        });
}

HRESULT TTavrinoFprnRO::GetXReportData(IXReportData** Res) {
    return DataObject(
        Res, CLASS_XReportData, IID_IXReportData, "GetXReportData fail", [&](auto Create) {
            TDailyPayTotals Totals{};
            DeviceCheck(FDevice->GetDailyTaxTotals(Totals));
            TTaxSums Sums{}, Vat{};
            DeviceCheck(FDevice->GetDailySums(true, Sums));
            DeviceCheck(FDevice->GetDailySums(false, Vat));
            IXReportData* Data = Create();
            using TPut = HRESULT (IXReportData::*)(double);
            static const TPut PayPuts[] = {
                &IXReportData::Set_TotPay1,  &IXReportData::Set_TotPay2, &IXReportData::Set_TotPay3,
                &IXReportData::Set_TotPay4,  &IXReportData::Set_TotPay5, &IXReportData::Set_TotPay6,
                &IXReportData::Set_TotPay7,  &IXReportData::Set_TotPay8, &IXReportData::Set_TotPay9,
                &IXReportData::Set_TotPay10, &IXReportData::Set_TotPay11};
            static const TPut TaxPuts[] = {&IXReportData::Set_TotTAXA, &IXReportData::Set_TotTAXB,
                                           &IXReportData::Set_TotTAXC, &IXReportData::Set_TotTAXD,
                                           &IXReportData::Set_TotTAXE, &IXReportData::Set_TotTAXF,
                                           &IXReportData::Set_TotTAXG};
            for (size_t I = 0; I < std::size(PayPuts); ++I) {
                Put((Data->*PayPuts[I])(Totals.PayTotals[I]));
            }
            for (size_t I = 0; I < std::size(TaxPuts); ++I) {
                Put((Data->*TaxPuts[I])(Vat[I]));
            }
            // The eighth group has no property of its own but still counts in the totals.
            double Total = 0, TotalVAT = 0;
            for (size_t I = 0; I < Sums.size(); ++I) {
                Total += Sums[I];
                TotalVAT += Vat[I];
            }
            Put(Data->Set_Total(Total));
            Put(Data->Set_TotalVAT(TotalVAT));
        });
}

HRESULT TTavrinoFprnRO::GetPluData(int32_t PluNo, IConfPLUData** Res) {
    return DataObject(
        Res, CLASS_ConfPLUData, IID_IConfPLUData, "GetPluData fail", [&](auto Create) {
            TPluData Plu{};
            DeviceCheck(FDevice->GetFPR_Plu(PluNo, Plu));
            IConfPLUData* Data = Create();
            Put(Data->Set_PluNo(Plu.PluNo));
            Put(Data->Set_PluGroup(Plu.PluGroup));
            Put(Data->Set_PluName(TWideArg(Plu.PluName)));
            Put(Data->Set_AltePrc(Plu.AltePrc));
            Put(Data->Set_AlteName(TWideArg(Plu.AlteName)));
            Put(Data->Set_Barcode(TWideArg(Plu.Barcode)));
            // An unknown PLU has no letter; its group then reads 0.
            Put(Data->Set_PluTaxGrp(
                Plu.TaxLetter >= 'A' && Plu.TaxLetter <= 'H' ? TaxLetterNumber(Plu.TaxLetter) : 0));
            Put(Data->Set_Price(Plu.Price));
            Put(Data->Set_UnitNm(TWideArg(Plu.UnitNm)));
            Put(Data->Set_AlteID(Plu.AlteID));
        });
}

HRESULT TTavrinoFprnRO::GetDepartData(int32_t DepNo, IDepatmentData** Res) {
    return DataObject(
        Res, CLASS_DepatmentData, IID_IDepatmentData, "GetDepartData fail", [&](auto Create) {
            std::string Name, Description;
            char TaxLetter = 0;
            DeviceCheck(FDevice->GetDepartmentName(DepNo, Name, Description, TaxLetter));
            TDepartmentSum Sum{};
            DeviceCheck(FDevice->GetDepartmentInfo(DepNo, Sum));
            if (TaxLetter == 0) {
                throw ECmdException(200, TBaseDevice::ErrorText(200, "[TaxGroup]"));
            }
            const int32_t TaxGroup = TaxLetterNumber(TaxLetter);
            IDepatmentData* Data = Create();
            Put(Data->Set_DepNom(DepNo));
            Put(Data->Set_DepName(TWideArg(Name)));
            Put(Data->Set_Description(TWideArg(Description)));
            Put(Data->Set_TaxGroup(TaxGroup));
            Put(Data->Set_LastSum(Sum.LastSum));
            Put(Data->Set_CountSales(static_cast<int32_t>(Sum.CountSales)));
            Put(Data->Set_DepExists(Sum.Flag == 'P' ? 1 : 0));
            Put(Data->Set_TotalSum(Sum.TotalSum));
        });
}

HRESULT TTavrinoFprnRO::Get_LastRecieptNo(int32_t* Value) {
    return Getter(Value, "Get_LastRecieptNo fail", [&](std::string&) {
        int32_t ReceiptNo = 0;
        DeviceCheck(FDevice->GetLastReceiptNo(ReceiptNo));
        return ReceiptNo;
    });
}

HRESULT TTavrinoFprnRO::Get_NextInvNom(BSTR* Value) {
    return TextGetter(Value, "Get next invnom fail", [&](std::string&) {
        int64_t Start = 0, End = 0, Current = 0;
        DeviceCheck(FDevice->GetInvoiceRange(false, Start, End, Current));
        return std::to_string(Current);
    });
}

// The identity read by Init; still framed, so a missing device is reported.
HRESULT TTavrinoFprnRO::Get_FPLineLength(int32_t* Value) {
    return Getter(Value, "Get_FPLineLength fail", [&](std::string&) { return FCharPerLine; });
}

HRESULT TTavrinoFprnRO::Get_FPModel(BSTR* Value) {
    return TextGetter(Value, "Get_FPModel fail", [&](std::string&) { return FModel; });
}

HRESULT TTavrinoFprnRO::Get_FPSerial(BSTR* Value) {
    return TextGetter(Value, "Get_FPSerial fail", [&](std::string&) { return FSerial; });
}

HRESULT TTavrinoFprnRO::Get_FPFiscalNo(BSTR* Value) {
    return TextGetter(Value, "Get_FiscalNo fail", [&](std::string&) { return FFiscalNo; });
}

// The driver's own properties touch neither the device nor the error state.
HRESULT TTavrinoFprnRO::Get_LastErrorCode(int32_t* Res) {
    return Slot(Res, [&] { *Res = FLastErrorCode; });
}

HRESULT TTavrinoFprnRO::Get_LastErrorMsg(BSTR* Value) {
    return Slot(Value, [&] { *Value = WideText(FLastErrorMsg); });
}

HRESULT TTavrinoFprnRO::Get_LastInvoiceNo(BSTR* Value) {
    return Slot(Value, [&] { *Value = WideText(FLastInvoiceNo); });
}

HRESULT TTavrinoFprnRO::Get_DriverVersion(BSTR* Value) {
    return Slot(Value, [&] {
        *Value =
            WideText("Lib. version: " + std::to_string(KalvoraMajorVersion) + "." +
                     std::to_string(KalvoraMinorVersion) + ", Dll version:" + GetModuleVersion());
    });
}

HRESULT TTavrinoFprnRO::Get_DriverVendor(BSTR* Value) {
    return Slot(Value, [&] { *Value = WideText(DriverVendorText); });
}
