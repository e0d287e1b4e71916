#include <array>
#include <cmath>

#include "ConstUnit.h"
#include "TavrinoFprnRO.h"
#include "TavrinoFprnRO_Frame.h"

namespace {

// What a member does on the receipt type that StartBon left in FBonType.
enum class TBonStep : uint8_t {
    Nothing,          // succeed without printing
    Text,             // the driver lays the line out on the non-fiscal receipt
    Device,           // the member's device operation
    BlankThenDevice,  // a line with a single blank, then the device operation
};

struct TBonSteps {
    std::array<TBonStep, 7> ByType;  // BonType 0 to 6
    TBonStep Others;

    TBonStep For(int32_t BonType) const {
        return BonType >= 0 && BonType < static_cast<int32_t>(ByType.size()) ? ByType[BonType]
                                                                             : Others;
    }
};

using enum TBonStep;
// clang-format off
//                                     0        1     2       3                4                5                6                others
const TBonSteps AddPluSteps       {{{Nothing, Text, Device, BlankThenDevice, BlankThenDevice, Nothing,         Nothing}},         Nothing};
const TBonSteps AddProgPLUSteps   {{{Nothing, Text, Device, BlankThenDevice, BlankThenDevice, Device,          BlankThenDevice}}, Nothing};
const TBonSteps AddDepartPLUSteps {{{Nothing, Text, Device, Device,          BlankThenDevice, BlankThenDevice, Nothing}},         Nothing};
const TBonSteps AddDiscountSteps  {{{Device,  Text, Device, Device,          Device,          Device,          Device}},          Device};
const TBonSteps AddPaymentSteps   {{{Nothing, Text, Device, Device,          Device,          Device,          Device}},          Nothing};
// clang-format on

// Receipt types whose EndBon prints the invoice client block before closing.
bool PrintsClientBlock(int32_t BonType) {
    return BonType == 3 || BonType == 4 || BonType == 6;
}

// Text attributes of a printed line: control sequences the printer interprets.
struct TLineAttribute {
    const char* Param;
    const char* Start;
};
const TLineAttribute LineAttributes[] = {
    {"BOLD", "^#5;"},
    {"DBWIDTH", "^#3;"},
    {"DBSTRIKE", "^#4;"},
};
const char* const PlainAttribute = "^#2;";

// Sale lines outside 1..8 are sold in group 2.
int32_t SaleVatGroup(int32_t Group) {
    return Group >= 1 && Group <= 8 ? Group : 2;
}

char VatGroupToLetter(int32_t Group) {
    if (Group < 1 || Group > 8) {
        throw ECmdException(201, "VAT no is out of range.");
    }
    return static_cast<char>('A' + Group - 1);
}

// The invoice client block keeps at most 255 characters per field.
std::string ClientField(BSTR Text) {
    return AnsiText(Text).substr(0, 255);
}

// The printer numbers its operators with a 16-bit word: a number beyond it would name another
// operator.
uint16_t OperatorNumber(int32_t CashierNo) {
    if (CashierNo < 0 || CashierNo > UINT16_MAX) {
        throw ECmdException(201, TBaseDevice::ErrorText(201, "[CashierNo]"));
    }
    return static_cast<uint16_t>(CashierNo);
}

}  // namespace

template <class Steps, class TextPart, class DevicePart>
void TTavrinoFprnRO::ByBonType(const Steps& Table, TextPart&& text, DevicePart&& device) {
    switch (Table.For(FBonType)) {
        case Nothing:
            return;
        case Text:
            text();
            return;
        case BlankThenDevice:
            PrintTextLine(" ");
            device();
            return;
        case Device:
            device();
            return;
    }
}

void TTavrinoFprnRO::PrintTextLine(const std::string& Text, const std::string& CmdParam) {
    std::string Line = Text;
    const std::string Param = UpperCase(Trim(CmdParam));
    for (const auto& Attribute : LineAttributes) {
        if (Param == Attribute.Param) {
            Line = Attribute.Start + Text + PlainAttribute;
        }
    }
    DeviceCheck(FBonType == 1 ? FDevice->PrintNonFiscalText(Line) : FDevice->PrintFiscalText(Line));
}

void TTavrinoFprnRO::UpdateInvoiceRange(const std::string& InvNo) {
    try {
        FLastInvoiceNo = "0";
        int64_t Start = 0, End = 0, Current = 0;
        DeviceCheck(FDevice->GetInvoiceRange(false, Start, End, Current));
        FLastInvoiceNo = std::to_string(Current);
        int64_t NewStart = 0;
        // A number that cannot start a range ending one above it is refused like text.
        if (!TryStrToInt64(InvNo, NewStart) || NewStart < 1 ||
            NewStart >= TBaseDevice::MaxInvoiceNo) {
            LogMessage("UpdateInvoiceRange. New inv num \"" + InvNo + "\"is invalid integer value ",
                       lkInfo);
            return;
        }
        if (Current < End) {
            LogMessage(
                "UpdateInvoiceRange. Cant't set new range for invoice. Old range not exhausted",
                lkInfo);
            return;
        }
        int64_t NewEnd = NewStart + 1;
        DeviceCheck(FDevice->SetInvoiceRange(false, NewStart, NewEnd));
        LogMessage("New  range for inv added. From " + std::to_string(NewStart) + " to " +
                       std::to_string(NewEnd),
                   lkInfo);
        FLastInvoiceNo = std::to_string(NewStart);
    } catch (const std::exception& E) {
        throw EAbort(std::string("Update new inv. nom failed. ") + E.what());
    }
}

HRESULT TTavrinoFprnRO::StartBon(int32_t BonType, int32_t CashierNo, BSTR CashierName,
                                 BSTR CashierPass, BSTR InvNo, BSTR CustEIK, BSTR SellerName,
                                 BSTR CustName, BSTR CustTown, BSTR CustAddress, BSTR CustReciever,
                                 int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Name = AnsiText(CashierName), Pass = AnsiText(CashierPass),
                          Inv = AnsiText(InvNo), Seller = AnsiText(SellerName);
        const std::string Context =
            "StartBon fail. BonType=" + std::to_string(BonType) +
            " CashierName=" + QuotedStr(Name) + " CashierPass=" + QuotedStr(Pass) +
            " CashierNo=" + QuotedStr(std::to_string(CashierNo)) + " InvNumber=" + QuotedStr(Inv) +
            " CustEIK=" + QuotedStr(AnsiText(CustEIK)) + " SellerName=" + QuotedStr(Seller) +
            " CustName=" + QuotedStr(AnsiText(CustName)) +
            " CustTown=" + QuotedStr(AnsiText(CustTown)) + ", SellerName: " + Seller +
            " CustAddress=" + QuotedStr(AnsiText(CustAddress)) +
            " CustReciever=" + QuotedStr(AnsiText(CustReciever)) + "Error msg:";
        // The new client block is taken only when the receipt opens, so a failed StartBon cannot
        // put a new customer on an invoice that is still open.
        TClientData Client = FClientData;
        Client.CustName = ClientField(CustName);
        Client.CustEIK = ClientField(CustEIK);
        Client.CustTown = ClientField(CustTown);
        Client.CustAddress = ClientField(CustAddress);
        Client.Spare5.clear();
        Client.CustReciever = ClientField(CustReciever);
        Client.SellerName = ClientField(SellerName);
        Client.Spare8.clear();
        return Method(Res, Context, [&](std::string&) {
            const uint16_t OperNo = OperatorNumber(CashierNo);
            CheckPrinterStatus();
            CancelWhenReceiptOpen();
            std::string Operator =
                Trim(Name).empty() ? "Cashier " + std::to_string(CashierNo) : Name;
            if (static_cast<int64_t>(Operator.size()) > FCharPerLine) {
                Operator.resize(std::max(FCharPerLine, 0));
            }
            if (!FDevice->SetOperatorName(OperNo, Pass, Operator)) {
                LogMessage("[EditOperator]" + FDevice->FLastErrorMsg, lkInfo);
            }
            int32_t AllReceiptNo = 0, FiscReceiptNo = 0;
            switch (BonType) {
                case 1:
                    DeviceCheck(FDevice->OpenNonFiscalReceipt(AllReceiptNo, FiscReceiptNo));
                    break;
                case 2:
                    DeviceCheck(FDevice->OpenFiscalReceipt(OperNo, Pass, 1, false, AllReceiptNo,
                                                           FiscReceiptNo));
                    break;
                case 3:
                case 4:
                    UpdateInvoiceRange(Inv);
                    DeviceCheck(FDevice->OpenFiscalReceipt(OperNo, Pass, 1, true, AllReceiptNo,
                                                           FiscReceiptNo));
                    break;
                default:
                    break;
            }
            FClientData = Client;
            FBonType = BonType;
            FLastVatGroup = 1;
            FSubTotal = 0;
            FPaidTotal = 0;
        });
    });
}

HRESULT TTavrinoFprnRO::AddPlu(BSTR PluNo, BSTR PluName, double PluPrice, double PluQuant,
                               int32_t PluVatGrp, double PercDisc, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string No = AnsiText(PluNo), Name = AnsiText(PluName);
        const std::string Context = "AddPlu fail. Params. Numb=\"" + No + "\"," + " PluName: \"" +
                                    Name + "\"," + " Price: \"" + FloatToStr(PluPrice) + "\"," +
                                    " Quantity: \"" + FloatToStr(PluQuant) + "\"," + " VatGRP: \"" +
                                    std::to_string(PluVatGrp) + "\"," + " PercDisc: \"" +
                                    FloatToStr(PercDisc) + "%\"" + "Error msg:";
        return Method(Res, Context, [&](std::string&) {
            const double Amount = RoundMoney(PluPrice * PluQuant);
            // The Cyrillic group mark of the printer's character set, from the group as given.
            const std::string Mark(1, static_cast<char>(static_cast<uint8_t>(191 + PluVatGrp)));
            const std::string ItemLine =
                PadBetween(Name, AmountText(Amount) + " " + Mark, FCharPerLine);
            FSubTotal += Amount;
            const int32_t Group = SaleVatGroup(PluVatGrp);
            FLastQuantity = PluQuant;
            FLastPrice = PluPrice;
            FLastVatGroup = Group;
            const bool Refund = PluPrice < 0 || PluQuant < 0;
            ByBonType(
                AddPluSteps,
                [&] {
                    PrintTextLine(ItemLine);
                    if (Refund) {
                        PrintTextLine(PadBetween("REFUND", FormatFloat("0.00", PluPrice * PluQuant),
                                                 FCharPerLine));
                    }
                },
                [&] {
                    // The printer takes a refund as a negative price of a positive quantity.
                    const double Price = Refund ? -std::fabs(PluPrice) : PluPrice;
                    const double Qty = Refund ? std::fabs(PluQuant) : PluQuant;
                    DeviceCheck(
                        FDevice->SellItem(No, Name, VatGroupToLetter(Group), Price, Qty, PercDisc));
                });
        });
    });
}

HRESULT TTavrinoFprnRO::AddProgPLU(int32_t PluNo, int32_t DepartNo, double Price, double Qtty,
                                   int32_t VATGrp, double PercDisc, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Context = "AddProgPlu fail. Params. Numb=\"" + std::to_string(PluNo) +
                                    "\"" + " Price= \"" + FloatToStr(Price) + "\"" +
                                    " Quantity= \"" + FloatToStr(Qtty) + "\"" +
                                    " Department No: \"" + std::to_string(DepartNo) + "\"" +
                                    " VatGRP: \"" + std::to_string(VATGrp) + "\"" +
                                    " PercDisc: \"" + FloatToStr(PercDisc) + "%\"" + "Error msg:";
        return Method(Res, Context, [&](std::string&) {
            const int32_t Group = SaleVatGroup(VATGrp);
            TPluData Plu{};
            // A PLU the printer does not know reads as success with number -1 and no letter; it is
            // sold like a failed read, in the argument's group.
            const bool Known = FDevice->GetFPR_Plu(PluNo, Plu) && Plu.PluNo != -1;
            const double ItemPrice = Known ? Plu.Price : Price;
            const char Letter = Known ? Plu.TaxLetter : TaxGroupLetter(Group);
            FLastQuantity = Qtty;
            FLastPrice = ItemPrice;
            FLastVatGroup = TaxLetterNumber(Letter);
            // The subtotal counts the price that is printed, which is the PLU's own.
            const double Amount = RoundMoney(ItemPrice * Qtty);
            FSubTotal += Amount;
            const std::string ItemLine = PadBetween(
                Plu.PluName, AmountText(Amount) + " " + std::string(1, Letter), FCharPerLine);
            ByBonType(
                AddProgPLUSteps,
                [&] {
                    PrintTextLine(ItemLine);
                    if (Qtty < 0) {
                        PrintTextLine(
                            PadBetween("REFUND", FormatFloat("0.00", ItemPrice), FCharPerLine));
                    }
                },
                [&] {
                    DeviceCheck(
                        FDevice->SellProgrammedItem(false, PluNo, DepartNo, Qtty, PercDisc, false));
                });
        });
    });
}

HRESULT TTavrinoFprnRO::AddDepartPLU(BSTR PluNumb, BSTR PluName, int32_t DepartNo, double Price,
                                     double Qtty, int32_t VATGrp, double /*PercDisc*/,
                                     int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Numb = AnsiText(PluNumb), Name = AnsiText(PluName);
        const std::string Context = "AddDepartPLU fail. Params. Numb=\"" + Numb + "\"" +
                                    " PluName= \"" + Name + "\"" + " Price= \"" +
                                    FloatToStr(Price) + "\"" + " Quantity= \"" + FloatToStr(Qtty) +
                                    "\"" + " Department No: \"" + std::to_string(DepartNo) + "\"" +
                                    " VatGRP: \"" + std::to_string(VATGrp) + "\"" + "Error msg:";
        return Method(Res, Context, [&](std::string&) {
            const int32_t Group = SaleVatGroup(VATGrp);
            if (DepartNo < 1 || DepartNo > 100) {
                throw ECmdException(201, "Invalid department No:" + std::to_string(DepartNo) +
                                             ". It has to be between 1 and 100");
            }
            std::string DepName, DepDescription;
            char DepLetter = 0;
            DeviceCheck(FDevice->GetDepartmentName(DepartNo, DepName, DepDescription, DepLetter));
            const char Letter = VatGroupToLetter(Group);
            // The department takes the item's name and group whenever they differ.
            if (UpperCase(Trim(DepName)) != UpperCase(Trim(Name)) || DepLetter != Letter) {
                TDepartmentInfo Dept{};
                Dept.DepNo = DepartNo;
                Dept.TaxLetter = Letter;
                Dept.DepName = Name;
                DeviceCheck(FDevice->SetDepartment(Dept));
            }
            FLastQuantity = Qtty;
            FLastPrice = Price;
            FLastVatGroup = Group;
            const double Amount = RoundMoney(Price * Qtty);
            FSubTotal += Amount;
            const std::string ItemLine =
                PadBetween(Name, AmountText(Amount) + " " + std::string(1, Letter), FCharPerLine);
            ByBonType(
                AddDepartPLUSteps,
                [&] {
                    if (!DepName.empty()) {
                        PrintTextLine(DepName);
                    }
                    PrintTextLine(ItemLine);
                    if (Qtty < 0) {
                        PrintTextLine(
                            PadBetween("REFUND", FormatFloat("0.00", Price), FCharPerLine));
                    }
                },
                [&] {
                    DeviceCheck(FDevice->SellByDepartment(
                        Numb, Name, static_cast<uint8_t>(DepartNo), Price, Qtty, 0));
                });
        });
    });
}

HRESULT TTavrinoFprnRO::AddDiscount(int32_t DiscType, double DiscValue, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Context = "AddDiscount fail. Params. DiscType=\"" +
                                    std::to_string(DiscType) + "\"," + "Price= \"" +
                                    FloatToStr(DiscValue) + "\" " + "Error msg:";
        return Method(Res, Context, [&](std::string&) {
            const std::string Letter(1, VatGroupToLetter(FLastVatGroup));
            const std::string Label = DiscValue >= 0 ? "SERVICE CHARGE" : "DISCOUNT";
            const std::string Percent = FormatFloat("00.00%  ", DiscValue);
            ByBonType(
                AddDiscountSteps,
                [&] {
                    switch (DiscType) {
                        case 1: {  // a percentage of the last item
                            const double Amount =
                                RoundMoney(DiscValue * FLastPrice * FLastQuantity / 100);
                            PrintTextLine(PadBetween(Label + "  " + Percent,
                                                     AmountText(Amount) + " " + Letter,
                                                     FCharPerLine));
                            FSubTotal += Amount;
                            break;
                        }
                        case 2: {  // a percentage of the subtotal
                            PrintTextLine(
                                PadBetween("SUBSUM", AmountText(FSubTotal), FCharPerLine));
                            const double Nudge = DiscValue >= 0 ? 0.001 : -0.001;
                            const double Amount = RoundMoney(DiscValue * FSubTotal / 100 + Nudge);
                            PrintTextLine(DecimalCommas(PadBetween(
                                Label + " " + Percent, FormatFloat("0.00", Amount) + " " + Letter,
                                FCharPerLine)));
                            FSubTotal += Amount;
                            break;
                        }
                        case 3:  // an amount
                            PrintTextLine(DecimalCommas(PadBetween(
                                Label + " ", FormatFloat("0.00", DiscValue) + " " + Letter,
                                FCharPerLine)));
                            FSubTotal += RoundMoney(DiscValue);
                            break;
                        default:
                            throw EAbort("Invalid discount type.");
                    }
                },
                [&] {
                    double SubTotal = 0;
                    TTaxSums TaxSums{};
                    switch (DiscType) {
                        case 1:  // the printer has no discount on the last item alone
                            break;
                        case 2:
                        case 3:
                            DeviceCheck(FDevice->Subtotal(false, DiscType == 3, false, DiscValue,
                                                          SubTotal, TaxSums));
                            break;
                        default:
                            throw EAbort("Invalid discount type.");
                    }
                });
        });
    });
}

HRESULT TTavrinoFprnRO::AddPayment(int32_t PayType, BSTR PayName, double PaySum, double PayCourse,
                                   int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Context =
            "AddPayment fail. Params. PayType=\"" + std::to_string(PayType) + "\"," +
            "PayName= \"" + AnsiText(PayName) + "\", " + "PaySum= \"" + FloatToStr(PaySum) +
            "\", " + "PayCourse= \"" + FloatToStr(PayCourse) + "\". " + "Error msg:";
        return Method(Res, Context, [&](std::string&) {
            const std::string Letter = PayTypeLetter(PayType);
            const double Amount = RoundMoney(PaySum * PayCourse);
            ByBonType(
                AddPaymentSteps,
                [&] {
                    const std::string Rule(std::max(FCharPerLine, 0), '-');
                    if (FPaidTotal == 0) {
                        PrintTextLine(Rule);
                        PrintTextLine(PadBetween("TOTAL", AmountText(FSubTotal), FCharPerLine));
                        PrintTextLine(Rule);
                    }
                    PrintTextLine("Paid " + Letter);
                    PrintTextLine(PadBetween(PayType == 1 ? "Cash" : "Credit", AmountText(Amount),
                                             FCharPerLine));
                    FPaidTotal += Amount;
                    if (CentsAbove(FPaidTotal, FSubTotal)) {
                        PrintTextLine(
                            PadBetween("Change", AmountText(FPaidTotal - FSubTotal), FCharPerLine));
                    }
                },
                [&] {
                    char AnswerCode = 0;
                    double AnswerAmount = 0;
                    DeviceCheck(
                        FDevice->Payment({}, {}, Letter[0], Amount, AnswerCode, AnswerAmount));
                    FPaidTotal += Amount;
                });
        });
    });
}

HRESULT TTavrinoFprnRO::AddLine(BSTR LineText, BSTR CmdParam, int32_t /*WordWrap*/, int32_t* Res) {
    return ArgumentsSlot(Res, [&] {
        const std::string Text = AnsiText(LineText), Param = AnsiText(CmdParam);
        const std::string Context = "AddLine fail. Params. LineText=\"" + Text + "\"," +
                                    "CmdParam= \"" + Param + "\". " + "Error msg:";
        return Method(Res, Context, [&](std::string&) { PrintTextLine(Text, Param); });
    });
}

void TTavrinoFprnRO::EndBonBody() {
    CheckPrinterStatus();
    if (FBonType == 1) {
        int32_t AllReceiptNo = 0;
        DeviceCheck(FDevice->CloseNonFiscalReceipt(AllReceiptNo));
        return;
    }
    bool IsOpen = false;
    int32_t ItemsCount = 0;
    double Amount = 0, Tender = 0;
    DeviceCheck(FDevice->GetReceiptState(true, IsOpen, ItemsCount, Amount, Tender));
    if (!IsOpen) {
        return;
    }
    if (CentsAbove(Amount, Tender)) {
        // The receipt is not closed on the printer's word alone: cancel it and stop here, since
        // nothing is left open to print on or close.
        const std::string Sums =
            "Payments are not enough. TotalSum:" + FormatFloat("0.00##", Amount) +
            "; Tender:" + FormatFloat("0.00##", Tender) + ")";
        if (FDevice->CancelOpenReceipt()) {
            LogMessage(ReceiptEndedBy() + Sums, lkError);
        }
        throw EAbort(Sums);
    }
    if (PrintsClientBlock(FBonType)) {
        DeviceCheck(FDevice->PrintClientData(FClientData));
    }
    int32_t AllReceiptNo = 0, FiscReceiptNo = 0;
    DeviceCheck(FDevice->CloseFiscalReceipt(AllReceiptNo, FiscReceiptNo));
}

// Whether CancelOpenReceipt cancelled the receipt or, unable to, paid the rest and closed it:
// the close (0x38) is then the last command it sent.
std::string TTavrinoFprnRO::ReceiptEndedBy() const {
    const std::string& Frame = FDevice->FLastSentHex;  // "01 LL SS CC ..."
    const bool Closed = Frame.size() >= 11 && Frame.compare(9, 2, "38") == 0;
    return Closed ? "Reciept settled and closed. " : "Reciept canceled. ";
}

HRESULT TTavrinoFprnRO::EndBon(int32_t* Res) {
    const HRESULT Result = Method(Res, "EndBon fail", [&](std::string&) { EndBonBody(); });
    // The driver's receipt ends whatever the printer said.
    FPaidTotal = 0;
    FSubTotal = 0;
    FBonType = 0;
    FLastVatGroup = 1;
    return Result;
}

HRESULT TTavrinoFprnRO::VoidCurrReciept(int32_t* Res) {
    return Method(Res, "VoidCurrentReciept fail",
                  [&](std::string&) { DeviceCheck(FDevice->CancelOpenReceipt()); });
}

HRESULT TTavrinoFprnRO::InOutAmnt(double Amnt, int32_t PayType, int32_t* Res) {
    return Method(Res, {}, [&](std::string& Context) {
        Context = "InOutAmnt fail. Params. PayType=\"" + std::to_string(PayType) + "\"" +
                  " Amnt= \"" + FloatToStr(Amnt) + "\"" + "Error msg:";
        DeviceCheck(FDevice->CashInOut(Amnt));
    });
}
