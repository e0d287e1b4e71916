#pragma once

// The type library Kalvora 2.6: identifiers, the early-bound interfaces and their
// descriptions. The descriptions in Kalvora_TLB.cpp are the one source of slots, DISPIDs,
// kinds and parameters; the interfaces below declare the same slots for early-bound callers.

#include "Automation.h"

using platform::BSTR;
using platform::DATE;
using platform::HRESULT;
using platform::IDispatch;
using platform::LONG;
using platform::operator""_guid;

inline constexpr platform::GUID LIBID_Kalvora = "{567DEE2D-6A8C-4788-9821-0F18DC5D4F29}"_guid;
inline constexpr platform::WORD KalvoraMajorVersion = 2;
inline constexpr platform::WORD KalvoraMinorVersion = 6;

inline constexpr platform::IID IID_ITavrinoFprnRO = "{B9127C84-9720-4A66-9B63-90075FB3F0B2}"_guid;
inline constexpr platform::IID IID_IConfPLUData = "{2D682F88-8F88-497A-8817-D91B7E9E3ED1}"_guid;
inline constexpr platform::IID IID_IRecieptData = "{734B45B0-5E46-457E-BA0C-D233D96D4E1F}"_guid;
inline constexpr platform::IID IID_IDepatmentData = "{C9A71145-DBD1-4484-BF5E-199309FD3ACF}"_guid;
inline constexpr platform::IID IID_IXReportData = "{9004A0B3-9381-4676-9450-7F13DA65C424}"_guid;

inline constexpr platform::CLSID CLASS_TavrinoFprnRO =
    "{840C3396-FFCF-4028-A435-8B1276E89995}"_guid;
inline constexpr platform::CLSID CLASS_ConfPLUData = "{15D81F37-1734-4DCA-BF67-67E1C605CB0B}"_guid;
inline constexpr platform::CLSID CLASS_RecieptData = "{F22B7491-BC91-4DA9-B2CD-E7B157F34C1A}"_guid;
inline constexpr platform::CLSID CLASS_DepatmentData =
    "{4C653718-0DAD-47ED-98A2-A311ACF77D49}"_guid;
inline constexpr platform::CLSID CLASS_XReportData = "{FA75D953-A6D7-4A7A-961B-C003D9B4BDCF}"_guid;

// PLU data returned by GetPluData.
struct IConfPLUData : IDispatch {
    virtual HRESULT Get_PluNo(LONG* Value) = 0;  // slot 7
    virtual HRESULT Set_PluNo(LONG Value) = 0;
    virtual HRESULT Get_PluName(BSTR* Value) = 0;
    virtual HRESULT Set_PluName(BSTR Value) = 0;
    virtual HRESULT Get_PluGroup(LONG* Value) = 0;
    virtual HRESULT Set_PluGroup(LONG Value) = 0;
    virtual HRESULT Get_PluTaxGrp(LONG* Value) = 0;
    virtual HRESULT Set_PluTaxGrp(LONG Value) = 0;
    virtual HRESULT Get_Price(double* Value) = 0;
    virtual HRESULT Set_Price(double Value) = 0;
    virtual HRESULT Get_UnitNm(BSTR* Value) = 0;
    virtual HRESULT Set_UnitNm(BSTR Value) = 0;
    virtual HRESULT Get_Barcode(BSTR* Value) = 0;
    virtual HRESULT Set_Barcode(BSTR Value) = 0;
    virtual HRESULT Get_AlteID(LONG* Value) = 0;
    virtual HRESULT Set_AlteID(LONG Value) = 0;
    virtual HRESULT Get_AlteName(BSTR* Value) = 0;
    virtual HRESULT Set_AlteName(BSTR Value) = 0;
    virtual HRESULT Get_AltePrc(double* Value) = 0;
    virtual HRESULT Set_AltePrc(double Value) = 0;  // slot 26

protected:
    ~IConfPLUData() = default;
};

// Receipt totals and open flag returned by GetRecieptStatus.
struct IRecieptData : IDispatch {
    virtual HRESULT Get_DocNom(LONG* Value) = 0;  // slot 7
    virtual HRESULT Set_DocNom(LONG Value) = 0;
    virtual HRESULT Get_IvoiceNo(LONG* Value) = 0;
    virtual HRESULT Set_IvoiceNo(LONG Value) = 0;
    virtual HRESULT Get_TotalAmnt(double* Value) = 0;
    virtual HRESULT Set_TotalAmnt(double Value) = 0;
    virtual HRESULT Get_TotalPayed(double* Value) = 0;
    virtual HRESULT Set_TotalPayed(double Value) = 0;
    virtual HRESULT Get_IsOpen(LONG* Value) = 0;
    virtual HRESULT Set_IsOpen(LONG Value) = 0;  // slot 16

protected:
    ~IRecieptData() = default;
};

// Department data and sums returned by GetDepartData.
struct IDepatmentData : IDispatch {
    virtual HRESULT Get_DepNom(LONG* Value) = 0;  // slot 7
    virtual HRESULT Set_DepNom(LONG Value) = 0;
    virtual HRESULT Get_DepName(BSTR* Value) = 0;
    virtual HRESULT Set_DepName(BSTR Value) = 0;
    virtual HRESULT Get_Description(BSTR* Value) = 0;
    virtual HRESULT Set_Description(BSTR Value) = 0;
    virtual HRESULT Get_TaxGroup(LONG* Value) = 0;
    virtual HRESULT Set_TaxGroup(LONG Value) = 0;
    virtual HRESULT Get_LastSum(double* Value) = 0;
    virtual HRESULT Set_LastSum(double Value) = 0;
    virtual HRESULT Get_CountSales(LONG* Value) = 0;
    virtual HRESULT Set_CountSales(LONG Value) = 0;
    virtual HRESULT Get_DepExists(LONG* Value) = 0;
    virtual HRESULT Set_DepExists(LONG Value) = 0;
    virtual HRESULT Get_TotalSum(double* Value) = 0;
    virtual HRESULT Set_TotalSum(double Value) = 0;  // slot 22

protected:
    ~IDepatmentData() = default;
};

// X-report totals per payment type and tax group returned by GetXReportData.
struct IXReportData : IDispatch {
    virtual HRESULT Get_Total(double* Value) = 0;  // slot 7
    virtual HRESULT Set_Total(double Value) = 0;
    virtual HRESULT Get_TotalVAT(double* Value) = 0;
    virtual HRESULT Set_TotalVAT(double Value) = 0;
    virtual HRESULT Get_TotPay1(double* Value) = 0;  // slot 11
    virtual HRESULT Set_TotPay1(double Value) = 0;
    virtual HRESULT Get_TotPay2(double* Value) = 0;
    virtual HRESULT Set_TotPay2(double Value) = 0;
    virtual HRESULT Get_TotPay3(double* Value) = 0;
    virtual HRESULT Set_TotPay3(double Value) = 0;
    virtual HRESULT Get_TotPay4(double* Value) = 0;
    virtual HRESULT Set_TotPay4(double Value) = 0;
    virtual HRESULT Get_TotPay5(double* Value) = 0;
    virtual HRESULT Set_TotPay5(double Value) = 0;
    virtual HRESULT Get_TotPay6(double* Value) = 0;
    virtual HRESULT Set_TotPay6(double Value) = 0;
    virtual HRESULT Get_TotPay7(double* Value) = 0;
    virtual HRESULT Set_TotPay7(double Value) = 0;
    virtual HRESULT Get_TotPay8(double* Value) = 0;
    virtual HRESULT Set_TotPay8(double Value) = 0;
    virtual HRESULT Get_TotPay9(double* Value) = 0;
    virtual HRESULT Set_TotPay9(double Value) = 0;
    virtual HRESULT Get_TotPay10(double* Value) = 0;
    virtual HRESULT Set_TotPay10(double Value) = 0;
    virtual HRESULT Get_TotPay11(double* Value) = 0;
    virtual HRESULT Set_TotPay11(double Value) = 0;
    virtual HRESULT Get_TotTAXA(double* Value) = 0;  // slot 33
    virtual HRESULT Set_TotTAXA(double Value) = 0;
    virtual HRESULT Get_TotTAXB(double* Value) = 0;
    virtual HRESULT Set_TotTAXB(double Value) = 0;
    virtual HRESULT Get_TotTAXC(double* Value) = 0;
    virtual HRESULT Set_TotTAXC(double Value) = 0;
    virtual HRESULT Get_TotTAXD(double* Value) = 0;
    virtual HRESULT Set_TotTAXD(double Value) = 0;
    virtual HRESULT Get_TotTAXE(double* Value) = 0;
    virtual HRESULT Set_TotTAXE(double Value) = 0;
    virtual HRESULT Get_TotTAXF(double* Value) = 0;
    virtual HRESULT Set_TotTAXF(double Value) = 0;
    virtual HRESULT Get_TotTAXG(double* Value) = 0;
    virtual HRESULT Set_TotTAXG(double Value) = 0;  // slot 46

protected:
    ~IXReportData() = default;
};

// The driver object's interface. Every action member ends with its result Res (0 success,
// 500 failure); the HRESULT reports only failures of the call itself.
struct ITavrinoFprnRO : IDispatch {
    virtual HRESULT InitRS232(LONG ComPort, LONG BaudRate, BSTR Reserved, BSTR LogFile,
                              LONG* Res) = 0;  // slot 7
    virtual HRESULT StartBon(LONG BonType, LONG CashierNo, BSTR CashierName, BSTR CashierPass,
                             BSTR InvNo, BSTR CustEIK, BSTR SellerName, BSTR CustName,
                             BSTR CustTown, BSTR CustAddress, BSTR CustReciever, LONG* Res) = 0;
    virtual HRESULT AddPlu(BSTR PluNo, BSTR PluName, double PluPrice, double PluQuant,
                           LONG PluVatGrp, double PercDisc, LONG* Res) = 0;
    virtual HRESULT AddDiscount(LONG DiscType, double DiscValue, LONG* Res) = 0;
    virtual HRESULT AddPayment(LONG PayType, BSTR PayName, double PaySum, double PayCourse,
                               LONG* Res) = 0;
    virtual HRESULT AddLine(BSTR LineText, BSTR CmdParam, LONG WordWrap, LONG* Res) = 0;
    virtual HRESULT EndBon(LONG* Res) = 0;
    virtual HRESULT VoidCurrReciept(LONG* Res) = 0;
    virtual HRESULT RunZReport(LONG* Res) = 0;  // slot 15
    virtual HRESULT RunXReport(LONG* Res) = 0;
    virtual HRESULT RunFMBlockReport(LONG StartBlock, LONG EndBlock, LONG DoDetailedRep,
                                     LONG* Res) = 0;
    virtual HRESULT RunFMDateReport(DATE StartDate, DATE EndDate, LONG DoDetailed, LONG* Ress) = 0;
    virtual HRESULT AddBarcode(LONG BType, BSTR BData, LONG ShowTxt, LONG* Res) = 0;
    virtual HRESULT CopyLastReciept(LONG* Res) = 0;  // slot 20
    virtual HRESULT RunPluReport(LONG* Res) = 0;
    virtual HRESULT RunDepartReport(LONG DoReset, LONG* Res) = 0;
    virtual HRESULT SetPluData(LONG PluNo, BSTR PluName, LONG GroupNo, LONG VATGrp, LONG AlteID,
                               BSTR AlteName, double AltePrc, double PluPrice, BSTR UnitNm,
                               LONG* Res) = 0;
    virtual HRESULT GetPluData(LONG PluNo, IConfPLUData** Res) = 0;
    virtual HRESULT SetDepartData(LONG DepartNom, BSTR DepartName, LONG VATGrp, BSTR Description,
                                  LONG* Res) = 0;  // slot 25
    virtual HRESULT GetAdvLine(LONG LineNo, BSTR* Res) = 0;
    virtual HRESULT SetAdvLine(LONG LineNo, BSTR LineText, LONG* Res) = 0;
    virtual HRESULT GetFPStatus(LONG* Status, LONG* Res) = 0;
    virtual HRESULT GetRecieptStatus(IRecieptData** Res) = 0;
    virtual HRESULT GetXReportData(IXReportData** Res) = 0;  // slot 30
    virtual HRESULT OpenCashDrw(LONG* Res) = 0;
    virtual HRESULT Get_FPDateTime(DATE* Value) = 0;
    virtual HRESULT Set_FPDateTime(DATE Value) = 0;
    virtual HRESULT Get_FPLineLength(LONG* Value) = 0;
    virtual HRESULT Get_FPModel(BSTR* Value) = 0;  // slot 35
    virtual HRESULT Get_FPSerial(BSTR* Value) = 0;
    virtual HRESULT Get_LastErrorCode(LONG* Res) = 0;
    virtual HRESULT Get_LastErrorMsg(BSTR* Value) = 0;
    virtual HRESULT Get_LastRecieptNo(LONG* Value) = 0;
    virtual HRESULT GetDepartData(LONG DepNo, IDepatmentData** Res) = 0;  // slot 40
    virtual HRESULT InitTCP(BSTR IPAddress, LONG PortNo, BSTR Reserved, BSTR LogFile,
                            LONG* Res) = 0;
    virtual HRESULT AddProgPLU(LONG PluNo, LONG DepartNo, double Price, double Qtty, LONG VATGrp,
                               double PercDisc, LONG* Res) = 0;
    virtual HRESULT AddDepartPLU(BSTR PluNumb, BSTR PluName, LONG DepartNo, double Price,
                                 double Qtty, LONG VATGrp, double PercDisc, LONG* Res) = 0;
    virtual HRESULT InOutAmnt(double Amnt, LONG PayType, LONG* Res) = 0;
    virtual HRESULT CloseConnection(LONG* Res) = 0;  // slot 45
    virtual HRESULT Get_FPFiscalNo(BSTR* Value) = 0;
    virtual HRESULT Get_LastInvoiceNo(BSTR* Value) = 0;
    virtual HRESULT RunOtherReport(LONG RepType, LONG* Res) = 0;
    virtual HRESULT PrintDiagReciept(LONG* Res) = 0;
    virtual HRESULT Get_DriverVersion(BSTR* Value) = 0;  // slot 50
    virtual HRESULT Get_DriverVendor(BSTR* Value) = 0;
    virtual HRESULT Get_NextInvNom(BSTR* Value) = 0;
    virtual HRESULT Close(LONG* Res) = 0;
    virtual HRESULT Get_FPDateAsString(BSTR* Value) = 0;
    virtual HRESULT Set_FPDateAsString(BSTR Value) = 0;  // slot 55

protected:
    ~ITavrinoFprnRO() = default;
};

extern const platform::InterfaceDesc ITavrinoFprnRODesc;
extern const platform::InterfaceDesc IConfPLUDataDesc;
extern const platform::InterfaceDesc IRecieptDataDesc;
extern const platform::InterfaceDesc IDepatmentDataDesc;
extern const platform::InterfaceDesc IXReportDataDesc;

// The classes in the order TavrinoFprnRO, ConfPLUData, RecieptData, DepatmentData, XReportData.
extern const platform::CoClassDesc KalvoraCoClasses[5];
extern const platform::TypeLibDesc KalvoraTypeLib;
