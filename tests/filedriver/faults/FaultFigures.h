#pragma once

#include <string>
#include <vector>

#include "FaultRig.h"

namespace faults {

// What became of a case's files: the aim is every file answered and 0 in every other column.
struct TFigures {
    int Files = 0;
    int Answered = 0;       // exactly one answer
    int PrintedErr = 0;     // answered ".err", yet a receipt was closed for it
    int RepNotPrinted = 0;  // answered ".rep", yet no receipt was closed for it
    int TwoAnswers = 0;     // both ".rep" and ".err"
    int ZeroNumber = 0;     // a ".rep" that says "Reciept No: 0"
    int PrintedTwice = 0;   // more than one receipt closed, once the shop resent every ".err"
    int Unanswered = 0;
    std::string Details;  // each file's answers and receipts, for a failure message
};

// The rest of a case once its fault is over: waits for the answers, judges them against the
// printers, has the shop resend every ".err" and counts the receipts again.
TFigures Finish(TRig& Rig, const std::vector<TReceipt>& Files);

// Expects the aim, and appends a line for docs/reliability.md to the file named by the
// environment variable FAULT_FIGURES, when set.
void Report(const std::string& Group, const TFigures& Figures);

}  // namespace faults
