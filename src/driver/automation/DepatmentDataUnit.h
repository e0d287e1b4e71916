#pragma once

#include <string>

#include "Kalvora_TLB.h"

// Department data and sums that GetDepartData fills: a plain property bag, every number 0 and every
// text empty when created.
class TDepatmentData : public platform::TAutoObject<IDepatmentData> {
public:
    TDepatmentData() : TAutoObject(IDepatmentDataDesc) {}

    HRESULT Get_DepNom(LONG* Value) override { return platform::PropertyGet(FDepNom, Value); }
    HRESULT Set_DepNom(LONG Value) override { return platform::PropertyPut(FDepNom, Value); }
    HRESULT Get_DepName(BSTR* Value) override { return platform::PropertyGet(FDepName, Value); }
    HRESULT Set_DepName(BSTR Value) override { return platform::PropertyPut(FDepName, Value); }
    HRESULT Get_Description(BSTR* Value) override {
        return platform::PropertyGet(FDescription, Value);
    }
    HRESULT Set_Description(BSTR Value) override {
        return platform::PropertyPut(FDescription, Value);
    }
    HRESULT Get_TaxGroup(LONG* Value) override { return platform::PropertyGet(FTaxGroup, Value); }
    HRESULT Set_TaxGroup(LONG Value) override { return platform::PropertyPut(FTaxGroup, Value); }
    HRESULT Get_LastSum(double* Value) override { return platform::PropertyGet(FLastSum, Value); }
    HRESULT Set_LastSum(double Value) override { return platform::PropertyPut(FLastSum, Value); }
    HRESULT Get_CountSales(LONG* Value) override {
        return platform::PropertyGet(FCountSales, Value);
    }
    HRESULT Set_CountSales(LONG Value) override {
        return platform::PropertyPut(FCountSales, Value);
    }
    HRESULT Get_DepExists(LONG* Value) override { return platform::PropertyGet(FDepExists, Value); }
    HRESULT Set_DepExists(LONG Value) override { return platform::PropertyPut(FDepExists, Value); }
    HRESULT Get_TotalSum(double* Value) override { return platform::PropertyGet(FTotalSum, Value); }
    HRESULT Set_TotalSum(double Value) override { return platform::PropertyPut(FTotalSum, Value); }

private:
    LONG FDepNom = 0;
    std::string FDepName;
    std::string FDescription;
    LONG FTaxGroup = 0;
    LONG FDepExists = 0;
    double FLastSum = 0;
    double FTotalSum = 0;
    LONG FCountSales = 0;
};
