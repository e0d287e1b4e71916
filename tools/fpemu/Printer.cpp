#include "Printer.h"

#include <time.h>

#include <chrono>
#include <stdexcept>

#include "Calendar.h"

namespace fpemu {

namespace {

void CheckBit(int byteIndex, int bit) {
    // Bit 7 is fixed so that no status byte reads as a frame byte.
    if (byteIndex < 0 || byteIndex > 5 || bit < 0 || bit > 6) {
        throw std::out_of_range("no status bit [" + std::to_string(byteIndex) + "/" +
                                std::to_string(bit) + "]");
    }
}

bool IsReceiptBit(int byteIndex, int bit) {
    return byteIndex == 2 && (bit == 3 || bit == 5);
}

}  // namespace

Printer::Printer() {
    for (int i = 0; i < kOperators; ++i) {
        state_.operators[i].name = "Operator " + std::to_string(i + 1);
    }
    // The clock starts at the machine's local time.
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    state_.clockOffset = local.tm_gmtoff;
}

const std::map<uint8_t, Printer::Handler>& Printer::Handlers() {
    static const std::map<uint8_t, Handler> handlers = {
        {0x26, &Printer::OpenNonFiscal},
        {0x27, &Printer::CloseNonFiscal},
        {0x2A, &Printer::PrintNonFiscalText},
        {0x2B, &Printer::HeaderLine},
        {0x30, &Printer::OpenFiscal},
        {0x31, &Printer::Sell},
        {0x33, &Printer::Subtotal},
        {0x35, &Printer::Payment},
        {0x36, &Printer::PrintFiscalText},
        {0x38, &Printer::CloseFiscal},
        {0x39, &Printer::ClientData},
        {0x3A, &Printer::SellPlu},
        {0x3C, &Printer::CancelFiscal},
        {0x3D, &Printer::SetDateTime},
        {0x3E, &Printer::DateTime},
        {0x41, &Printer::DailySums},
        {0x42, &Printer::InvoiceRange},
        {0x45, &Printer::Report},
        {0x46, &Printer::CashInOut},
        {0x47, &Printer::Diagnostic},
        {0x49, &Printer::BlocksDetailed},
        {0x4A, &Printer::Status4A},
        {0x4C, &Printer::ReceiptState},
        {0x4F, &Printer::DatesShort},
        {0x54, &Printer::Barcode},
        {0x57, &Printer::DepartmentName},
        {0x58, &Printer::DepartmentInfo},
        {0x5A, &Printer::DiagnosticInfo},
        {0x5E, &Printer::DatesDetailed},
        {0x5F, &Printer::BlocksShort},
        {0x66, &Printer::OperatorName},
        {0x67, &Printer::ReceiptInfo},
        {0x6A, &Printer::OpenDrawer},
        {0x6B, &Printer::Articles},
        {0x6D, &Printer::ReceiptCopy},
        {0x6E, &Printer::DailyPayments},
        {0x71, &Printer::LastReceiptNo},
        {0x80, &Printer::DeviceInfo},
    };
    return handlers;
}

Answer Printer::Execute(uint8_t cmd, const Bytes& payload) {
    lastCommand_ = {};
    Answer answer;
    if (auto found = overrides_.find(cmd); found != overrides_.end()) {
        answer.data.assign(found->second.begin(), found->second.end());
        overrides_.erase(found);
    } else if (auto handler = Handlers().find(cmd); handler == Handlers().end()) {
        lastCommand_[0] |= 0x02;  // [0/1] invalid command
    } else {
        // Handlers check everything before they change anything, so a refusal changes nothing.
        try {
            const std::string data =
                (this->*handler->second)(std::string(payload.begin(), payload.end()));
            if (data.size() > kMaxReplyData) {
                throw std::length_error("answer to command " + std::to_string(cmd) +
                                        " does not fit a frame");
            }
            answer.data.assign(data.begin(), data.end());
        } catch (const Refusal& refusal) {
            if (refusal.byteIndex >= 0) {
                lastCommand_[refusal.byteIndex] |= static_cast<uint8_t>(1u << refusal.bit);
            }
        }
    }
    answer.status = Status();
    return answer;
}

void Printer::SyntaxError() {
    throw Refusal{0, 0};
}
void Printer::NotAllowed() {
    throw Refusal{1, 1};
}
void Printer::Refuse() {
    throw Refusal{};
}

void Printer::SetStatusBit(int byteIndex, int bit, bool on) {
    CheckBit(byteIndex, bit);
    if (IsReceiptBit(byteIndex, bit)) {
        throw std::invalid_argument("the receipt bits follow the receipt");
    }
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    persistent_[byteIndex] =
        static_cast<uint8_t>(on ? persistent_[byteIndex] | mask : persistent_[byteIndex] & ~mask);
}

bool Printer::StatusBit(int byteIndex, int bit) const {
    CheckBit(byteIndex, bit);
    return (Status()[byteIndex] >> bit) & 1;
}

void Printer::OverrideAnswer(uint8_t cmd, std::string data) {
    if (data.size() > kMaxReplyData) {
        throw std::length_error("an answer holds at most " + std::to_string(kMaxReplyData) +
                                " bytes");
    }
    overrides_[cmd] = std::move(data);
}

Bytes Printer::Status() const {
    Bytes status(6);
    for (size_t i = 0; i < status.size(); ++i) {
        status[i] = static_cast<uint8_t>(0x80 | persistent_[i] | lastCommand_[i]);
    }
    if (state_.receipt.kind == Receipt::Kind::Fiscal) {
        status[2] |= 0x08;  // [2/3]
    } else if (state_.receipt.kind == Receipt::Kind::NonFiscal) {
        status[2] |= 0x20;  // [2/5]
    }
    return status;
}

void Printer::Print(const std::string& line) {
    journal_.push_back(line);
    if (state_.receipt.kind != Receipt::Kind::None) {
        state_.receipt.lines.push_back(line);
    }
}

void Printer::PrintHeader() {
    for (const std::string& line : state_.headerLines) {
        if (!line.empty()) {
            Print(line);
        }
    }
}

// No paper [2/0] or a fault or open cover [0/4]: nothing can be printed.
void Printer::RequirePaper() const {
    if ((persistent_[2] & 0x01) || (persistent_[0] & 0x10)) {
        Refuse();
    }
}

// A printer that runs reports under the fault bit prints them; its answer still shows the bit.
void Printer::RequireReportPaper() const {
    if (state_.faultReports == FaultReports::Refuse) {
        RequirePaper();
    } else if (persistent_[2] & 0x01) {
        Refuse();
    }
}

// Fiscal memory error, full, locked or its last entry failed, or the electronic journal at its
// end: nothing fiscal can be recorded.
void Printer::RequireFiscalMemory() const {
    if ((persistent_[4] & 0x11) || (persistent_[5] & 0x05) || (persistent_[2] & 0x04)) {
        Refuse();
    }
}

void Printer::RequireNoReceipt() const {
    if (state_.receipt.kind != Receipt::Kind::None) {
        NotAllowed();
    }
}

void Printer::RequireFiscal() const {
    if (state_.receipt.kind != Receipt::Kind::Fiscal) {
        NotAllowed();
    }
}

int64_t Printer::ClockSeconds() const {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count() + state_.clockOffset;
}

std::string Printer::ClockText() const {
    return FormatCalendar(ClockSeconds(), "%d-%m-%y %H:%M:%S");
}

char Printer::TaxLetter(const std::string& field) const {
    if (field.size() != 1 || field[0] < 'A' || field[0] >= 'A' + kTaxGroups) {
        SyntaxError();
    }
    return field[0];
}

std::string Printer::Status4A(const std::string& data) {
    if (!data.empty() && data != "W" && data != "X") {
        SyntaxError();
    }
    return {};
}

const char* PaymentName(char letter) {
    switch (letter) {
        case 'P':
            return "CASH";
        case 'N':
            return "CREDIT";
        case 'C':
            return "CHEQUE";
        case 'D':
            return "CARD";
        case 'I':
            return "VOUCHER";
        case 'J':
            return "PAYMENT J";
        case 'K':
            return "PAYMENT K";
        case 'L':
            return "PAYMENT L";
        default:
            return nullptr;
    }
}

}  // namespace fpemu
