#pragma once

#include <string>

#include "Kalvora_TLB.h"

// X-report totals per payment type and tax group that GetXReportData fills: a plain property bag,
// every number 0 and every text empty when created.
class TXReportData : public platform::TAutoObject<IXReportData> {
public:
    TXReportData() : TAutoObject(IXReportDataDesc) {}

    HRESULT Get_Total(double* Value) override { return platform::PropertyGet(FTotal, Value); }
    HRESULT Set_Total(double Value) override { return platform::PropertyPut(FTotal, Value); }
    HRESULT Get_TotalVAT(double* Value) override { return platform::PropertyGet(FTotalVAT, Value); }
    HRESULT Set_TotalVAT(double Value) override { return platform::PropertyPut(FTotalVAT, Value); }
    HRESULT Get_TotPay1(double* Value) override { return platform::PropertyGet(FTotPay1, Value); }
    HRESULT Set_TotPay1(double Value) override { return platform::PropertyPut(FTotPay1, Value); }
    HRESULT Get_TotPay2(double* Value) override { return platform::PropertyGet(FTotPay2, Value); }
    HRESULT Set_TotPay2(double Value) override { return platform::PropertyPut(FTotPay2, Value); }
    HRESULT Get_TotPay3(double* Value) override { return platform::PropertyGet(FTotPay3, Value); }
    HRESULT Set_TotPay3(double Value) override { return platform::PropertyPut(FTotPay3, Value); }
    HRESULT Get_TotPay4(double* Value) override { return platform::PropertyGet(FTotPay4, Value); }
    HRESULT Set_TotPay4(double Value) override { return platform::PropertyPut(FTotPay4, Value); }
    HRESULT Get_TotPay5(double* Value) override { return platform::PropertyGet(FTotPay5, Value); }
    HRESULT Set_TotPay5(double Value) override { return platform::PropertyPut(FTotPay5, Value); }
    HRESULT Get_TotPay6(double* Value) override { return platform::PropertyGet(FTotPay6, Value); }
    HRESULT Set_TotPay6(double Value) override { return platform::PropertyPut(FTotPay6, Value); }
    HRESULT Get_TotPay7(double* Value) override { return platform::PropertyGet(FTotPay7, Value); }
    HRESULT Set_TotPay7(double Value) override { return platform::PropertyPut(FTotPay7, Value); }
    HRESULT Get_TotPay8(double* Value) override { return platform::PropertyGet(FTotPay8, Value); }
    HRESULT Set_TotPay8(double Value) override { return platform::PropertyPut(FTotPay8, Value); }
    HRESULT Get_TotPay9(double* Value) override { return platform::PropertyGet(FTotPay9, Value); }
    HRESULT Set_TotPay9(double Value) override { return platform::PropertyPut(FTotPay9, Value); }
    HRESULT Get_TotPay10(double* Value) override { return platform::PropertyGet(FTotPay10, Value); }
    HRESULT Set_TotPay10(double Value) override { return platform::PropertyPut(FTotPay10, Value); }
    HRESULT Get_TotPay11(double* Value) override { return platform::PropertyGet(FTotPay11, Value); }
    HRESULT Set_TotPay11(double Value) override { return platform::PropertyPut(FTotPay11, Value); }
    HRESULT Get_TotTAXA(double* Value) override { return platform::PropertyGet(FTotTAXA, Value); }
    HRESULT Set_TotTAXA(double Value) override { return platform::PropertyPut(FTotTAXA, Value); }
    HRESULT Get_TotTAXB(double* Value) override { return platform::PropertyGet(FTotTAXB, Value); }
    HRESULT Set_TotTAXB(double Value) override { return platform::PropertyPut(FTotTAXB, Value); }
    HRESULT Get_TotTAXC(double* Value) override { return platform::PropertyGet(FTotTAXC, Value); }
    HRESULT Set_TotTAXC(double Value) override { return platform::PropertyPut(FTotTAXC, Value); }
    HRESULT Get_TotTAXD(double* Value) override { return platform::PropertyGet(FTotTAXD, Value); }
    HRESULT Set_TotTAXD(double Value) override { return platform::PropertyPut(FTotTAXD, Value); }
    HRESULT Get_TotTAXE(double* Value) override { return platform::PropertyGet(FTotTAXE, Value); }
    HRESULT Set_TotTAXE(double Value) override { return platform::PropertyPut(FTotTAXE, Value); }
    HRESULT Get_TotTAXF(double* Value) override { return platform::PropertyGet(FTotTAXF, Value); }
    HRESULT Set_TotTAXF(double Value) override { return platform::PropertyPut(FTotTAXF, Value); }
    HRESULT Get_TotTAXG(double* Value) override { return platform::PropertyGet(FTotTAXG, Value); }
    HRESULT Set_TotTAXG(double Value) override { return platform::PropertyPut(FTotTAXG, Value); }

private:
    double FTotal = 0;
    double FTotalVAT = 0;
    double FTotPay1 = 0;
    double FTotPay2 = 0;
    double FTotPay3 = 0;
    double FTotPay4 = 0;
    double FTotPay5 = 0;
    double FTotPay6 = 0;
    double FTotPay7 = 0;
    double FTotPay8 = 0;
    double FTotPay9 = 0;
    double FTotPay10 = 0;
    double FTotPay11 = 0;
    double FTotTAXA = 0;
    double FTotTAXB = 0;
    double FTotTAXC = 0;
    double FTotTAXD = 0;
    double FTotTAXE = 0;
    double FTotTAXF = 0;
    double FTotTAXG = 0;
};
