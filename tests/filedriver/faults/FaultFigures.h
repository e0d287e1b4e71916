#pragma once

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "FaultRig.h"

namespace faults {

// What became of a case's files: the aim is every file answered and 0 in every other column.
struct TFigures {
    int Files = 0;
    int Answered = 0;       // exactly one answer
    int PrintedErr = 0;     // answered ".err" (not "cannot tell"), yet it ran
    int RepNotPrinted = 0;  // answered ".rep", yet it never ran
    int TwoAnswers = 0;     // both ".rep" and ".err", or an answer written again once taken
    int ZeroNumber = 0;     // a ".rep" that says "Reciept No: 0"
    int PrintedTwice = 0;   // ran more than once, after the shop resent the ".err" files
    int Unanswered = 0;
    int Stuck = 0;        // files whose answer can never be written: unanswered by design
    std::string Details;  // each file's answers and receipts, for a failure message
};

// The rest of a case once its fault is over: waits for the answers, judges them against the
// printers, has the shop resend every ".err" (but those that say the printer cannot tell) and
// counts the receipts again. Stuck files are counted too, but not waited for.
TFigures Finish(TRig& Rig, const std::vector<TReceipt>& Files,
                const std::vector<TReceipt>& Stuck = {});

// The printer faults of the suite, each on every attempt of the command it meets.
struct TFault {
    const char* Name;
    const char* Action;  // a trigger action of the emulator
};
inline constexpr TFault kPrinterFaults[] = {
    {"Silence", "silence"},
    {"Nak", "nak"},
    {"DamagedChecksum", "bad-checksum"},
    {"ConnectionClosed", "close"},
    {"AnswerLost", "lose"},
    {"ErrorStatus", "bit:0:4"},  // a printer fault: printing refused, other commands reported
};
// The name in test listings, in place of bytes.
inline void PrintTo(const TFault& Fault, std::ostream* Out) {
    *Out << Fault.Name;
}

// Expects the aim, and appends a line for docs/reliability.md to the file named by the
// environment variable FAULT_FIGURES, when set.
void Report(const std::string& Group, const TFigures& Figures);

// Each row under each counting mode where the mode can matter: only a fiscal receipt is ever
// cancelled, so a row of a text receipt runs once, under LastDocument::Closed.
template <typename Row, size_t N>
std::vector<std::tuple<Row, fpemu::LastDocument>> WithModes(const Row (&Rows)[N]) {
    std::vector<std::tuple<Row, fpemu::LastDocument>> rows;
    for (const Row& row : Rows) {
        for (const fpemu::LastDocument mode : kCountingModes) {
            if (row.Fiscal || mode == fpemu::LastDocument::Closed) {
                rows.emplace_back(row, mode);
            }
        }
    }
    return rows;
}

// A group's name under one counting mode of the printer, a row of its own.
std::string InMode(const std::string& Group, fpemu::LastDocument Mode);

}  // namespace faults
