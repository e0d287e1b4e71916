// Receipt commands: open, sell, pay, close and inspect receipts, cash in and out, the drawer.

#include <cmath>
#include <string>

#include "BaseDeviceCommands.h"
#include "BaseDeviceUnitRO.h"
#include "ConstUnit.h"

namespace {

constexpr TStatusBitCheck OpenNonFiscalChecks[] = {NoPaper, PrinterFault, NonFiscalNotOpen,
                                                   FiscalOpen, ClockNotSet};
constexpr TStatusBitCheck PrintChecks[] = {NoPaper, PrinterFault};
constexpr TStatusBitCheck OpenFiscalChecks[] = {NoPaper,
                                                PrinterFault,
                                                NonFiscalOpen,
                                                FiscalNotOpen,
                                                FiscalMemoryError,
                                                FiscalMemoryFull,
                                                FiscalMemoryEntryFailed,
                                                FiscalMemoryLocked,
                                                ClockNotSet,
                                                TaxTerminalSilent,
                                                JournalEnd};
constexpr TStatusBitCheck SellItemChecks[] = {NoPaper, PrinterFault, NonFiscalOpen, FiscalNotOpen,
                                              JournalEnd};
constexpr TStatusBitCheck SellOtherChecks[] = {NoPaper, NonFiscalOpen, FiscalNotOpen, JournalEnd,
                                               PrinterFault};
constexpr TStatusBitCheck FiscalTextChecks[] = {NoPaper, PrinterFault, NonFiscalOpen,
                                                FiscalNotOpen};
constexpr TStatusBitCheck PaymentChecks[] = {NoPaper, PrinterFault, NonFiscalOpen};
constexpr TStatusBitCheck ClientDataChecks[] = {NoPaper, FiscalNotOpen, NonFiscalOpen};
constexpr TStatusBitCheck CashInOutChecks[] = {NonFiscalOpen, FiscalOpen, NoPaper};
constexpr TStatusBitCheck ReceiptCopyChecks[] = {NoPaper, FiscalOpen, NonFiscalOpen};

constexpr TCommandRule OpenNonFiscalRule{OpenNonFiscalChecks};
constexpr TCommandRule PrintRule{PrintChecks};
constexpr TCommandRule OpenFiscalRule{OpenFiscalChecks};
constexpr TCommandRule SellItemRule{SellItemChecks};
constexpr TCommandRule SellOtherRule{SellOtherChecks};
constexpr TCommandRule FiscalTextRule{FiscalTextChecks};
constexpr TCommandRule PaymentRule{PaymentChecks};
constexpr TCommandRule ClientDataRule{ClientDataChecks};
constexpr TCommandRule CashInOutRule{CashInOutChecks, TGeneralCheck::Full, false, true};
constexpr TCommandRule ReceiptCopyRule{ReceiptCopyChecks};

// Payment letters the printer's payment command accepts.
constexpr char PayModesRO[] = "CDIJKLNP";
constexpr char PayModesBase[] = "CDIJKLMNOPQ";

constexpr char EIKOfUnknownClient[] = "111111110";

std::string Amount2(double Value) {
    return FormatFloat("0.00", Value);
}

// [Text1] [LF Text2]: one or two printed lines before the TAB of a sale or payment.
std::string TwoLineText(const std::string& Text1, const std::string& Text2) {
    std::string Text = OneLineField(Text1);
    if (!Text2.empty()) {
        Text += '\n' + OneLineField(Text2);
    }
    return Text;
}

// Price ["*" quantity] ["," percent] of a sale line.
std::string SaleTail(double Price, double Qty, double Percent) {
    std::string Tail = Amount2(Price);
    if (Qty != 1) {
        Tail += '*' + FormatFloat("0.000", Qty);
    }
    if (Percent != 0) {
        Tail += ',' + Amount2(Percent);
    }
    return Tail;
}

// The answers of the commands that open or close a receipt: the receipt counters.
void ReadAllReceiptNo(TAnswer& Answer, int32_t& AllReceiptNo) {
    Answer.RequireFields(1);
    AllReceiptNo = Answer.Int("[AllReceipt]");
}

void ReadReceiptNumbers(TAnswer& Answer, int32_t& AllReceiptNo, int32_t& FiscReceiptNo) {
    Answer.RequireFields(2);
    AllReceiptNo = Answer.Int("[AllReceipt]");
    FiscReceiptNo = Answer.Int("[FiscReceipt]");
}

// One field of the client block: its text and the width the printer takes.
struct TClientField {
    std::string TClientData::*Field;  // nullptr: an empty field
    size_t Width;
};

constexpr TClientField ClientFieldsRO[] = {{&TClientData::CustEIK, 14},
                                           {&TClientData::SellerName, 26},
                                           {&TClientData::CustReciever, 26},
                                           {&TClientData::CustName, 26}};
constexpr TClientField ClientFieldsBase[] = {{&TClientData::CustEIK, 14},
                                             {nullptr, 0},
                                             {&TClientData::CustReciever, 26},
                                             {&TClientData::CustName, 26},
                                             {&TClientData::Spare1, 14}};

// The client block: the fields in their order, TAB between them, then TAB and the address
// ("town LF street") when there is one.
std::string ClientDataText(const TClientData& Client, std::span<const TClientField> Fields) {
    std::string Text;
    for (size_t i = 0; i < Fields.size(); ++i) {
        if (i > 0) {
            Text += '\t';
        }
        if (Fields[i].Field != nullptr) {
            Text += OneLineField(Client.*Fields[i].Field).substr(0, Fields[i].Width);
        }
    }
    std::string Address = Trim(OneLineField(Client.CustTown));
    if (!Client.CustAddress.empty()) {
        const std::string Street = Trim(OneLineField(Client.CustAddress));
        Address = Address.empty() ? Street : Address + "\n" + Street;
    }
    if (!Address.empty()) {
        Text += "\t" + Address;
    }
    return Text;
}

}  // namespace

bool TBaseDevice::OpenNonFiscalReceipt(int32_t& AllReceiptNo, int32_t& FiscReceiptNo) {
    FiscReceiptNo = 0;
    return Execute(0x26, "", OpenNonFiscalRule, [&](TAnswer& Answer) {
        if (Answer.Text().empty()) {
            throw ECmdException(215, "[2/5]");
        }
        ReadAllReceiptNo(Answer, AllReceiptNo);
    });
}

bool TBaseDevice::CloseNonFiscalReceipt(int32_t& AllReceiptNo) {
    return Execute(0x27, "", PrintRule,
                   [&](TAnswer& Answer) { ReadAllReceiptNo(Answer, AllReceiptNo); });
}

bool TBaseDevice::PrintNonFiscalText(const std::string& Text) {
    return Execute(0x2A, Text, PrintRule);
}

bool TBaseDevice::OpenFiscalReceipt(uint16_t OperNo, const std::string& OperPwd, int32_t TillNo,
                                    bool Invoice, int32_t& AllReceiptNo, int32_t& FiscReceiptNo) {
    int32_t Password = 0;
    if (!OperPwd.empty() && !TryReadInt(OperPwd, Password)) {
        return Refuse("[OperPwd]");
    }
    std::string Payload = std::to_string(OperNo) + "," + OperPwd + "," + std::to_string(TillNo);
    if (Invoice) {
        Payload += ",I";
    }
    return Execute(0x30, Payload, OpenFiscalRule, [&](TAnswer& Answer) {
        if (Answer.Text().empty()) {
            throw ECmdException(217, "[2/3]");
        }
        ReadReceiptNumbers(Answer, AllReceiptNo, FiscReceiptNo);
    });
}

bool TBaseDeviceRO::SellItem(const std::string& Text1, const std::string& Text2, char TaxLetter,
                             double Price, double Qty, double Percent) {
    if (TaxLetter < 'A' || TaxLetter > 'H') {
        return Refuse("[VatGrp]");
    }
    return Execute(0x31,
                   TwoLineText(Text1, Text2) + "\t" + TaxLetter + SaleTail(Price, Qty, Percent),
                   SellItemRule);
}

bool TBaseDeviceRO::SellByDepartment(const std::string& Text1, const std::string& Text2,
                                     uint8_t DepartNo, double Price, double Qty, double Percent) {
    if (Qty == 0) {
        return Refuse("[Qtty]");
    }
    if (DepartNo == 0) {
        return Refuse("[DepartNo]");
    }
    if (Percent < -99 || Percent > 99) {
        return Refuse("[Perc]");
    }
    return Execute(0x31,
                   TwoLineText(Text1, Text2) + "\t" + std::to_string(DepartNo) + "\t" +
                       SaleTail(Price, Qty, Percent),
                   SellOtherRule);
}

bool TBaseDevice::SellProgrammedItem(bool DPrefix, int32_t PluNo, int32_t DepartNo, double Qty,
                                     double Percent, bool IsAmount) {
    if (!IsAmount && (Percent < -99.99 || Percent > 99.99)) {
        return Refuse("[Perc]");
    }
    std::string Payload = DPrefix ? "D" : "";
    Payload += std::to_string(PluNo);
    if (DepartNo > 0) {
        Payload += "\t" + std::to_string(DepartNo) + "\t";
    }
    if (Qty != 1) {
        Payload += "*" + FormatFloat("0.000", Qty);
    }
    if (Percent != 0) {
        Payload += (IsAmount ? ';' : ',') + Amount2(Percent);
    }
    return Execute(0x3A, Payload, SellOtherRule);
}

bool TBaseDevice::Subtotal(bool Print, bool IsAmount, bool WithSums, double Value, double& SubTotal,
                           TTaxSums& TaxSums) {
    SubTotal = 0;
    TaxSums = {};
    std::string Payload = std::string(Print ? "1" : "0") + (WithSums ? "1" : "0");
    if (Value != 0) {
        Payload += (IsAmount ? ';' : ',') + Amount2(Value);
    }
    TAnswerDecoder Decode;
    if (WithSums) {
        Decode = [&](TAnswer& Answer) {
            Answer.RequireFields(8);
            SubTotal = Answer.Amount("[SubTotal]");
            for (size_t i = 0; i < TaxSums.size() && Answer.HasMore(); ++i) {
                TaxSums[i] = Answer.Amount("[VatGRP" + std::to_string(i + 1) + "]");
            }
        };
    }
    return Execute(0x33, Payload, FiscalTextRule, Decode);
}

bool TBaseDevice::SendPayment(const char* PayModes, const std::string& Text1,
                              const std::string& Text2, char PayMode, double Amount,
                              char& AnswerCode, double& AnswerAmount) {
    AnswerAmount = 0;
    if (std::string(PayModes).find(PayMode) == std::string::npos) {
        return Refuse("[PaidMode]");
    }
    const std::string Payload =
        TwoLineText(Text1, Text2) + "\t" + PayMode + (Amount >= 0 ? "+" : "") + Amount2(Amount);
    return Execute(0x35, Payload, PaymentRule, [&](TAnswer& Answer) {
        std::string& Rest = Answer.Rest();
        if (Rest.empty()) {
            throw ECmdException(200, "");
        }
        AnswerCode = Rest[0];
        Rest.erase(0, 2);
        if (AnswerCode == 'E' || AnswerCode == 'F' || AnswerCode == 'I') {
            throw ECmdException(250, std::string("[") + AnswerCode + "]");
        }
        if (Answer.HasMore()) {
            AnswerAmount = Answer.Amount("[Amount2]");
        }
    });
}

bool TBaseDevice::Payment(const std::string& Text1, const std::string& Text2, char PayMode,
                          double Amount, char& AnswerCode, double& AnswerAmount) {
    return SendPayment(PayModesBase, Text1, Text2, PayMode, Amount, AnswerCode, AnswerAmount);
}

bool TBaseDeviceRO::Payment(const std::string& Text1, const std::string& Text2, char PayMode,
                            double Amount, char& AnswerCode, double& AnswerAmount) {
    return SendPayment(PayModesRO, Text1, Text2, PayMode, Amount, AnswerCode, AnswerAmount);
}

bool TBaseDevice::PrintFiscalText(const std::string& Text) {
    return Execute(0x36, Text, FiscalTextRule);
}

bool TBaseDevice::CloseFiscalReceipt(int32_t& AllReceiptNo, int32_t& FiscReceiptNo) {
    return Execute(0x38, "", PaymentRule, [&](TAnswer& Answer) {
        ReadReceiptNumbers(Answer, AllReceiptNo, FiscReceiptNo);
    });
}

bool TBaseDevice::SendClientData(const TClientData& Client, bool RO) {
    if (Trim(Client.CustEIK).empty()) {
        return Refuse("EIK");
    }
    const std::span<const TClientField> Fields =
        RO ? std::span<const TClientField>(ClientFieldsRO) : ClientFieldsBase;
    return Execute(0x39, ClientDataText(Client, Fields), ClientDataRule);
}

bool TBaseDevice::PrintClientData(TClientData Client) {
    return SendClientData(Client, false);
}

bool TBaseDeviceRO::PrintClientData(TClientData Client) {
    return SendClientData(Client, true);
}

bool TBaseDevice::CancelFiscalReceipt() {
    return Execute(0x3C, "", PrintRule);
}

bool TBaseDevice::GetReceiptState(bool TFlag, bool& IsOpen, int32_t& ItemsCount, double& Amount,
                                  double& Tender) {
    return Execute(0x4C, TFlag ? "T" : "", FullCheck, [&](TAnswer& Answer) {
        Answer.RequireFields(3);
        IsOpen = Answer.Int("[Open]") == 1;
        ItemsCount = Answer.Int("[ItemsCount]");
        Amount = Answer.Amount("[Amount]");
        Tender = Answer.HasMore() ? Answer.Amount("[Tender]") : 0;
    });
}

bool TBaseDevice::OpenCashDrawer(uint16_t Value) {
    return Execute(0x6A, std::to_string(Value), FullCheck);
}

bool TBaseDevice::CashInOut(double Amount) {
    return Execute(0x46, Amount2(Amount), CashInOutRule, [&](TAnswer& Answer) {
        Answer.RequireFields(4);
        const std::string Code = Answer.Next();
        // The cash figures are compared and shown as the printer sends them.
        const double CashSum = Answer.Number("[CashSum]");
        Answer.Number("[ServIn]");
        Answer.Number("[ServOut]");
        if (Code == "F") {
            if (Amount < 0 && std::fabs(Amount) > CashSum) {
                throw ECmdException(207, Amount2(CashSum));
            }
            throw ECmdException(206, "");
        }
    });
}

bool TBaseDevice::PrintBarcode(uint32_t BarcodeType, const std::string& Data, bool ShowText) {
    if (BarcodeType < 1 || BarcodeType > 6) {
        return Refuse("[BarcodeType]");
    }
    return Execute(0x54, std::to_string(BarcodeType) + (ShowText ? "," : ";") + Data, PrintRule);
}

bool TBaseDevice::SetOperatorName(uint16_t OperNo, const std::string& OperPwd,
                                  const std::string& OpName) {
    const std::string Name = Trim(OpName);
    if (Name.empty()) {
        return Refuse("[OpName]");
    }
    return Execute(0x66, std::to_string(OperNo) + "," + OperPwd + "," + Name, FullCheckQuiet);
}

bool TBaseDevice::GetReceiptInfo(bool& CanVoid, TTaxSums& TaxSums, bool& Invoice,
                                 int64_t& NextInvNo) {
    return Execute(0x67, "", FullCheck, [&](TAnswer& Answer) {
        Answer.RequireFields(11);
        CanVoid = Answer.Next() == "1";
        for (size_t i = 0; i < TaxSums.size(); ++i) {
            TaxSums[i] = Answer.Amount("[Tax" + std::to_string(i + 1) + "]");
        }
        Invoice = Answer.Next() == "1";
        NextInvNo = Answer.Int64("[NextInvNo]");
    });
}

bool TBaseDevice::GetReceiptTaxTotal(bool& CanVoid, double& Total, bool& Invoice) {
    Total = 0;
    TTaxSums TaxSums{};
    int64_t NextInvNo = 0;
    if (!GetReceiptInfo(CanVoid, TaxSums, Invoice, NextInvNo)) {
        return false;
    }
    for (double Sum : TaxSums) {
        Total += Sum;
    }
    return true;
}

bool TBaseDevice::PrintReceiptCopy() {
    return Execute(0x6D, "1", ReceiptCopyRule);
}

bool TBaseDevice::GetLastReceiptNo(int32_t& ReceiptNo) {
    ReceiptNo = 0;
    return Execute(0x71, "", BasicCheck, [&](TAnswer& Answer) {
        if (!TryReadInt(Answer.Text(), ReceiptNo)) {
            throw ECmdException(201, "");
        }
    });
}

bool TBaseDevice::CancelOpenReceipt() {
    TDataBuffer Status;
    if (!GetStatus(true, Status)) {
        return false;
    }
    if (IsBitSet(Status, 2, 3)) {
        CancelFiscalReceipt();
        // Without a fresh status nobody knows whether the receipt is still open.
        if (!GetStatus(true, Status)) {
            return false;
        }
        if (!IsBitSet(Status, 2, 3)) {
            return true;
        }
        int32_t AllReceiptNo = 0;
        int32_t FiscReceiptNo = 0;
        return CloseFiscalReceipt(AllReceiptNo, FiscReceiptNo) || FPR_CancelAllRec();
    }
    if (IsBitSet(Status, 2, 5)) {
        int32_t AllReceiptNo = 0;
        return CloseNonFiscalReceipt(AllReceiptNo);
    }
    return true;
}

bool TBaseDevice::FPR_CancelAllRec() {
    auto Failed = [this] {
        FLastErrorMsg = "[FPR_CancelAllRecFailed]" + FLastErrorMsg;
        return false;
    };
    bool IsOpen = false;
    int32_t ItemsCount = 0;
    double Amount = 0;
    double Tender = 0;
    if (!GetReceiptState(true, IsOpen, ItemsCount, Amount, Tender)) {
        return Failed();
    }
    if (!IsOpen) {
        return true;
    }
    int32_t AllReceiptNo = 0;
    int32_t FiscReceiptNo = 0;
    const double Difference = Amount - Tender;
    if (std::fabs(Difference) <= 0.005) {
        return CloseFiscalReceipt(AllReceiptNo, FiscReceiptNo);
    }
    bool CanVoid = false;
    bool Invoice = false;
    double Total = 0;
    if (!GetReceiptTaxTotal(CanVoid, Total, Invoice)) {
        return Failed();
    }
    if (CanVoid && CancelFiscalReceipt()) {
        return true;
    }
    // What the payment and the client block answer does not matter: the close below decides.
    char AnswerCode = 0;
    double AnswerAmount = 0;
    TBaseDevice::Payment("", "", 'P', Difference, AnswerCode, AnswerAmount);
    if (Invoice) {
        TClientData Client;
        Client.CustEIK = EIKOfUnknownClient;
        TBaseDevice::PrintClientData(Client);
    }
    if (!CloseFiscalReceipt(AllReceiptNo, FiscReceiptNo)) {
        return Failed();
    }
    return true;
}
