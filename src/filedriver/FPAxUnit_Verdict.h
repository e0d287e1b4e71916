#pragma once

// What the printer's numbers tell about a receipt file after a fault: whether its receipt was
// closed or its daily report ran. Where they fit more than one story (another till, a daily
// report in between), they tell nothing, and the verdict says why.

#include <cstdint>
#include <optional>
#include <string>

#include "FPAxUnit_Work.h"

struct TVerdict {
    bool Printed = false;
    std::string Doubt;  // why the printer cannot tell; empty when it can
};

bool AllZero(const TFiscalSums& Sums);

// A daily report with reset ran when the day's sums went back to 0, did not when they stayed as
// they were; none when they cannot tell (0 before, or moved by other receipts).
std::optional<bool> ReportRanBySums(const TFiscalSums& Before, const TFiscalSums& Now);

// A fiscal receipt of Amount hundredths, paid, then cut off: the day's sums went from Before to
// Now and the last receipt number moved by NumberMoved meanwhile. Nothing but this program uses
// the printer while a file waits, so more than the file's own receipt means someone else did.
TVerdict JudgeFiscal(const TFiscalSums& Before, const TFiscalSums& Now, int64_t NumberMoved,
                     int64_t Amount);
