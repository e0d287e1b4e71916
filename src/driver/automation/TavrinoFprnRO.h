#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "AutoObject.h"
#include "BaseDeviceUnitRO.h"
#include "FileLogger.h"
#include "Kalvora_TLB.h"

inline constexpr int32_t ResOk = 0;
inline constexpr int32_t ResFail = 500;

// The driver object: one instance drives one fiscal printer through one device object. Every
// member runs the same frame (clear the last error, check the device, run, record a failure in
// LastErrorCode/LastErrorMsg and the log); no C++ exception leaves an interface slot.
class TTavrinoFprnRO : public platform::TAutoObject<ITavrinoFprnRO> {
public:
    TTavrinoFprnRO();
    ~TTavrinoFprnRO() override;
    // Sets every field to its value after creation (the class factory calls it).
    void Initialize() override;

    // Connection (TavrinoFprnRO.cpp)
    HRESULT InitRS232(int32_t ComPort, int32_t BaudRate, BSTR Reserved, BSTR LogFile,
                      int32_t* Res) override;
    HRESULT InitTCP(BSTR IPAddress, int32_t PortNo, BSTR Reserved, BSTR LogFile,
                    int32_t* Res) override;
    HRESULT CloseConnection(int32_t* Res) override;
    HRESULT Close(int32_t* Res) override;

    // Receipts (TavrinoFprnRO_Receipt.cpp)
    HRESULT StartBon(int32_t BonType, int32_t CashierNo, BSTR CashierName, BSTR CashierPass,
                     BSTR InvNo, BSTR CustEIK, BSTR SellerName, BSTR CustName, BSTR CustTown,
                     BSTR CustAddress, BSTR CustReciever, int32_t* Res) override;
    HRESULT AddPlu(BSTR PluNo, BSTR PluName, double PluPrice, double PluQuant, int32_t PluVatGrp,
                   double PercDisc, int32_t* Res) override;
    HRESULT AddProgPLU(int32_t PluNo, int32_t DepartNo, double Price, double Qtty, int32_t VATGrp,
                       double PercDisc, int32_t* Res) override;
    HRESULT AddDepartPLU(BSTR PluNumb, BSTR PluName, int32_t DepartNo, double Price, double Qtty,
                         int32_t VATGrp, double PercDisc, int32_t* Res) override;
    HRESULT AddDiscount(int32_t DiscType, double DiscValue, int32_t* Res) override;
    HRESULT AddPayment(int32_t PayType, BSTR PayName, double PaySum, double PayCourse,
                       int32_t* Res) override;
    HRESULT AddLine(BSTR LineText, BSTR CmdParam, int32_t WordWrap, int32_t* Res) override;
    HRESULT EndBon(int32_t* Res) override;
    HRESULT VoidCurrReciept(int32_t* Res) override;
    HRESULT InOutAmnt(double Amnt, int32_t PayType, int32_t* Res) override;

    // Reports and programming (TavrinoFprnRO_Reports.cpp)
    HRESULT RunZReport(int32_t* Res) override;
    HRESULT RunXReport(int32_t* Res) override;
    HRESULT RunFMBlockReport(int32_t StartBlock, int32_t EndBlock, int32_t DoDetailedRep,
                             int32_t* Res) override;
    HRESULT RunFMDateReport(DATE StartDate, DATE EndDate, int32_t DoDetailed,
                            int32_t* Ress) override;
    HRESULT AddBarcode(int32_t BType, BSTR BData, int32_t ShowTxt, int32_t* Res) override;
    HRESULT CopyLastReciept(int32_t* Res) override;
    HRESULT RunPluReport(int32_t* Res) override;
    HRESULT RunDepartReport(int32_t DoReset, int32_t* Res) override;
    HRESULT RunOtherReport(int32_t RepType, int32_t* Res) override;
    HRESULT PrintDiagReciept(int32_t* Res) override;
    HRESULT OpenCashDrw(int32_t* Res) override;
    HRESULT SetPluData(int32_t PluNo, BSTR PluName, int32_t GroupNo, int32_t VATGrp, int32_t AlteID,
                       BSTR AlteName, double AltePrc, double PluPrice, BSTR UnitNm,
                       int32_t* Res) override;
    HRESULT SetDepartData(int32_t DepartNom, BSTR DepartName, int32_t VATGrp, BSTR Description,
                          int32_t* Res) override;
    HRESULT GetAdvLine(int32_t LineNo, BSTR* Res) override;
    HRESULT SetAdvLine(int32_t LineNo, BSTR LineText, int32_t* Res) override;
    HRESULT Get_FPDateTime(DATE* Value) override;
    HRESULT Set_FPDateTime(DATE Value) override;
    HRESULT Get_FPDateAsString(BSTR* Value) override;
    HRESULT Set_FPDateAsString(BSTR Value) override;

    // Status, identity and data objects (TavrinoFprnRO_Info.cpp)
    HRESULT GetPluData(int32_t PluNo, IConfPLUData** Res) override;
    HRESULT GetDepartData(int32_t DepNo, IDepatmentData** Res) override;
    HRESULT GetFPStatus(int32_t* Status, int32_t* Res) override;
    HRESULT GetRecieptStatus(IRecieptData** Res) override;
    HRESULT GetXReportData(IXReportData** Res) override;
    HRESULT Get_FPLineLength(int32_t* Value) override;
    HRESULT Get_FPModel(BSTR* Value) override;
    HRESULT Get_FPSerial(BSTR* Value) override;
    HRESULT Get_FPFiscalNo(BSTR* Value) override;
    HRESULT Get_LastErrorCode(int32_t* Res) override;
    HRESULT Get_LastErrorMsg(BSTR* Value) override;
    HRESULT Get_LastRecieptNo(int32_t* Value) override;
    HRESULT Get_LastInvoiceNo(BSTR* Value) override;
    HRESULT Get_NextInvNom(BSTR* Value) override;
    HRESULT Get_DriverVersion(BSTR* Value) override;
    HRESULT Get_DriverVendor(BSTR* Value) override;

protected:
    // The device of a new connection; tests put a device of their own in its place.
    virtual std::unique_ptr<TBaseDeviceRO> NewDevice(int32_t ComPort, int32_t BaudRate,
                                                     int32_t PortNo, const std::string& IPAddress);

private:
    // The member frame (TavrinoFprnRO_Frame.h). Context is the failure context; a body that
    // composes its context after the connection check assigns it through its reference.
    template <class Body>
    bool Framed(std::string Context, Body&& body);
    // A member with the integer result Res: 500 unless the frame ran to its end.
    template <class Body>
    HRESULT Method(int32_t* Res, std::string Context, Body&& body);
    // A property read in the frame: Value stays zero when the frame fails.
    template <class T, class Body>
    HRESULT Getter(T* Value, std::string Context, Body&& body);
    template <class Body>
    HRESULT TextGetter(BSTR* Value, std::string Context, Body&& body);
    // A member that hands out a new data object once its device reads succeeded, nil otherwise.
    template <class I, class Body>
    HRESULT DataObject(I** Res, const platform::CLSID& Class, const platform::IID& Iid,
                       std::string Context, Body&& body);
    // Runs the text or device part of a receipt member as the table of FBonType says.
    template <class Steps, class TextPart, class DevicePart>
    void ByBonType(const Steps& Table, TextPart&& text, DevicePart&& device);

    void ClearError();
    void LogMessage(const std::string& Text, TLogKind Kind);
    void CheckConnected();
    void HandleError(const std::exception& E, const std::string& Context);
    void CheckPrinterStatus();
    // A device operation that answered False becomes a device error (optionally prefixed).
    void DeviceCheck(bool Ok, const std::string& Prefix = {});
    void CancelWhenReceiptOpen();
    int32_t Init(int32_t ComPort, int32_t BaudRate, int32_t PortNo, const std::string& LogFile,
                 const std::string& IPAddress);

    // Receipt helpers (TavrinoFprnRO_Receipt.cpp)
    void PrintTextLine(const std::string& Text, const std::string& CmdParam = {});
    void UpdateInvoiceRange(const std::string& InvNo);
    void EndBonBody();
    std::string ReceiptEndedBy() const;

    int32_t FLastErrorCode = 0;
    std::string FSerial;
    std::string FModel;
    std::string FFiscalNo;
    std::string FLastErrorMsg;
    std::string FLogFile;
    int32_t FCharPerLine = 0;
    TDataBuffer FStatusBytes;
    std::unique_ptr<TBaseDeviceRO> FDevice;
    TClientData FClientData{};
    int32_t FBonType = 0;
    double FLastQuantity = 0;
    double FLastPrice = 0;
    int32_t FLastVatGroup = 0;
    double FSubTotal = 0;
    double FPaidTotal = 0;
    std::string FLastInvoiceNo = "0";
};
