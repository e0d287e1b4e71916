#pragma once

#include <string>

#include "Kalvora_TLB.h"

// Receipt totals and open flag that GetRecieptStatus fills: a plain property bag, every number 0
// and every text empty when created.
class TRecieptData : public platform::TAutoObject<IRecieptData> {
public:
    TRecieptData() : TAutoObject(IRecieptDataDesc) {}

    HRESULT Get_DocNom(LONG* Value) override { return platform::PropertyGet(FDocNom, Value); }
    HRESULT Set_DocNom(LONG Value) override { return platform::PropertyPut(FDocNom, Value); }
    HRESULT Get_IvoiceNo(LONG* Value) override { return platform::PropertyGet(FIvoiceNo, Value); }
    HRESULT Set_IvoiceNo(LONG Value) override { return platform::PropertyPut(FIvoiceNo, Value); }
    HRESULT Get_TotalAmnt(double* Value) override {
        return platform::PropertyGet(FTotalAmnt, Value);
    }
    HRESULT Set_TotalAmnt(double Value) override {
        return platform::PropertyPut(FTotalAmnt, Value);
    }
    HRESULT Get_TotalPayed(double* Value) override {
        return platform::PropertyGet(FTotalPayed, Value);
    }
    HRESULT Set_TotalPayed(double Value) override {
        return platform::PropertyPut(FTotalPayed, Value);
    }
    HRESULT Get_IsOpen(LONG* Value) override { return platform::PropertyGet(FIsOpen, Value); }
    HRESULT Set_IsOpen(LONG Value) override { return platform::PropertyPut(FIsOpen, Value); }

private:
    LONG FDocNom = 0;
    LONG FIvoiceNo = 0;
    LONG FIsOpen = 0;
    double FTotalAmnt = 0;
    double FTotalPayed = 0;
};
