#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Frame.h"

namespace fpemu {

// What the printer answers to one command: the data field and the six status bytes.
struct Answer {
    Bytes data;
    Bytes status;
};

constexpr int kTaxGroups = 8;  // A to H
constexpr int kOperators = 16;
constexpr int kHeaderLines = 10;
constexpr int kDepartments = 100;
constexpr int kAlternativeTaxes = 50;

using GroupSums = std::array<int64_t, kTaxGroups>;  // hundredths, per tax group A to H

struct Operator {
    std::string name;
    std::string password;  // empty: any password is taken
};

struct Department {
    char taxLetter = 'A';
    std::string name;
    std::string description;
    int64_t dayCount = 0;  // sales since the last Z report
    int64_t daySum = 0;
    int64_t count = 0;  // sales since the last department report with reset
    int64_t sum = 0;
};

struct Plu {
    char taxLetter = 'A';
    int64_t group = 0;
    int64_t price = 0;  // hundredths
    std::string unit;
    std::string name;
    std::string barcode;
    int64_t alteId = 0;
    int64_t altePrc = 0;  // hundredths of a percent
};

// The receipt on the paper right now.
struct Receipt {
    enum class Kind { None, Fiscal, NonFiscal };
    Kind kind = Kind::None;
    bool invoice = false;
    int64_t invoiceNo = 0;
    int operatorNo = 0;
    int items = 0;
    int64_t total = 0;
    GroupSums groups{};
    std::map<char, int64_t> tenders;  // by payment letter
    int64_t tendered = 0;
    bool clientData = false;
    std::vector<std::string> lines;  // as printed, for a copy
};

// What the last-document number (0x71) counts: printers differ in whether a cancelled receipt,
// numbered when it opened, becomes the last document.
enum class LastDocument { Closed, Any };

// What a report does under the fault bit [0/4] (printer fault, cover open): some printers print
// nothing, others print it and still report the fault. Receipts are refused either way.
enum class FaultReports { Refuse, Run };

struct ZRecord {
    int64_t number = 0;
    int64_t date = 0;  // days since 1970-01-01 on the printer's clock
    int64_t total = 0;
    GroupSums groups{};
};

// Everything the printer remembers. Tests may read and change it through Emulator::WithPrinter.
struct PrinterState {
    // Identity, as the diagnostic and parameter commands report it.
    std::string model = "FPEMU";
    std::string firmware = "1.00";
    std::string serial = "EM000001";
    std::string fiscalNo = "90000001";
    int lineWidth = 42;  // printable characters; the parameter answer carries it plus 2

    std::array<int64_t, kTaxGroups> vatRates{1900, 900, 500, 0, 0, 0, 0, 0};  // 0.01 %
    std::array<Operator, kOperators> operators;
    std::array<std::string, kHeaderLines> headerLines;
    std::map<int, Department> departments;  // only the programmed ones
    std::map<int, Plu> plus;
    std::map<int, std::string> alternativeTaxes;
    int maxPluNo = 3000;
    int maxPluNameLength = 32;

    int64_t invoiceStart = 1;
    int64_t invoiceEnd = 1000;
    int64_t invoiceNext = 1;

    int64_t allReceiptNo = 0;     // last receipt of any kind
    int64_t fiscalReceiptNo = 0;  // last fiscal receipt
    int64_t lastClosedNo = 0;     // what 0x71 answers (see lastDocument)
    LastDocument lastDocument = LastDocument::Closed;
    FaultReports faultReports = FaultReports::Refuse;
    int64_t zReportNo = 0;  // last Z report

    // Since the last Z report.
    GroupSums dayGroups{};
    std::map<char, int64_t> dayPayments;
    int64_t dayFiscalReceipts = 0;
    int64_t drawerCash = 0;
    int64_t cashIn = 0;
    int64_t cashOut = 0;
    int drawerOpenings = 0;

    Receipt receipt;
    std::optional<Receipt> lastFiscal;  // for a copy
    std::vector<ZRecord> fiscalMemory;

    // The clock: seconds to add to the machine's clock, read as a calendar without time zone.
    int64_t clockOffset = 0;
};

// The printer behind the link: from (command, payload) to (data, status), with the paper it
// printed. Not thread-safe; the emulator serialises access.
class Printer {
public:
    Printer();

    Answer Execute(uint8_t cmd, const Bytes& payload);

    // A bit that stays until it is cleared (paper, clock, fiscal memory, ...). The receipt bits
    // [2/3] and [2/5] follow the receipt and cannot be set here.
    void SetStatusBit(int byteIndex, int bit, bool on);
    bool StatusBit(int byteIndex, int bit) const;

    // The next answer to `cmd` carries `data` instead of the command's own answer; the command is
    // not executed. Throws std::length_error when `data` does not fit a frame.
    void OverrideAnswer(uint8_t cmd, std::string data);

    PrinterState& State() { return state_; }
    const std::vector<std::string>& Journal() const { return journal_; }

    // The printer's clock as "dd-mm-yy hh:nn:ss".
    std::string ClockText() const;

private:
    // A refused command: the state stays as it was and the answer sets this bit, if any.
    struct Refusal {
        int byteIndex = -1;
        int bit = -1;
    };
    [[noreturn]] static void SyntaxError();
    [[noreturn]] static void NotAllowed();
    [[noreturn]] static void Refuse();  // a set status bit already tells why

    using Handler = std::string (Printer::*)(const std::string&);
    static const std::map<uint8_t, Handler>& Handlers();

    Bytes Status() const;
    void Print(const std::string& line);
    void PrintHeader();
    void RequirePaper() const;
    void RequireReportPaper() const;
    void RequireFiscalMemory() const;
    void RequireNoReceipt() const;
    void RequireFiscal() const;
    int64_t ClockSeconds() const;
    char TaxLetter(const std::string& field) const;

    // Receipts and cash.
    std::string Status4A(const std::string& data);
    std::string OpenNonFiscal(const std::string& data);
    std::string CloseNonFiscal(const std::string& data);
    std::string PrintNonFiscalText(const std::string& data);
    std::string OpenFiscal(const std::string& data);
    std::string Sell(const std::string& data);
    std::string SellPlu(const std::string& data);
    std::string Subtotal(const std::string& data);
    std::string Payment(const std::string& data);
    std::string PrintFiscalText(const std::string& data);
    std::string CloseFiscal(const std::string& data);
    std::string ClientData(const std::string& data);
    std::string CancelFiscal(const std::string& data);
    std::string ReceiptState(const std::string& data);
    std::string ReceiptInfo(const std::string& data);
    std::string LastReceiptNo(const std::string& data);
    std::string ReceiptCopy(const std::string& data);
    std::string CashInOut(const std::string& data);
    std::string OpenDrawer(const std::string& data);
    std::string Barcode(const std::string& data);
    std::string OperatorName(const std::string& data);
    // A percentage (",p") or an amount (";a") added to a line or to the subtotal.
    struct Adjusted {
        int64_t amount = 0;
        std::string label;
    };
    Adjusted Adjustment(const std::string& text, int64_t base) const;
    void AddSale(const std::string& texts, char letter, int64_t price, int64_t qty,
                 const std::string& adjustment, Department* department);
    void Spread(int64_t amount);
    void PrintLines(const std::string& text);

    // Reports and information.
    std::string Report(const std::string& data);
    std::string BlocksDetailed(const std::string& data) {
        return FiscalMemoryReport(data, false, true);
    }
    std::string BlocksShort(const std::string& data) {
        return FiscalMemoryReport(data, false, false);
    }
    std::string DatesDetailed(const std::string& data) {
        return FiscalMemoryReport(data, true, true);
    }
    std::string DatesShort(const std::string& data) {
        return FiscalMemoryReport(data, true, false);
    }
    std::string FiscalMemoryReport(const std::string& data, bool byDate, bool detailed);
    std::string Diagnostic(const std::string& data);
    std::string DailySums(const std::string& data);
    std::string DailyPayments(const std::string& data);
    std::string DepartmentInfo(const std::string& data);
    std::string DiagnosticInfo(const std::string& data);
    std::string DeviceInfo(const std::string& data);
    std::string DateTime(const std::string& data);
    void PrintDailyTotals();
    void PrintFiscalMemory(int64_t first, int64_t last, bool byDate, bool detailed);

    // Programming.
    std::string SetDateTime(const std::string& data);
    std::string HeaderLine(const std::string& data);
    std::string InvoiceRange(const std::string& data);
    std::string DepartmentName(const std::string& data);
    std::string Articles(const std::string& data);

    PrinterState state_;
    std::array<uint8_t, 6> persistent_{};
    std::array<uint8_t, 6> lastCommand_{};
    std::map<uint8_t, std::string> overrides_;
    std::vector<std::string> journal_;
};

// Payment letters the printer takes, with their names on paper.
const char* PaymentName(char letter);

}  // namespace fpemu
