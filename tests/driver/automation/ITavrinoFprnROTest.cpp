// The early-bound declaration of ITavrinoFprnRO against its description: a recording object
// is called late-bound for every described member, so each slot must hold the member, the
// parameters and the types that the description gives it.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "Kalvora_TLB.h"

namespace {

using namespace platform;

std::string Text(LONG v) {
    return std::to_string(v);
}
std::string Text(double v) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}
std::string Text(BSTR v) {
    return "'" + BSTRToAnsi(v) + "'";
}
std::string Text(LONG* v) {
    return '&' + std::to_string(*v);
}

class TRecorder final : public TAutoObject<ITavrinoFprnRO> {
public:
    TRecorder() : TAutoObject(ITavrinoFprnRODesc) {}

    std::string log;

    template <class Result, class... Args>
    HRESULT Rec(Result* result, const char* name, Args... args) {
        log = name;
        ((log += " " + Text(args)), ...);
        if constexpr (std::is_same_v<Result, BSTR>) {
            *result = AnsiToBSTR("r");
        } else if constexpr (std::is_pointer_v<Result>) {
            *result = nullptr;
        } else if constexpr (!std::is_void_v<Result>) {
            *result = 7;
        }
        return S_OK;
    }
    HRESULT Rec(std::nullptr_t, const char* name, auto... args) {
        return Rec(static_cast<void*>(nullptr), name, args...);
    }

    // clang-format off
    HRESULT InitRS232(LONG a, LONG b, BSTR c, BSTR d, LONG* Res) override { return Rec(Res, "InitRS232", a, b, c, d); }
    HRESULT StartBon(LONG a, LONG b, BSTR c, BSTR d, BSTR e, BSTR f, BSTR g, BSTR h, BSTR i, BSTR j, BSTR k, LONG* Res) override { return Rec(Res, "StartBon", a, b, c, d, e, f, g, h, i, j, k); }
    HRESULT AddPlu(BSTR a, BSTR b, double c, double d, LONG e, double f, LONG* Res) override { return Rec(Res, "AddPlu", a, b, c, d, e, f); }
    HRESULT AddDiscount(LONG a, double b, LONG* Res) override { return Rec(Res, "AddDiscount", a, b); }
    HRESULT AddPayment(LONG a, BSTR b, double c, double d, LONG* Res) override { return Rec(Res, "AddPayment", a, b, c, d); }
    HRESULT AddLine(BSTR a, BSTR b, LONG c, LONG* Res) override { return Rec(Res, "AddLine", a, b, c); }
    HRESULT EndBon(LONG* Res) override { return Rec(Res, "EndBon"); }
    HRESULT VoidCurrReciept(LONG* Res) override { return Rec(Res, "VoidCurrReciept"); }
    HRESULT RunZReport(LONG* Res) override { return Rec(Res, "RunZReport"); }
    HRESULT RunXReport(LONG* Res) override { return Rec(Res, "RunXReport"); }
    HRESULT RunFMBlockReport(LONG a, LONG b, LONG c, LONG* Res) override { return Rec(Res, "RunFMBlockReport", a, b, c); }
    HRESULT RunFMDateReport(DATE a, DATE b, LONG c, LONG* Ress) override { return Rec(Ress, "RunFMDateReport", a, b, c); }
    HRESULT AddBarcode(LONG a, BSTR b, LONG c, LONG* Res) override { return Rec(Res, "AddBarcode", a, b, c); }
    HRESULT CopyLastReciept(LONG* Res) override { return Rec(Res, "CopyLastReciept"); }
    HRESULT RunPluReport(LONG* Res) override { return Rec(Res, "RunPluReport"); }
    HRESULT RunDepartReport(LONG a, LONG* Res) override { return Rec(Res, "RunDepartReport", a); }
    HRESULT SetPluData(LONG a, BSTR b, LONG c, LONG d, LONG e, BSTR f, double g, double h, BSTR i, LONG* Res) override { return Rec(Res, "SetPluData", a, b, c, d, e, f, g, h, i); }
    HRESULT GetPluData(LONG a, IConfPLUData** Res) override { return Rec(Res, "GetPluData", a); }
    HRESULT SetDepartData(LONG a, BSTR b, LONG c, BSTR d, LONG* Res) override { return Rec(Res, "SetDepartData", a, b, c, d); }
    HRESULT GetAdvLine(LONG a, BSTR* Res) override { return Rec(Res, "GetAdvLine", a); }
    HRESULT SetAdvLine(LONG a, BSTR b, LONG* Res) override { return Rec(Res, "SetAdvLine", a, b); }
    HRESULT GetFPStatus(LONG* Status, LONG* Res) override { Rec(Res, "GetFPStatus", Status); *Status = 99; return S_OK; }
    HRESULT GetRecieptStatus(IRecieptData** Res) override { return Rec(Res, "GetRecieptStatus"); }
    HRESULT GetXReportData(IXReportData** Res) override { return Rec(Res, "GetXReportData"); }
    HRESULT OpenCashDrw(LONG* Res) override { return Rec(Res, "OpenCashDrw"); }
    HRESULT Get_FPDateTime(DATE* Value) override { return Rec(Value, "Get_FPDateTime"); }
    HRESULT Set_FPDateTime(DATE Value) override { return Rec(nullptr, "Set_FPDateTime", Value); }
    HRESULT Get_FPLineLength(LONG* Value) override { return Rec(Value, "Get_FPLineLength"); }
    HRESULT Get_FPModel(BSTR* Value) override { return Rec(Value, "Get_FPModel"); }
    HRESULT Get_FPSerial(BSTR* Value) override { return Rec(Value, "Get_FPSerial"); }
    HRESULT Get_LastErrorCode(LONG* Res) override { return Rec(Res, "Get_LastErrorCode"); }
    HRESULT Get_LastErrorMsg(BSTR* Value) override { return Rec(Value, "Get_LastErrorMsg"); }
    HRESULT Get_LastRecieptNo(LONG* Value) override { return Rec(Value, "Get_LastRecieptNo"); }
    HRESULT GetDepartData(LONG a, IDepatmentData** Res) override { return Rec(Res, "GetDepartData", a); }
    HRESULT InitTCP(BSTR a, LONG b, BSTR c, BSTR d, LONG* Res) override { return Rec(Res, "InitTCP", a, b, c, d); }
    HRESULT AddProgPLU(LONG a, LONG b, double c, double d, LONG e, double f, LONG* Res) override { return Rec(Res, "AddProgPLU", a, b, c, d, e, f); }
    HRESULT AddDepartPLU(BSTR a, BSTR b, LONG c, double d, double e, LONG f, double g, LONG* Res) override { return Rec(Res, "AddDepartPLU", a, b, c, d, e, f, g); }
    HRESULT InOutAmnt(double a, LONG b, LONG* Res) override { return Rec(Res, "InOutAmnt", a, b); }
    HRESULT CloseConnection(LONG* Res) override { return Rec(Res, "CloseConnection"); }
    HRESULT Get_FPFiscalNo(BSTR* Value) override { return Rec(Value, "Get_FPFiscalNo"); }
    HRESULT Get_LastInvoiceNo(BSTR* Value) override { return Rec(Value, "Get_LastInvoiceNo"); }
    HRESULT RunOtherReport(LONG a, LONG* Res) override { return Rec(Res, "RunOtherReport", a); }
    HRESULT PrintDiagReciept(LONG* Res) override { return Rec(Res, "PrintDiagReciept"); }
    HRESULT Get_DriverVersion(BSTR* Value) override { return Rec(Value, "Get_DriverVersion"); }
    HRESULT Get_DriverVendor(BSTR* Value) override { return Rec(Value, "Get_DriverVendor"); }
    HRESULT Get_NextInvNom(BSTR* Value) override { return Rec(Value, "Get_NextInvNom"); }
    HRESULT Close(LONG* Res) override { return Rec(Res, "Close"); }
    HRESULT Get_FPDateAsString(BSTR* Value) override { return Rec(Value, "Get_FPDateAsString"); }
    HRESULT Set_FPDateAsString(BSTR Value) override { return Rec(nullptr, "Set_FPDateAsString", Value); }
    // clang-format on
};

TEST(ITavrinoFprnRO, EverySlotHoldsTheDescribedMember) {
    auto* recorder = static_cast<TRecorder*>(CreateAutoObject<TRecorder>());
    for (const MemberDesc& member : ITavrinoFprnRODesc.members) {
        SCOPED_TRACE(member.name);
        const bool put = member.kind == MemberKind::PropertyPut;
        std::string expected = member.kind == MemberKind::Method ? "" : put ? "Set_" : "Get_";
        expected += member.name;
        std::vector<VARIANT> args(member.params.size());
        LONG status = 5;
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANT& arg = args[args.size() - 1 - i];  // last parameter first
            arg.vt = member.params[i].type;
            switch (arg.vt) {
                case VT_I4:
                    arg.lVal = static_cast<LONG>(10 + i);
                    expected += ' ' + Text(arg.lVal);
                    break;
                case VT_R8:
                case VT_DATE:
                    arg.dblVal = 45000.25 + i;
                    expected += ' ' + Text(arg.dblVal);
                    break;
                case VT_BSTR:
                    arg.bstrVal = AnsiToBSTR('p' + std::to_string(i));
                    expected += ' ' + Text(arg.bstrVal);
                    break;
                default:
                    arg.plVal = &status;
                    expected += ' ' + Text(&status);
            }
        }
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.data(), put ? &named : nullptr, static_cast<UINT>(args.size()),
                          put ? 1u : 0u};
        const WORD flags = member.kind == MemberKind::Method ? DISPATCH_METHOD
                           : put                             ? DISPATCH_PROPERTYPUT
                                                             : DISPATCH_PROPERTYGET;
        VARIANT result;
        VariantInit(&result);
        recorder->log.clear();
        ASSERT_EQ(
            recorder->Invoke(member.dispid, IID_NULL, 0, flags, &params, &result, nullptr, nullptr),
            S_OK);
        EXPECT_EQ(recorder->log, expected);
        EXPECT_EQ(result.vt, member.result.type);
        for (VARIANT& arg : args) {
            if (arg.vt != (VT_BYREF | VT_I4)) {
                VariantClear(&arg);
            }
        }
        VariantClear(&result);
        if (member.params.size() == 1 && member.params[0].type == (VT_BYREF | VT_I4)) {
            EXPECT_EQ(status, 99);  // written back through the reference
        }
    }
    recorder->Release();
}

}  // namespace
