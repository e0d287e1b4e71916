// Reports and information: commands 0x3E, 0x41, 0x45, 0x47, 0x49, 0x4F, 0x58, 0x5A, 0x5E, 0x5F,
// 0x6E and 0x80.

#include "Calendar.h"
#include "Money.h"
#include "Printer.h"

namespace fpemu {

namespace {

std::string Amount(int64_t hundredths) {
    return FormatFixed(hundredths, 2);
}

// The payment letters in the order of the daily payment totals (payment types 1 to 8).
constexpr char kPaymentOrder[] = "PNCDIJKL";

std::string DayText(int64_t day) {
    return FormatCalendar(day * kSecondsPerDay, "%d-%m-%y");
}

}  // namespace

void Printer::PrintDailyTotals() {
    const int width = state_.lineWidth;
    for (int g = 0; g < kTaxGroups; ++g) {
        if (state_.dayGroups[g] != 0) {
            Print(PadBetween(std::string("TURNOVER ") + static_cast<char>('A' + g),
                             Amount(state_.dayGroups[g]), width));
        }
    }
    for (const auto& [letter, sum] : state_.dayPayments) {
        Print(PadBetween(PaymentName(letter), Amount(sum), width));
    }
    Print(PadBetween("FISCAL RECEIPTS", std::to_string(state_.dayFiscalReceipts), width));
    Print(PadBetween("CASH IN", Amount(state_.cashIn), width));
    Print(PadBetween("CASH OUT", Amount(state_.cashOut), width));
    Print(PadBetween("CASH IN DRAWER", Amount(state_.drawerCash), width));
}

// One digit, then "N" when the report clears nothing.
std::string Printer::Report(const std::string& data) {
    if (data.empty() || data.size() > 2 || data[0] < '0' || data[0] > '9' ||
        (data.size() == 2 && data[1] != 'N')) {
        SyntaxError();
    }
    const bool clear = data.size() == 1;
    RequireNoReceipt();
    RequireReportPaper();
    const int width = state_.lineWidth;
    switch (data[0]) {
        case '0':
            if (!clear) {
                Print("X REPORT");
                PrintDailyTotals();
                break;
            }
            RequireFiscalMemory();
            ++state_.zReportNo;
            Print("Z REPORT " + std::to_string(state_.zReportNo));
            PrintDailyTotals();
            {
                ZRecord record;
                record.number = state_.zReportNo;
                record.date = ClockSeconds() / kSecondsPerDay;
                record.groups = state_.dayGroups;
                for (int64_t sum : record.groups) {
                    record.total += sum;
                }
                state_.fiscalMemory.push_back(record);
            }
            // The day ends: its sums go to the fiscal memory and the drawer is emptied.
            state_.dayGroups = {};
            state_.dayPayments.clear();
            state_.dayFiscalReceipts = 0;
            state_.drawerCash = state_.cashIn = state_.cashOut = 0;
            for (auto& [number, department] : state_.departments) {
                department.dayCount = department.daySum = 0;
            }
            break;
        case '3':
            Print("DEPARTMENT REPORT");
            for (auto& [number, department] : state_.departments) {
                Print(PadBetween(std::to_string(number) + " " + department.name,
                                 std::to_string(department.count) + " " + Amount(department.sum),
                                 width));
                if (clear) {
                    department.count = department.sum = 0;
                }
            }
            break;
        case '5':
            Print("PLU REPORT");
            for (const auto& [number, plu] : state_.plus) {
                Print(PadBetween(std::to_string(number) + " " + plu.name,
                                 Amount(plu.price) + " " + plu.taxLetter, width));
            }
            break;
        default:
            Print(std::string("REPORT ") + data[0]);
            PrintDailyTotals();
            break;
    }
    Print("END OF REPORT");
    return {};
}

void Printer::PrintFiscalMemory(int64_t first, int64_t last, bool byDate, bool detailed) {
    Print(detailed ? "FISCAL MEMORY REPORT" : "SHORT FISCAL MEMORY REPORT");
    for (const ZRecord& record : state_.fiscalMemory) {
        const int64_t key = byDate ? record.date : record.number;
        if (key < first || key > last) {
            continue;
        }
        Print(PadBetween("Z " + std::to_string(record.number) + " " + DayText(record.date),
                         Amount(record.total), state_.lineWidth));
        for (int g = 0; detailed && g < kTaxGroups; ++g) {
            if (record.groups[g] != 0) {
                Print(PadBetween(std::string("  ") + static_cast<char>('A' + g),
                                 Amount(record.groups[g]), state_.lineWidth));
            }
        }
    }
    Print("END OF REPORT");
}

// First [, last], each a Z report number or a day "ddmmyy".
std::string Printer::FiscalMemoryReport(const std::string& data, bool byDate, bool detailed) {
    const std::vector<std::string> fields = Split(data, ',');
    auto bound = [byDate](const std::string& text, int64_t& value) {
        return byDate ? ParseDay(text, value) : ParseInt(text, value) && value >= 1;
    };
    int64_t first = 0, last = 0;
    if (fields.size() > 2 || !bound(fields[0], first) ||
        (fields.size() == 2 && (!bound(fields[1], last) || last < first))) {
        SyntaxError();
    }
    RequireNoReceipt();
    RequireReportPaper();
    PrintFiscalMemory(first, fields.size() == 2 ? last : first, byDate, detailed);
    return {};
}

std::string Printer::Diagnostic(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    RequireNoReceipt();
    RequireReportPaper();
    Print("DIAGNOSTIC");
    Print(PadBetween("MODEL", state_.model, state_.lineWidth));
    Print(PadBetween("FIRMWARE", state_.firmware, state_.lineWidth));
    Print(PadBetween("SERIAL", state_.serial, state_.lineWidth));
    Print(PadBetween("FISCAL MEMORY", state_.fiscalNo, state_.lineWidth));
    Print(ClockText());
    Print("END OF DIAGNOSTIC");
    return {};
}

// "0": turnover per tax group; "1": the VAT in it. Hundredths.
std::string Printer::DailySums(const std::string& data) {
    if (data != "0" && data != "1") {
        SyntaxError();
    }
    std::string answer;
    for (int g = 0; g < kTaxGroups; ++g) {
        const int64_t rate = state_.vatRates[g];
        const int64_t sum =
            data == "0" ? state_.dayGroups[g]
                        : RoundDiv(static_cast<__int128>(state_.dayGroups[g]) * rate, 10000 + rate);
        if (g > 0) {
            answer += ',';
        }
        answer += std::to_string(sum);
    }
    return answer;
}

// Payments P, N, C, D, I, J, K, L in hundredths, fiscal receipts of the day, next Z number.
std::string Printer::DailyPayments(const std::string& data) {
    if (data != "11") {
        SyntaxError();
    }
    std::string answer;
    for (const char* letter = kPaymentOrder; *letter != 0; ++letter) {
        const auto found = state_.dayPayments.find(*letter);
        answer += std::to_string(found == state_.dayPayments.end() ? 0 : found->second) + ",";
    }
    return answer + std::to_string(state_.dayFiscalReceipts) + "," +
           std::to_string(state_.zReportNo + 1);
}

// "F" for a department never programmed, else "P", its letter, the day's count and sum, the
// count and sum since the last department report with reset (currency units), name TAB text.
std::string Printer::DepartmentInfo(const std::string& data) {
    int64_t number = 0;
    if (!ParseInt(data, number) || number < 1 || number > kDepartments) {
        SyntaxError();
    }
    const auto found = state_.departments.find(static_cast<int>(number));
    if (found == state_.departments.end()) {
        return "F";
    }
    const Department& department = found->second;
    return std::string("P") + department.taxLetter + "," + std::to_string(department.dayCount) +
           "," + Amount(department.daySum) + "," + std::to_string(department.count) + "," +
           Amount(department.sum) + "," + department.name + "\t" + department.description;
}

// Model, firmware version and date, firmware checksum, switches, serial, fiscal memory number.
std::string Printer::DiagnosticInfo(const std::string& data) {
    if (data != "0" && data != "1") {
        SyntaxError();
    }
    return state_.model + "," + state_.firmware + " 20Jan26 1200,4A2F,00000000," + state_.serial +
           "," + state_.fiscalNo;
}

// Twenty device parameters; the ninth is the line width plus 2. The driver reads only that one.
std::string Printer::DeviceInfo(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    const std::string parameters[] = {
        "2",  // decimals of amounts
        std::to_string(kTaxGroups),
        std::to_string(kOperators),
        std::to_string(kDepartments),
        std::to_string(state_.maxPluNo),
        std::to_string(kHeaderLines),
        "36",  // longest header line
        "11",  // payment types
        std::to_string(state_.lineWidth + 2),
        std::to_string(kAlternativeTaxes),
        std::to_string(state_.maxPluNameLength),
        "0",
        "0",
        "0",
        "0",
        "0",
        "0",
        "0",
        "0",
        "0",
    };
    std::string answer;
    for (const std::string& parameter : parameters) {
        answer += (answer.empty() ? "" : ",") + parameter;
    }
    return answer;
}

std::string Printer::DateTime(const std::string& data) {
    if (!data.empty()) {
        SyntaxError();
    }
    return ClockText();
}

}  // namespace fpemu
