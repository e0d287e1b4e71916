// Programming: the clock, header lines, the invoice range, departments and the PLU table
// (commands 0x2B, 0x3D, 0x42, 0x57 and 0x6B). Commands 0x2B, 0x42 and 0x57 also read; their
// payloads tell the two uses apart.

#include <chrono>

#include "Calendar.h"
#include "Money.h"
#include "Printer.h"

namespace fpemu {

namespace {

constexpr int64_t kMaxInvoiceNo = 99'999'999'999;
constexpr size_t kMaxHeaderLine = 36;
constexpr size_t kMaxDepartmentText = 36;
constexpr size_t kMaxUnit = 10;
constexpr size_t kMaxBarcode = 20;

bool IsText(const std::string& text, size_t longest) {
    if (text.size() > longest) {
        return false;
    }
    for (unsigned char c : text) {
        if (c < 0x20) {
            return false;
        }
    }
    return true;
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

// "dd-mm-yy hh:nn" (seconds optional).
std::string Printer::SetDateTime(const std::string& data) {
    const bool withSeconds = data.size() == 17;
    int64_t seconds = 0;
    auto field = [&](size_t at) {
        int64_t value = -1;
        const std::string digits = data.substr(at, 2);
        return digits.find_first_not_of("0123456789") == std::string::npos &&
                       ParseInt(digits, value)
                   ? static_cast<int>(value)
                   : -1;
    };
    if ((data.size() != 14 && !withSeconds) || data[2] != '-' || data[5] != '-' || data[8] != ' ' ||
        data[11] != ':' || (withSeconds && data[14] != ':') ||
        !CalendarSeconds(2000 + field(6), field(3), field(0), field(9), field(12),
                         withSeconds ? field(15) : 0, seconds)) {
        SyntaxError();
    }
    RequireNoReceipt();
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    state_.clockOffset = seconds - std::chrono::duration_cast<std::chrono::seconds>(now).count();
    persistent_[0] &= static_cast<uint8_t>(~0x04);  // [0/2]: the clock is set now
    return {};
}

// "I" + line number reads a line; a digit and the text write one.
std::string Printer::HeaderLine(const std::string& data) {
    int64_t line = 0;
    if (!data.empty() && data[0] == 'I') {
        if (!ParseInt(data.substr(1), line) || line < 0 || line >= kHeaderLines) {
            SyntaxError();
        }
        return state_.headerLines[line];
    }
    const std::string text = data.empty() ? std::string() : data.substr(1);
    if (data.empty() || data[0] < '0' || data[0] > '9' || !IsText(text, kMaxHeaderLine)) {
        SyntaxError();
    }
    RequireNoReceipt();
    state_.headerLines[data[0] - '0'] = text;
    return {};
}

// "" or "S" reads start, end and next number; [S,]start,end writes a new range.
std::string Printer::InvoiceRange(const std::string& data) {
    if (data.empty() || data == "S") {
        return std::to_string(state_.invoiceStart) + "," + std::to_string(state_.invoiceEnd) + "," +
               std::to_string(state_.invoiceNext);
    }
    std::vector<std::string> fields = Split(data, ',');
    if (fields[0] == "S") {
        fields.erase(fields.begin());
    }
    int64_t start = 0, end = 0;
    if (fields.size() != 2 || !ParseInt(fields[0], start) || !ParseInt(fields[1], end) ||
        start < 1 || end < start || end > kMaxInvoiceNo) {
        SyntaxError();
    }
    RequireNoReceipt();
    state_.invoiceStart = start;
    state_.invoiceEnd = end;
    state_.invoiceNext = start;
    return std::to_string(start) + "," + std::to_string(end);
}

// A number alone reads ("F" when never programmed); number,letter,name[LF text] writes. Taken
// while a receipt is open too: a sale by department may rename its department first.
std::string Printer::DepartmentName(const std::string& data) {
    const size_t comma = data.find(',');
    int64_t number = 0;
    if (!ParseInt(data.substr(0, comma), number) || number < 1 || number > kDepartments) {
        SyntaxError();
    }
    if (comma == std::string::npos) {
        const auto found = state_.departments.find(static_cast<int>(number));
        if (found == state_.departments.end()) {
            return "F";
        }
        const Department& department = found->second;
        return std::to_string(number) + "," + department.taxLetter + "," + department.name +
               (department.description.empty() ? "" : "\t" + department.description);
    }
    const size_t second = data.find(',', comma + 1);
    if (second == std::string::npos) {
        SyntaxError();
    }
    const char letter = TaxLetter(data.substr(comma + 1, second - comma - 1));
    const std::vector<std::string> texts = Split(data.substr(second + 1), '\n');
    if (texts.size() > 2 || IsBlank(texts[0]) || !IsText(texts[0], kMaxDepartmentText) ||
        (texts.size() == 2 && !IsText(texts[1], kMaxDepartmentText))) {
        SyntaxError();
    }
    Department& department = state_.departments[static_cast<int>(number)];
    department.taxLetter = letter;
    department.name = texts[0];
    department.description = texts.size() == 2 ? texts[1] : std::string();
    return {};
}

// Sub-commands: "I" the table's limits, "R" read a PLU, "P" program one, "A" name an
// alternative tax. Content the printer does not take answers "F".
std::string Printer::Articles(const std::string& data) {
    const char sub = data.empty() ? 0 : data[0];
    const std::string rest = data.empty() ? std::string() : data.substr(1);
    int64_t number = 0;
    switch (sub) {
        case 'I':
            if (!rest.empty()) {
                SyntaxError();
            }
            return "P," + std::to_string(state_.maxPluNo) + "," +
                   std::to_string(state_.plus.size()) + "," +
                   std::to_string(state_.maxPluNameLength);
        case 'R': {
            if (!ParseInt(rest, number)) {
                SyntaxError();
            }
            const auto found = state_.plus.find(static_cast<int>(number));
            if (found == state_.plus.end()) {
                return "F";
            }
            const Plu& plu = found->second;
            return 'P' + std::to_string(number) + "," + plu.taxLetter + "," +
                   std::to_string(plu.group) + "," + FormatFixed(plu.price, 2) + "," + plu.unit +
                   "," + plu.name + "," + plu.barcode + "," + std::to_string(plu.alteId) + "," +
                   FormatFixed(plu.altePrc, 2);
        }
        case 'A': {
            const size_t comma = rest.find(',');
            const std::string name = comma == std::string::npos ? "" : rest.substr(comma + 1);
            if (!ParseInt(rest.substr(0, comma), number) || IsBlank(name) ||
                !IsText(name, kMaxDepartmentText)) {
                SyntaxError();
            }
            if (number < 1 || number > kAlternativeTaxes) {
                return "F";
            }
            state_.alternativeTaxes[static_cast<int>(number)] = name;
            return "P";
        }
        case 'P': {
            // letter PluNo, group, price, unit, name, barcode [, alternative id, its percentage]
            const std::vector<std::string> fields = Split(rest, ',');
            Plu plu;
            if ((fields.size() != 6 && fields.size() != 8) || fields[0].size() < 2) {
                SyntaxError();
            }
            plu.taxLetter = TaxLetter(fields[0].substr(0, 1));
            if (!ParseInt(fields[0].substr(1), number) || !ParseInt(fields[1], plu.group) ||
                !ParseFixed(fields[2], 2, plu.price) ||
                (fields.size() == 8 &&
                 (!ParseInt(fields[6], plu.alteId) || !ParseFixed(fields[7], 2, plu.altePrc)))) {
                SyntaxError();
            }
            plu.unit = fields[3];
            plu.name = fields[4];
            plu.barcode = fields[5];
            const bool alternativeKnown =
                fields.size() == 6 || state_.alternativeTaxes.count(static_cast<int>(plu.alteId));
            if (number < 1 || number > state_.maxPluNo || plu.group < 0 || plu.price < 0 ||
                IsBlank(plu.name) ||
                !IsText(plu.name, static_cast<size_t>(state_.maxPluNameLength)) ||
                IsBlank(plu.unit) || !IsText(plu.unit, kMaxUnit) ||
                !IsText(plu.barcode, kMaxBarcode) || !alternativeKnown) {
                return "F";
            }
            state_.plus[static_cast<int>(number)] = plu;
            return "P";
        }
        default:
            SyntaxError();
    }
}

}  // namespace fpemu
