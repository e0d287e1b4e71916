#pragma once

// Shared machinery of the command operations: the status rules they apply to an answer, the
// reader of comma-separated answers and the guards that keep one field from spilling into the
// next. Private to the device library.

#include <cstdint>
#include <span>
#include <string>

#include "BaseDeviceUnit.h"

// The status bits that the command operations test before the general check.
inline constexpr TStatusBitCheck NoPaper{2, 0, 210};
inline constexpr TStatusBitCheck PrinterFault{0, 4, 219};
inline constexpr TStatusBitCheck ClockNotSet{0, 2, 218};
inline constexpr TStatusBitCheck TaxTerminalSilent{1, 6, 231};
inline constexpr TStatusBitCheck JournalEnd{2, 2, 224};
inline constexpr TStatusBitCheck FiscalOpen{2, 3, 217};
inline constexpr TStatusBitCheck FiscalNotOpen{2, 3, 208, true};
inline constexpr TStatusBitCheck NonFiscalOpen{2, 5, 215};
inline constexpr TStatusBitCheck NonFiscalNotOpen{2, 5, 209, true};
inline constexpr TStatusBitCheck FiscalMemoryError{4, 0, 211};
inline constexpr TStatusBitCheck FiscalMemoryFull{4, 4, 212};
inline constexpr TStatusBitCheck FiscalMemoryLocked{5, 0, 213};
inline constexpr TStatusBitCheck FiscalMemoryEntryFailed{5, 2, 214};

enum class TGeneralCheck { Basic, Full };

// How one operation checks the status bytes of its answer.
struct TCommandRule {
    std::span<const TStatusBitCheck> PreChecks;
    TGeneralCheck General = TGeneralCheck::Full;
    // The failure text also names the other set status flags.
    bool StatusInText = true;
    // Cash in and out looks at the receipt bits only once the general check passed.
    bool PreChecksLast = false;
};

inline constexpr TCommandRule BasicCheck{{}, TGeneralCheck::Basic, true};
inline constexpr TCommandRule BasicCheckQuiet{{}, TGeneralCheck::Basic, false};
inline constexpr TCommandRule FullCheck{{}, TGeneralCheck::Full, true};
inline constexpr TCommandRule FullCheckQuiet{{}, TGeneralCheck::Full, false};

// The data of one answer as text, with its status bytes, read field by field from the front.
class TAnswer {
public:
    TAnswer(std::string Text, const TDataBuffer& Status);

    const std::string& Text() const { return FText; }
    const TDataBuffer& Status() const { return FStatus; }
    // The number of non-empty pieces between commas of the whole answer.
    int32_t FieldCount() const;
    // Raises 200 with Detail when the answer holds fewer than Min fields.
    void RequireFields(int32_t Min, const std::string& Detail = "") const;

    // The text not read yet.
    std::string& Rest() { return FRest; }
    bool HasMore() const { return !FRest.empty(); }
    std::string Next();
    // The next field as a number; 201 with Label when it does not read as one.
    int32_t Int(const std::string& Label);
    int64_t Int64(const std::string& Label);
    double Number(const std::string& Label);
    // A number in hundredths, returned in units.
    double Amount(const std::string& Label) { return Number(Label) / 100; }
    // The next field as a number, 0 when missing or unreadable.
    int32_t IntOr0();
    int64_t Int64Or0();
    double NumberOr0();
    // The first character of the next field; 200 when that field is empty.
    char Letter();

private:
    std::string FText;
    TDataBuffer FStatus;
    std::string FRest;
};

// Numbers as the printer writes them: optional leading blanks and sign, decimal digits, "." as
// the decimal separator. False leaves Value as it was.
bool TryReadInt(const std::string& S, int32_t& Value);
bool TryReadInt64(const std::string& S, int64_t& Value);
bool TryReadFloat(const std::string& S, double& Value);

// A text that goes into one field: a field separator inside it becomes a blank, so the printer
// cannot read part of the text as the next field.
std::string OneLineField(const std::string& Text);    // TAB and LF
std::string CommaListField(const std::string& Text);  // ","
