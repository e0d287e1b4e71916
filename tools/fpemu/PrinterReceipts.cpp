// Receipts, sales, payments and cash: commands 0x26 to 0x3C, 0x46, 0x4C, 0x54, 0x66 to 0x71.

#include <cstdlib>

#include "Money.h"
#include "Printer.h"

namespace fpemu {

namespace {

// The largest amount a receipt or a drawer holds, in hundredths.
constexpr int64_t kMaxAmount = 9'999'999'999;
constexpr int64_t kOneQuantity = 1000;
constexpr int64_t kMaxPercent = 9999;  // 99.99 %

std::string Amount(int64_t hundredths) {
    return FormatFixed(hundredths, 2);
}

bool IsPrintable(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20) {
            return false;
        }
    }
    return true;
}

int64_t NumberOrSyntax(const std::string& text, int decimals, bool& ok) {
    int64_t value = 0;
    ok = ok && ParseFixed(text, decimals, value);
    return value;
}

}  // namespace

void Printer::PrintLines(const std::string& text) {
    for (const std::string& line : Split(text, '\n')) {
        Print(line);
    }
}

std::string Printer::OpenNonFiscal(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    RequirePaper();
    RequireNoReceipt();
    ++state_.allReceiptNo;
    state_.receipt = Receipt{};
    state_.receipt.kind = Receipt::Kind::NonFiscal;
    PrintHeader();
    Print("NON-FISCAL RECEIPT");
    return std::to_string(state_.allReceiptNo);
}

std::string Printer::CloseNonFiscal(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    if (state_.receipt.kind != Receipt::Kind::NonFiscal) {
        NotAllowed();
    }
    RequirePaper();
    Print("END OF NON-FISCAL RECEIPT");
    state_.receipt = Receipt{};
    state_.lastClosedNo = state_.allReceiptNo;
    return std::to_string(state_.allReceiptNo);
}

std::string Printer::PrintNonFiscalText(const std::string& data) {
    if (state_.receipt.kind != Receipt::Kind::NonFiscal) {
        NotAllowed();
    }
    RequirePaper();
    PrintLines(data);
    return {};
}

std::string Printer::OpenFiscal(const std::string& data) {
    const std::vector<std::string> fields = Split(data, ',');
    int64_t operatorNo = 0, till = 0, password = 0;
    if (fields.size() < 3 || fields.size() > 4 || !ParseInt(fields[0], operatorNo) ||
        operatorNo < 1 || operatorNo > kOperators ||
        (!fields[1].empty() && !ParseInt(fields[1], password)) || !ParseInt(fields[2], till) ||
        till < 1 || (fields.size() == 4 && fields[3] != "I")) {
        SyntaxError();
    }
    const bool invoice = fields.size() == 4;
    RequirePaper();
    RequireFiscalMemory();
    if (persistent_[0] & 0x04) {  // [0/2] the clock is not set
        Refuse();
    }
    RequireNoReceipt();
    const Operator& cashier = state_.operators[operatorNo - 1];
    if ((!cashier.password.empty() && cashier.password != fields[1]) ||
        (invoice && state_.invoiceNext > state_.invoiceEnd)) {
        NotAllowed();
    }
    ++state_.allReceiptNo;
    ++state_.fiscalReceiptNo;
    state_.receipt = Receipt{};
    state_.receipt.kind = Receipt::Kind::Fiscal;
    state_.receipt.invoice = invoice;
    state_.receipt.invoiceNo = invoice ? state_.invoiceNext : 0;
    state_.receipt.operatorNo = static_cast<int>(operatorNo);
    PrintHeader();
    Print(invoice ? "INVOICE " + std::to_string(state_.invoiceNext) : "FISCAL RECEIPT");
    Print("OPERATOR " + std::to_string(operatorNo) + " " + cashier.name);
    return std::to_string(state_.allReceiptNo) + "," + std::to_string(state_.fiscalReceiptNo);
}

Printer::Adjusted Printer::Adjustment(const std::string& text, int64_t base) const {
    Adjusted adjusted;
    if (text.empty()) {
        return adjusted;
    }
    int64_t value = 0;
    if (!ParseFixed(text.substr(1), 2, value)) {
        SyntaxError();
    }
    if (text[0] == ',') {
        if (value < -kMaxPercent || value > kMaxPercent) {
            SyntaxError();
        }
        adjusted.amount = RoundDiv(static_cast<__int128>(base) * value, 10000);
        adjusted.label = (value < 0 ? "DISCOUNT " : "SURCHARGE ") + Amount(value) + "%";
    } else if (text[0] == ';') {
        adjusted.amount = value;
        adjusted.label = value < 0 ? "DISCOUNT" : "SURCHARGE";
    } else {
        SyntaxError();
    }
    // A discount never turns what it reduces around.
    if ((base >= 0 && base + adjusted.amount < 0) || (base < 0 && adjusted.amount != 0)) {
        NotAllowed();
    }
    return adjusted;
}

void Printer::AddSale(const std::string& texts, char letter, int64_t price, int64_t qty,
                      const std::string& adjustment, Department* department) {
    if (qty == 0) {
        SyntaxError();
    }
    RequirePaper();
    RequireFiscal();
    Receipt& receipt = state_.receipt;
    if (!receipt.tenders.empty()) {
        NotAllowed();  // no sales once the payment has begun
    }
    const int64_t amount = RoundDiv(static_cast<__int128>(price) * qty, kOneQuantity);
    const Adjusted adjusted = Adjustment(adjustment, amount);
    const int64_t line = amount + adjusted.amount;
    const int group = letter - 'A';
    if (receipt.groups[group] + line < 0) {
        NotAllowed();  // a correction of more than was sold
    }
    if (std::llabs(receipt.total + line) > kMaxAmount || std::llabs(line) > kMaxAmount) {
        throw Refusal{1, 0};  // [1/0] overflow
    }
    ++receipt.items;
    receipt.total += line;
    receipt.groups[group] += line;
    if (department != nullptr) {
        ++department->dayCount;
        department->daySum += line;
        ++department->count;
        department->sum += line;
    }
    if (qty != kOneQuantity) {
        Print(FormatFixed(qty, 3) + " x " + Amount(price));
    }
    std::vector<std::string> lines = Split(texts, '\n');
    const std::string last = lines.back();
    lines.pop_back();
    for (const std::string& text : lines) {
        Print(text);
    }
    Print(PadBetween(last, Amount(amount) + " " + letter, state_.lineWidth));
    if (!adjustment.empty()) {
        Print(PadBetween(adjusted.label, Amount(adjusted.amount), state_.lineWidth));
    }
}

// [Text1][LF Text2] TAB (letter | department TAB) price [*qty] [,percent | ;amount]
std::string Printer::Sell(const std::string& data) {
    const size_t tab = data.find('\t');
    if (tab == std::string::npos || tab + 1 >= data.size()) {
        SyntaxError();
    }
    const std::string texts = data.substr(0, tab);
    std::string rest = data.substr(tab + 1);
    char letter = 0;
    Department* department = nullptr;
    if (rest[0] >= 'A' && rest[0] <= 'Z') {
        letter = TaxLetter(rest.substr(0, 1));
        rest.erase(0, 1);
    } else {
        const size_t second = rest.find('\t');
        int64_t number = 0;
        if (second == std::string::npos || !ParseInt(rest.substr(0, second), number) ||
            number < 1 || number > kDepartments) {
            SyntaxError();
        }
        rest.erase(0, second + 1);
        const auto found = state_.departments.find(static_cast<int>(number));
        if (found == state_.departments.end()) {
            NotAllowed();
        }
        department = &found->second;
        letter = department->taxLetter;
    }
    const size_t adjustmentAt = rest.find_first_of(",;");
    const std::string adjustment =
        adjustmentAt == std::string::npos ? std::string() : rest.substr(adjustmentAt);
    const std::vector<std::string> priceAndQty = Split(rest.substr(0, adjustmentAt), '*');
    bool ok = priceAndQty.size() <= 2;
    const int64_t price = NumberOrSyntax(priceAndQty[0], 2, ok);
    const int64_t qty =
        priceAndQty.size() == 2 ? NumberOrSyntax(priceAndQty[1], 3, ok) : kOneQuantity;
    const std::vector<std::string> lines = Split(texts, '\n');
    for (const std::string& line : lines) {
        ok = ok && IsPrintable(line);
    }
    if (!ok || lines.size() > 2) {
        SyntaxError();
    }
    AddSale(texts, letter, price, qty, adjustment, department);
    return {};
}

// PluNo [TAB department TAB] [*qty] [,percent | ;amount]; the price is the programmed one.
std::string Printer::SellPlu(const std::string& data) {
    const size_t end = data.find_first_of("\t*,;");
    std::string rest = end == std::string::npos ? std::string() : data.substr(end);
    int64_t pluNo = 0;
    if (!ParseInt(data.substr(0, end), pluNo) || pluNo < 1) {
        SyntaxError();
    }
    Department* department = nullptr;
    if (!rest.empty() && rest[0] == '\t') {
        const size_t second = rest.find('\t', 1);
        int64_t number = 0;
        if (second == std::string::npos || !ParseInt(rest.substr(1, second - 1), number) ||
            number < 1 || number > kDepartments) {
            SyntaxError();
        }
        rest.erase(0, second + 1);
        // The sale counts for the department when it is programmed.
        if (auto found = state_.departments.find(static_cast<int>(number));
            found != state_.departments.end()) {
            department = &found->second;
        }
    }
    int64_t qty = kOneQuantity;
    if (!rest.empty() && rest[0] == '*') {
        const size_t adjustmentAt = rest.find_first_of(",;");
        bool ok = true;
        qty = NumberOrSyntax(rest.substr(1, adjustmentAt - 1), 3, ok);
        if (!ok) {
            SyntaxError();
        }
        rest = adjustmentAt == std::string::npos ? std::string() : rest.substr(adjustmentAt);
    }
    const auto plu = state_.plus.find(static_cast<int>(pluNo));
    if (plu == state_.plus.end()) {
        NotAllowed();
    }
    AddSale(plu->second.name, plu->second.taxLetter, plu->second.price, qty, rest, department);
    return {};
}

// Spreads a subtotal adjustment over the tax groups in proportion to their sums.
void Printer::Spread(int64_t amount) {
    Receipt& receipt = state_.receipt;
    const int64_t base = receipt.total;
    int lastGroup = -1;
    int64_t spread = 0;
    for (int g = 0; g < kTaxGroups; ++g) {
        if (receipt.groups[g] > 0) {
            const int64_t share = RoundDiv(static_cast<__int128>(amount) * receipt.groups[g], base);
            receipt.groups[g] += share;
            spread += share;
            lastGroup = g;
        }
    }
    receipt.groups[lastGroup] += amount - spread;
    receipt.total += amount;
}

// Print and display flags ("1" or "0"), then an optional adjustment of the whole receipt.
std::string Printer::Subtotal(const std::string& data) {
    if (data.size() < 2 || (data[0] != '0' && data[0] != '1') ||
        (data[1] != '0' && data[1] != '1')) {
        SyntaxError();
    }
    const std::string adjustment = data.substr(2);
    RequireFiscal();
    Receipt& receipt = state_.receipt;
    Adjusted adjusted;
    if (!adjustment.empty()) {
        RequirePaper();
        if (receipt.total <= 0 || !receipt.tenders.empty()) {
            NotAllowed();
        }
        adjusted = Adjustment(adjustment, receipt.total);
    }
    if (data[0] == '1') {
        RequirePaper();
        Print(PadBetween("SUBTOTAL", Amount(receipt.total), state_.lineWidth));
    }
    if (!adjustment.empty()) {
        Spread(adjusted.amount);
        Print(PadBetween(adjusted.label, Amount(adjusted.amount), state_.lineWidth));
    }
    std::string answer = std::to_string(receipt.total);
    for (int64_t sum : receipt.groups) {
        answer += ',' + std::to_string(sum);
    }
    return answer;
}

// [Text1][LF Text2] TAB letter [+|-]amount. Answers D,rest or R,change; E, F or I refuse.
std::string Printer::Payment(const std::string& data) {
    const size_t tab = data.find('\t');
    if (tab == std::string::npos || tab + 1 >= data.size() ||
        PaymentName(data[tab + 1]) == nullptr) {
        SyntaxError();
    }
    const char letter = data[tab + 1];
    int64_t amount = 0;
    const std::string amountText = data.substr(tab + 2);
    if (!amountText.empty() && !ParseFixed(amountText, 2, amount)) {
        SyntaxError();
    }
    RequireFiscal();
    RequirePaper();
    Receipt& receipt = state_.receipt;
    if (receipt.total <= 0) {
        return "E";
    }
    if (receipt.tendered >= receipt.total && !receipt.tenders.empty()) {
        return "F";  // already paid
    }
    if (amount == 0) {
        amount = receipt.total - receipt.tendered;  // the rest
    }
    if (receipt.tendered + amount < 0) {
        return "F";
    }
    if (letter != 'P' && receipt.tendered + amount > receipt.total) {
        return "I";  // only cash gives change
    }
    if (receipt.tenders.empty()) {
        Print(PadBetween("TOTAL", Amount(receipt.total), state_.lineWidth));
    }
    receipt.tenders[letter] += amount;
    receipt.tendered += amount;
    const std::string texts = data.substr(0, tab);
    if (!texts.empty()) {
        PrintLines(texts);
    }
    Print(PadBetween(PaymentName(letter), Amount(amount), state_.lineWidth));
    if (receipt.tendered < receipt.total) {
        return "D," + std::to_string(receipt.total - receipt.tendered);
    }
    const int64_t change = receipt.tendered - receipt.total;
    if (change > 0) {
        Print(PadBetween("CHANGE", Amount(change), state_.lineWidth));
    }
    return "R," + std::to_string(change);
}

std::string Printer::PrintFiscalText(const std::string& data) {
    RequireFiscal();
    RequirePaper();
    PrintLines(data);
    return {};
}

std::string Printer::CloseFiscal(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    RequireFiscal();
    RequirePaper();
    Receipt& receipt = state_.receipt;
    if (receipt.tendered < receipt.total || (receipt.invoice && !receipt.clientData)) {
        NotAllowed();
    }
    for (int g = 0; g < kTaxGroups; ++g) {
        if (receipt.groups[g] != 0) {
            const int64_t rate = state_.vatRates[g];
            const int64_t vat =
                RoundDiv(static_cast<__int128>(receipt.groups[g]) * rate, 10000 + rate);
            Print(PadBetween(
                std::string("VAT ") + static_cast<char>('A' + g) + " " + Amount(rate) + "%",
                Amount(vat), state_.lineWidth));
        }
    }
    Print(
        PadBetween(ClockText(), "No " + std::to_string(state_.fiscalReceiptNo), state_.lineWidth));
    Print(receipt.invoice ? "FISCAL INVOICE" : "FISCAL RECEIPT");
    const int64_t change = receipt.tendered - receipt.total;
    for (int g = 0; g < kTaxGroups; ++g) {
        state_.dayGroups[g] += receipt.groups[g];
    }
    for (const auto& [letter, amount] : receipt.tenders) {
        state_.dayPayments[letter] += letter == 'P' ? amount - change : amount;
    }
    state_.drawerCash += receipt.tenders.count('P') ? receipt.tenders['P'] - change : 0;
    ++state_.dayFiscalReceipts;
    if (receipt.invoice) {
        ++state_.invoiceNext;
    }
    state_.lastClosedNo = state_.allReceiptNo;
    state_.lastFiscal = receipt;
    state_.receipt = Receipt{};
    return std::to_string(state_.allReceiptNo) + "," + std::to_string(state_.fiscalReceiptNo);
}

// EIK TAB fields... [TAB address]: four to six fields, as both client block layouts send them.
std::string Printer::ClientData(const std::string& data) {
    const std::vector<std::string> fields = Split(data, '\t');
    const std::string eik = fields[0].substr(0, fields[0].find_last_not_of(' ') + 1);
    if (fields.size() < 4 || fields.size() > 6 || eik.empty() || eik.size() > 14) {
        SyntaxError();
    }
    RequireFiscal();
    if (!state_.receipt.invoice || state_.receipt.clientData) {
        NotAllowed();
    }
    RequirePaper();
    Print("EIK " + eik);
    for (size_t i = 1; i < fields.size(); ++i) {
        if (!fields[i].empty()) {
            PrintLines(fields[i]);
        }
    }
    state_.receipt.clientData = true;
    return {};
}

std::string Printer::CancelFiscal(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    RequireFiscal();
    if (!state_.receipt.tenders.empty()) {
        NotAllowed();  // a receipt that is being paid can only be closed
    }
    RequirePaper();
    Print("FISCAL RECEIPT CANCELLED");
    if (state_.lastDocument == LastDocument::Any) {
        state_.lastClosedNo = state_.allReceiptNo;
    }
    state_.receipt = Receipt{};
    return {};
}

// Open, items, amount, tender of the fiscal receipt.
std::string Printer::ReceiptState(const std::string& data) {
    if (!data.empty() && data != "T") {
        SyntaxError();
    }
    const Receipt& receipt = state_.receipt;
    if (receipt.kind != Receipt::Kind::Fiscal) {
        return "0,0,0,0";
    }
    return "1," + std::to_string(receipt.items) + "," + std::to_string(receipt.total) + "," +
           std::to_string(receipt.tendered);
}

// Can void, sums A to H, invoice, next invoice number.
std::string Printer::ReceiptInfo(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    const Receipt& receipt = state_.receipt;
    const bool open = receipt.kind == Receipt::Kind::Fiscal;
    std::string answer = open && receipt.tenders.empty() ? "1" : "0";
    for (int64_t sum : receipt.groups) {
        answer += ',' + std::to_string(open ? sum : 0);
    }
    answer += open && receipt.invoice ? ",1," : ",0,";
    return answer + std::to_string(state_.invoiceNext);
}

std::string Printer::LastReceiptNo(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    return std::to_string(state_.lastClosedNo);
}

std::string Printer::ReceiptCopy(const std::string& data) {
    if (data != "1") {
        SyntaxError();
    }
    RequireNoReceipt();
    if (!state_.lastFiscal) {
        NotAllowed();
    }
    RequirePaper();
    Print("COPY");
    for (const std::string& line : state_.lastFiscal->lines) {
        Print(line);
    }
    Print("COPY");
    return {};
}

// Code, cash in the drawer, total cash in, total cash out; the cash figures in currency units.
std::string Printer::CashInOut(const std::string& data) {
    int64_t amount = 0;
    if (!ParseFixed(data, 2, amount)) {
        SyntaxError();
    }
    const bool refused = state_.receipt.kind != Receipt::Kind::None ||
                         (amount < 0 && -amount > state_.drawerCash) ||
                         state_.drawerCash + amount > kMaxAmount;
    if (!refused && amount != 0) {
        RequirePaper();
        state_.drawerCash += amount;
        (amount > 0 ? state_.cashIn : state_.cashOut) += std::llabs(amount);
        Print(PadBetween(amount > 0 ? "CASH IN" : "CASH OUT", Amount(std::llabs(amount)),
                         state_.lineWidth));
    }
    return std::string(refused ? "F," : "P,") + Amount(state_.drawerCash) + "," +
           Amount(state_.cashIn) + "," + Amount(state_.cashOut);
}

std::string Printer::OpenDrawer(const std::string& data) {
    int64_t pulse = 0;
    if (!ParseInt(data, pulse) || pulse < 1 || pulse > 255) {
        SyntaxError();
    }
    ++state_.drawerOpenings;
    return {};
}

// Type 1 to 6, "," (with the text below) or ";", then the data.
std::string Printer::Barcode(const std::string& data) {
    const size_t separator = data.find_first_of(",;");
    int64_t type = 0;
    if (separator == std::string::npos || !ParseInt(data.substr(0, separator), type) || type < 1 ||
        type > 6) {
        SyntaxError();
    }
    const std::string code = data.substr(separator + 1);
    if (code.empty() || code.size() > 100 || !IsPrintable(code)) {
        SyntaxError();
    }
    if (state_.receipt.kind == Receipt::Kind::None) {
        NotAllowed();
    }
    RequirePaper();
    Print("BARCODE " + std::to_string(type) + " " + code);
    if (data[separator] == ',') {
        Print(code);
    }
    return {};
}

std::string Printer::OperatorName(const std::string& data) {
    const std::vector<std::string> fields = Split(data, ',');
    int64_t number = 0;
    if (fields.size() != 3 || !ParseInt(fields[0], number) || number < 1 || number > kOperators ||
        fields[2].empty() || fields[2].size() > static_cast<size_t>(state_.lineWidth) ||
        !IsPrintable(fields[2])) {
        SyntaxError();
    }
    Operator& cashier = state_.operators[number - 1];
    RequireNoReceipt();
    if (!cashier.password.empty() && cashier.password != fields[1]) {
        NotAllowed();
    }
    cashier.name = fields[2];
    return {};
}

}  // namespace fpemu
