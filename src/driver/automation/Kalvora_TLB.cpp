#include "Kalvora_TLB.h"

using platform::CoClassDesc;
using platform::InterfaceDesc;
using platform::MemberDesc;
using platform::PropertyMembers;
using platform::TypeLibDesc;
using platform::VT_BSTR;
using platform::VT_BYREF;
using platform::VT_DATE;
using platform::VT_DISPATCH;
using platform::VT_I4;
using platform::VT_R8;

namespace {

constexpr platform::MemberKind Method = platform::MemberKind::Method;
constexpr platform::MemberKind Get = platform::MemberKind::PropertyGet;
constexpr platform::MemberKind Put = platform::MemberKind::PropertyPut;

constexpr platform::ParamDesc Res{"Res", VT_I4};
constexpr platform::ParamDesc Value(platform::VARTYPE type) {
    return {"Value", type};
}

constexpr auto kIConfPLUDataMembers = PropertyMembers({
    {7, 201, "PluNo", VT_I4},
    {9, 202, "PluName", VT_BSTR},
    {11, 203, "PluGroup", VT_I4},
    {13, 204, "PluTaxGrp", VT_I4},
    {15, 205, "Price", VT_R8},
    {17, 206, "UnitNm", VT_BSTR},
    {19, 207, "Barcode", VT_BSTR},
    {21, 208, "AlteID", VT_I4},
    {23, 209, "AlteName", VT_BSTR},
    {25, 210, "AltePrc", VT_R8},
});

constexpr auto kIRecieptDataMembers = PropertyMembers({
    {7, 201, "DocNom", VT_I4},
    {9, 202, "IvoiceNo", VT_I4},
    {11, 203, "TotalAmnt", VT_R8},
    {13, 204, "TotalPayed", VT_R8},
    {15, 205, "IsOpen", VT_I4},
});

// The slot order differs from the DISPID order here.
constexpr auto kIDepatmentDataMembers = PropertyMembers({
    {7, 201, "DepNom", VT_I4},
    {9, 202, "DepName", VT_BSTR},
    {11, 203, "Description", VT_BSTR},
    {13, 207, "TaxGroup", VT_I4},
    {15, 208, "LastSum", VT_R8},
    {17, 205, "CountSales", VT_I4},
    {19, 204, "DepExists", VT_I4},
    {21, 206, "TotalSum", VT_R8},
});

constexpr auto kIXReportDataMembers = PropertyMembers({
    {7, 201, "Total", VT_R8},     {9, 202, "TotalVAT", VT_R8}, {11, 203, "TotPay1", VT_R8},
    {13, 204, "TotPay2", VT_R8},  {15, 205, "TotPay3", VT_R8}, {17, 206, "TotPay4", VT_R8},
    {19, 207, "TotPay5", VT_R8},  {21, 208, "TotPay6", VT_R8}, {23, 209, "TotPay7", VT_R8},
    {25, 210, "TotPay8", VT_R8},  {27, 211, "TotPay9", VT_R8}, {29, 212, "TotPay10", VT_R8},
    {31, 213, "TotPay11", VT_R8}, {33, 214, "TotTAXA", VT_R8}, {35, 215, "TotTAXB", VT_R8},
    {37, 216, "TotTAXC", VT_R8},  {39, 217, "TotTAXD", VT_R8}, {41, 218, "TotTAXE", VT_R8},
    {43, 219, "TotTAXF", VT_R8},  {45, 220, "TotTAXG", VT_R8},
});

// In slot order, which is not the DISPID order.
constexpr MemberDesc kITavrinoFprnROMembers[] = {
    {7,
     201,
     Method,
     "InitRS232",
     {{"ComPort", VT_I4}, {"BaudRate", VT_I4}, {"Reserved", VT_BSTR}, {"LogFile", VT_BSTR}},
     Res},
    {8,
     202,
     Method,
     "StartBon",
     {{"BonType", VT_I4},
      {"CashierNo", VT_I4},
      {"CashierName", VT_BSTR},
      {"CashierPass", VT_BSTR},
      {"InvNo", VT_BSTR},
      {"CustEIK", VT_BSTR},
      {"SellerName", VT_BSTR},
      {"CustName", VT_BSTR},
      {"CustTown", VT_BSTR},
      {"CustAddress", VT_BSTR},
      {"CustReciever", VT_BSTR}},
     Res},
    {9,
     203,
     Method,
     "AddPlu",
     {{"PluNo", VT_BSTR},
      {"PluName", VT_BSTR},
      {"PluPrice", VT_R8},
      {"PluQuant", VT_R8},
      {"PluVatGrp", VT_I4},
      {"PercDisc", VT_R8}},
     Res},
    {10, 204, Method, "AddDiscount", {{"DiscType", VT_I4}, {"DiscValue", VT_R8}}, Res},
    {11,
     205,
     Method,
     "AddPayment",
     {{"PayType", VT_I4}, {"PayName", VT_BSTR}, {"PaySum", VT_R8}, {"PayCourse", VT_R8}},
     Res},
    {12,
     206,
     Method,
     "AddLine",
     {{"LineText", VT_BSTR}, {"CmdParam", VT_BSTR}, {"WordWrap", VT_I4}},
     Res},
    {13, 207, Method, "EndBon", {}, Res},
    {14, 208, Method, "VoidCurrReciept", {}, Res},
    {15, 210, Method, "RunZReport", {}, Res},
    {16, 211, Method, "RunXReport", {}, Res},
    {17,
     209,
     Method,
     "RunFMBlockReport",
     {{"StartBlock", VT_I4}, {"EndBlock", VT_I4}, {"DoDetailedRep", VT_I4}},
     Res},
    {18,
     212,
     Method,
     "RunFMDateReport",
     {{"StartDate", VT_DATE}, {"EndDate", VT_DATE}, {"DoDetailed", VT_I4}},
     {"Ress", VT_I4}},
    {19,
     214,
     Method,
     "AddBarcode",
     {{"BType", VT_I4}, {"BData", VT_BSTR}, {"ShowTxt", VT_I4}},
     Res},
    {20, 213, Method, "CopyLastReciept", {}, Res},
    {21, 215, Method, "RunPluReport", {}, Res},
    {22, 216, Method, "RunDepartReport", {{"DoReset", VT_I4}}, Res},
    {23,
     218,
     Method,
     "SetPluData",
     {{"PluNo", VT_I4},
      {"PluName", VT_BSTR},
      {"GroupNo", VT_I4},
      {"VATGrp", VT_I4},
      {"AlteID", VT_I4},
      {"AlteName", VT_BSTR},
      {"AltePrc", VT_R8},
      {"PluPrice", VT_R8},
      {"UnitNm", VT_BSTR}},
     Res},
    {24, 219, Method, "GetPluData", {{"PluNo", VT_I4}}, {"Res", VT_DISPATCH, &IConfPLUDataDesc}},
    {25,
     220,
     Method,
     "SetDepartData",
     {{"DepartNom", VT_I4}, {"DepartName", VT_BSTR}, {"VATGrp", VT_I4}, {"Description", VT_BSTR}},
     Res},
    {26, 222, Method, "GetAdvLine", {{"LineNo", VT_I4}}, {"Res", VT_BSTR}},
    {27, 223, Method, "SetAdvLine", {{"LineNo", VT_I4}, {"LineText", VT_BSTR}}, Res},
    {28, 226, Method, "GetFPStatus", {{"Status", VT_BYREF | VT_I4}}, Res},
    {29, 227, Method, "GetRecieptStatus", {}, {"Res", VT_DISPATCH, &IRecieptDataDesc}},
    {30, 228, Method, "GetXReportData", {}, {"Res", VT_DISPATCH, &IXReportDataDesc}},
    {31, 230, Method, "OpenCashDrw", {}, Res},
    {32, 231, Get, "FPDateTime", {}, Value(VT_DATE)},
    {33, 231, Put, "FPDateTime", {{"", VT_DATE}}, {}},
    {34, 232, Get, "FPLineLength", {}, Value(VT_I4)},
    {35, 233, Get, "FPModel", {}, Value(VT_BSTR)},
    {36, 234, Get, "FPSerial", {}, Value(VT_BSTR)},
    {37, 235, Get, "LastErrorCode", {}, Res},
    {38, 236, Get, "LastErrorMsg", {}, Value(VT_BSTR)},
    {39, 237, Get, "LastRecieptNo", {}, Value(VT_I4)},
    {40,
     217,
     Method,
     "GetDepartData",
     {{"DepNo", VT_I4}},
     {"Res", VT_DISPATCH, &IDepatmentDataDesc}},
    {41,
     221,
     Method,
     "InitTCP",
     {{"IPAddress", VT_BSTR}, {"PortNo", VT_I4}, {"Reserved", VT_BSTR}, {"LogFile", VT_BSTR}},
     Res},
    {42,
     224,
     Method,
     "AddProgPLU",
     {{"PluNo", VT_I4},
      {"DepartNo", VT_I4},
      {"Price", VT_R8},
      {"Qtty", VT_R8},
      {"VATGrp", VT_I4},
      {"PercDisc", VT_R8}},
     Res},
    {43,
     225,
     Method,
     "AddDepartPLU",
     {{"PluNumb", VT_BSTR},
      {"PluName", VT_BSTR},
      {"DepartNo", VT_I4},
      {"Price", VT_R8},
      {"Qtty", VT_R8},
      {"VATGrp", VT_I4},
      {"PercDisc", VT_R8}},
     Res},
    {44, 229, Method, "InOutAmnt", {{"Amnt", VT_R8}, {"PayType", VT_I4}}, Res},
    {45, 238, Method, "CloseConnection", {}, Res},
    {46, 239, Get, "FPFiscalNo", {}, Value(VT_BSTR)},
    {47, 240, Get, "LastInvoiceNo", {}, Value(VT_BSTR)},
    {48, 241, Method, "RunOtherReport", {{"RepType", VT_I4}}, Res},
    {49, 242, Method, "PrintDiagReciept", {}, Res},
    {50, 243, Get, "DriverVersion", {}, Value(VT_BSTR)},
    {51, 244, Get, "DriverVendor", {}, Value(VT_BSTR)},
    {52, 245, Get, "NextInvNom", {}, Value(VT_BSTR)},
    {53, 246, Method, "Close", {}, Res},
    {54, 247, Get, "FPDateAsString", {}, Value(VT_BSTR)},
    {55, 247, Put, "FPDateAsString", {{"", VT_BSTR}}, {}},
};

}  // namespace

constinit const InterfaceDesc ITavrinoFprnRODesc{"ITavrinoFprnRO", IID_ITavrinoFprnRO,
                                                 "Dispatch interface for TavrinoFprnRO Object",
                                                 kITavrinoFprnROMembers};
constinit const InterfaceDesc IConfPLUDataDesc{"IConfPLUData", IID_IConfPLUData,
                                               "Dispatch interface for ConfPLUData Object",
                                               kIConfPLUDataMembers};
constinit const InterfaceDesc IRecieptDataDesc{"IRecieptData", IID_IRecieptData,
                                               "Dispatch interface for RecieptData Object",
                                               kIRecieptDataMembers};
constinit const InterfaceDesc IDepatmentDataDesc{"IDepatmentData", IID_IDepatmentData,
                                                 "Dispatch interface for DepatmentData Object",
                                                 kIDepatmentDataMembers};
constinit const InterfaceDesc IXReportDataDesc{"IXReportData", IID_IXReportData,
                                               "Dispatch interface for XReportData Object",
                                               kIXReportDataMembers};

constinit const CoClassDesc KalvoraCoClasses[5] = {
    {"TavrinoFprnRO", CLASS_TavrinoFprnRO, "TavrinoFprnRO Object", &ITavrinoFprnRODesc},
    {"ConfPLUData", CLASS_ConfPLUData, "ConfPLUData Object", &IConfPLUDataDesc},
    {"RecieptData", CLASS_RecieptData, "RecieptData Object", &IRecieptDataDesc},
    {"DepatmentData", CLASS_DepatmentData, "DepatmentData Object", &IDepatmentDataDesc},
    {"XReportData", CLASS_XReportData, "XReportData Object", &IXReportDataDesc},
};

constinit const TypeLibDesc KalvoraTypeLib{"Kalvora",           LIBID_Kalvora, KalvoraMajorVersion,
                                           KalvoraMinorVersion, 0x409,         "Kalvora Library",
                                           KalvoraCoClasses};
