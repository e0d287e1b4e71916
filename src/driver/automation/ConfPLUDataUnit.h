#pragma once

#include <string>

#include "Kalvora_TLB.h"

// PLU data that GetPluData fills: a plain property bag, every number 0 and every text empty when
// created.
class TConfPLUData : public platform::TAutoObject<IConfPLUData> {
public:
    TConfPLUData() : TAutoObject(IConfPLUDataDesc) {}

    HRESULT Get_PluNo(LONG* Value) override { return platform::PropertyGet(FPluNo, Value); }
    HRESULT Set_PluNo(LONG Value) override { return platform::PropertyPut(FPluNo, Value); }
    HRESULT Get_PluName(BSTR* Value) override { return platform::PropertyGet(FPluName, Value); }
    HRESULT Set_PluName(BSTR Value) override { return platform::PropertyPut(FPluName, Value); }
    HRESULT Get_PluGroup(LONG* Value) override { return platform::PropertyGet(FPluGroup, Value); }
    HRESULT Set_PluGroup(LONG Value) override { return platform::PropertyPut(FPluGroup, Value); }
    HRESULT Get_PluTaxGrp(LONG* Value) override { return platform::PropertyGet(FPluTaxGrp, Value); }
    HRESULT Set_PluTaxGrp(LONG Value) override { return platform::PropertyPut(FPluTaxGrp, Value); }
    HRESULT Get_Price(double* Value) override { return platform::PropertyGet(FPrice, Value); }
    HRESULT Set_Price(double Value) override { return platform::PropertyPut(FPrice, Value); }
    HRESULT Get_UnitNm(BSTR* Value) override { return platform::PropertyGet(FUnitNm, Value); }
    HRESULT Set_UnitNm(BSTR Value) override { return platform::PropertyPut(FUnitNm, Value); }
    HRESULT Get_Barcode(BSTR* Value) override { return platform::PropertyGet(FBarcode, Value); }
    HRESULT Set_Barcode(BSTR Value) override { return platform::PropertyPut(FBarcode, Value); }
    HRESULT Get_AlteID(LONG* Value) override { return platform::PropertyGet(FAlteID, Value); }
    HRESULT Set_AlteID(LONG Value) override { return platform::PropertyPut(FAlteID, Value); }
    HRESULT Get_AlteName(BSTR* Value) override { return platform::PropertyGet(FAlteName, Value); }
    HRESULT Set_AlteName(BSTR Value) override { return platform::PropertyPut(FAlteName, Value); }
    HRESULT Get_AltePrc(double* Value) override { return platform::PropertyGet(FAltePrc, Value); }
    HRESULT Set_AltePrc(double Value) override { return platform::PropertyPut(FAltePrc, Value); }

private:
    LONG FPluNo = 0;
    LONG FPluTaxGrp = 0;
    std::string FPluName;
    std::string FBarcode;
    LONG FPluGroup = 0;
    LONG FAlteID = 0;
    std::string FAlteName;
    double FPrice = 0;
    double FAltePrc = 0;
    std::string FUnitNm;
};
