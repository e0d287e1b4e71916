#pragma once

// A driver object for the engine's tests: it records every action call as a line of text, keeps
// a small receipt (sales and payments) for GetRecieptStatus, and fails the members it is told to
// with the driver's result convention (Res 500, LastErrorCode, LastErrorMsg).

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ConstUnit.h"
#include "DepatmentDataUnit.h"
#include "Kalvora_TLB.h"
#include "RecieptDataUnit.h"
#include "XRepDataUnit.h"

class TFakeFprn final : public platform::TAutoObject<ITavrinoFprnRO> {
public:
    TFakeFprn() : TAutoObject(ITavrinoFprnRODesc) {}

    std::vector<std::string> Calls;
    // Member name -> message: that member fails with FailCode and this message.
    std::map<std::string, std::string> FailWith;
    LONG FailCode = 500;
    // Properties whose call itself fails (the server is gone).
    std::set<std::string> Broken;
    // Runs after a member named here succeeded (to change files in the middle of a receipt).
    std::map<std::string, std::function<void()>> After;
    std::string Model = "FP-700", Serial = "DT123456", FiscalNo = "02123456", InvoiceNo = "0";
    LONG LineLength = 42, RecieptNo = 17;
    DATE Clock = 45000.5;
    bool NoReceiptData = false;
    double Total = 0, Payed = 0;
    // The day's sums: what the receipts closed so far sold and took in.
    double DayTotal = 0, DayPayed = 0;
    LONG FPStatus = 0;  // 1: a fault, an open cover or no paper

    // clang-format off
    HRESULT InitRS232(LONG a, LONG b, BSTR c, BSTR d, LONG* Res) override { return Act(Res, "InitRS232", a, b, c, d); }
    HRESULT StartBon(LONG a, LONG b, BSTR c, BSTR d, BSTR e, BSTR f, BSTR g, BSTR h, BSTR i, BSTR j, BSTR k, LONG* Res) override { return Act(Res, "StartBon", a, b, c, d, e, f, g, h, i, j, k); }
    HRESULT AddPlu(BSTR a, BSTR b, double c, double d, LONG e, double f, LONG* Res) override { Total += c * d; return Act(Res, "AddPlu", a, b, c, d, e, f); }
    HRESULT AddDiscount(LONG a, double b, LONG* Res) override { return Act(Res, "AddDiscount", a, b); }
    HRESULT AddPayment(LONG a, BSTR b, double c, double d, LONG* Res) override { Payed += c; return Act(Res, "AddPayment", a, b, c, d); }
    HRESULT AddLine(BSTR a, BSTR b, LONG c, LONG* Res) override { return Act(Res, "AddLine", a, b, c); }
    HRESULT EndBon(LONG* Res) override { HRESULT r = Act(Res, "EndBon"); if (*Res == 0) { DayTotal = Total; DayPayed = Payed; } return r; }
    HRESULT VoidCurrReciept(LONG* Res) override { return Act(Res, "VoidCurrReciept"); }
    HRESULT RunZReport(LONG* Res) override {
        const double total = DayTotal, payed = DayPayed;
        DayTotal = DayPayed = 0;
        const HRESULT r = Act(Res, "RunZReport");
        if (*Res != 0) {
            DayTotal = total, DayPayed = payed;
        }
        return r;
    }
    HRESULT RunXReport(LONG* Res) override { return Act(Res, "RunXReport"); }
    HRESULT RunFMBlockReport(LONG a, LONG b, LONG c, LONG* Res) override { return Act(Res, "RunFMBlockReport", a, b, c); }
    HRESULT RunFMDateReport(DATE a, DATE b, LONG c, LONG* Ress) override { return Act(Ress, "RunFMDateReport", Day(a), Day(b), c); }
    HRESULT AddBarcode(LONG a, BSTR b, LONG c, LONG* Res) override { return Act(Res, "AddBarcode", a, b, c); }
    HRESULT CopyLastReciept(LONG* Res) override { return Act(Res, "CopyLastReciept"); }
    HRESULT RunPluReport(LONG* Res) override { return Act(Res, "RunPluReport"); }
    HRESULT RunDepartReport(LONG a, LONG* Res) override { return Act(Res, "RunDepartReport", a); }
    HRESULT SetPluData(LONG a, BSTR b, LONG c, LONG d, LONG e, BSTR f, double g, double h, BSTR i, LONG* Res) override { return Act(Res, "SetPluData", a, b, c, d, e, f, g, h, i); }
    HRESULT GetPluData(LONG a, IConfPLUData** Res) override { *Res = nullptr; LONG r; return Act(&r, "GetPluData", a); }
    HRESULT SetDepartData(LONG a, BSTR b, LONG c, BSTR d, LONG* Res) override { return Act(Res, "SetDepartData", a, b, c, d); }
    HRESULT GetAdvLine(LONG, BSTR* Res) override { *Res = nullptr; return platform::E_NOTIMPL; }
    HRESULT SetAdvLine(LONG, BSTR, LONG*) override { return platform::E_NOTIMPL; }
    HRESULT GetFPStatus(LONG* Status, LONG* Res) override { *Status = FPStatus; return Act(Res, "GetFPStatus"); }
    HRESULT GetRecieptStatus(IRecieptData** Res) override;
    HRESULT GetXReportData(IXReportData** Res) override;
    HRESULT OpenCashDrw(LONG* Res) override { return Act(Res, "OpenCashDrw"); }
    HRESULT Get_FPDateTime(DATE* Value) override { *Value = Clock; return Read("FPDateTime"); }
    HRESULT Set_FPDateTime(DATE) override { return platform::E_NOTIMPL; }
    HRESULT Get_FPLineLength(LONG* Value) override { *Value = LineLength; return Read("FPLineLength"); }
    HRESULT Get_FPModel(BSTR* Value) override { return Text(Value, Model, "FPModel"); }
    HRESULT Get_FPSerial(BSTR* Value) override { return Text(Value, Serial, "FPSerial"); }
    HRESULT Get_LastErrorCode(LONG* Res) override { *Res = FCode; return platform::S_OK; }
    HRESULT Get_LastErrorMsg(BSTR* Value) override { *Value = platform::AnsiToBSTR(FMsg); return platform::S_OK; }
    HRESULT Get_LastRecieptNo(LONG* Value) override { *Value = RecieptNo; return Read("LastRecieptNo"); }
    HRESULT GetDepartData(LONG a, IDepatmentData** Res) override;
    HRESULT InitTCP(BSTR a, LONG b, BSTR c, BSTR d, LONG* Res) override { return Act(Res, "InitTCP", a, b, c, d); }
    HRESULT AddProgPLU(LONG a, LONG b, double c, double d, LONG e, double f, LONG* Res) override { Total += c * d; return Act(Res, "AddProgPLU", a, b, c, d, e, f); }
    HRESULT AddDepartPLU(BSTR a, BSTR b, LONG c, double d, double e, LONG f, double g, LONG* Res) override { Total += d * e; return Act(Res, "AddDepartPLU", a, b, c, d, e, f, g); }
    HRESULT InOutAmnt(double a, LONG b, LONG* Res) override { return Act(Res, "InOutAmnt", a, b); }
    HRESULT CloseConnection(LONG* Res) override { return Act(Res, "CloseConnection"); }
    HRESULT Get_FPFiscalNo(BSTR* Value) override { return Text(Value, FiscalNo, "FPFiscalNo"); }
    HRESULT Get_LastInvoiceNo(BSTR* Value) override { return Text(Value, InvoiceNo, "LastInvoiceNo"); }
    HRESULT RunOtherReport(LONG a, LONG* Res) override { return Act(Res, "RunOtherReport", a); }
    HRESULT PrintDiagReciept(LONG* Res) override { return Act(Res, "PrintDiagReciept"); }
    HRESULT Get_DriverVersion(BSTR* Value) override { return Text(Value, "Lib. version: 2.6", "DriverVersion"); }
    HRESULT Get_DriverVendor(BSTR* Value) override { return Text(Value, "Maker, example.org", "DriverVendor"); }
    HRESULT Get_NextInvNom(BSTR* Value) override { *Value = nullptr; return platform::E_NOTIMPL; }
    HRESULT Close(LONG* Res) override { return Act(Res, "Close"); }
    HRESULT Get_FPDateAsString(BSTR* Value) override { *Value = nullptr; return platform::E_NOTIMPL; }
    HRESULT Set_FPDateAsString(BSTR) override { return platform::E_NOTIMPL; }
    // clang-format on

private:
    static std::string Arg(LONG V) { return std::to_string(V); }
    static std::string Arg(double V) { return FloatToStr(V); }
    static std::string Arg(const std::string& V) { return V; }
    static std::string Arg(BSTR V) {
        std::string quoted(1, '\'');
        quoted += platform::BSTRToAnsi(V);
        quoted += '\'';
        return quoted;
    }
    static std::string Day(DATE V) { return FormatDateTime("dd.mm.yy", V); }

    // Records the call and answers with the failure it was told to give, if any.
    template <class... Args>
    HRESULT Act(LONG* Res, const char* Name, Args... args) {
        std::string call;
        ((call += ',', call += Arg(args)), ...);
        Calls.push_back(std::string(Name) + "(" + (call.empty() ? "" : call.substr(1)) + ")");
        *Res = Outcome(Name) ? 0 : 500;
        return platform::S_OK;
    }
    // Properties fail like members but are not recorded.
    HRESULT Read(const char* Name) {
        Outcome(Name);
        return Broken.count(Name) != 0 ? platform::E_FAIL : platform::S_OK;
    }
    HRESULT Text(BSTR* Value, const std::string& Shown, const char* Name) {
        *Value = platform::AnsiToBSTR(Shown);
        return Read(Name);
    }
    bool Outcome(const char* Name) {
        const auto fail = FailWith.find(Name);
        FCode = fail == FailWith.end() ? 0 : FailCode;
        FMsg = fail == FailWith.end() ? "" : fail->second;
        if (FCode == 0 && After.count(Name) != 0) {
            After[Name]();
        }
        return FCode == 0;
    }

    LONG FCode = 0;
    std::string FMsg;
};

inline HRESULT TFakeFprn::GetRecieptStatus(IRecieptData** Res) {
    *Res = nullptr;
    LONG res = 0;
    Act(&res, "GetRecieptStatus");
    if (res == 0 && !NoReceiptData) {
        auto* data = new TRecieptData();
        data->Set_TotalAmnt(Total);
        data->Set_TotalPayed(Payed);
        *Res = data;
    }
    return platform::S_OK;
}

// A read, not recorded among the calls.
inline HRESULT TFakeFprn::GetXReportData(IXReportData** Res) {
    *Res = nullptr;
    const HRESULT result = Read("GetXReportData");
    if (FCode == 0 && result == platform::S_OK) {
        auto* data = new TXReportData();
        data->Set_Total(DayTotal);
        data->Set_TotPay1(DayPayed);
        *Res = data;
    }
    return result;
}

inline HRESULT TFakeFprn::GetDepartData(LONG DepNo, IDepatmentData** Res) {
    *Res = nullptr;
    LONG res = 0;
    Act(&res, "GetDepartData", DepNo);
    if (res == 0) {
        auto* data = new TDepatmentData();
        data->Set_DepNom(DepNo);
        data->Set_TaxGroup(3);
        data->Set_DepExists(1);
        *Res = data;
    }
    return platform::S_OK;
}
