#include "FPAxUnit_Verdict.h"

#include <algorithm>

#include "ConstUnit.h"

bool AllZero(const TFiscalSums& Sums) {
    return std::all_of(Sums.begin(), Sums.end(), [](int64_t sum) { return sum == 0; });
}

std::optional<bool> ReportRanBySums(const TFiscalSums& Before, const TFiscalSums& Now) {
    if (AllZero(Before)) {
        return std::nullopt;
    }
    if (Now == Before) {
        return false;
    }
    if (AllZero(Now)) {
        return true;
    }
    return std::nullopt;
}

TVerdict JudgeFiscal(const TFiscalSums& Before, const TFiscalSums& Now, int64_t NumberMoved,
                     int64_t Amount) {
    for (size_t i = 0; i < Now.size(); ++i) {
        if (Now[i] < Before[i]) {
            return {false,
                    "The day's fiscal sums went down since its receipt was begun (a daily report "
                    "in between)"};
        }
    }
    if (Amount == 0) {
        if (NumberMoved == 0 && Now == Before) {
            return {false, {}};
        }
        return {false, "Its receipt's total is 0, so the day's fiscal sums do not show it"};
    }
    const int64_t totalMoved = Now[0] - Before[0];
    if (totalMoved == 0) {
        if (Now != Before) {
            return {false, "The day's payment sums moved, but not its total"};
        }
        if (NumberMoved != 0 && AllZero(Before)) {
            return {false,
                    "The day's fiscal sums were 0 and stayed 0 while the last receipt number "
                    "moved (a daily report in between would hide the receipt)"};
        }
        return {false, {}};
    }
    if (NumberMoved == 0) {
        return {false, "The day's fiscal sums moved, but not the last receipt number"};
    }
    if (NumberMoved == 1 && totalMoved == Amount) {
        return {true, {}};
    }
    return {false,
            "Other receipts were made on the printer meanwhile (the last receipt number "
            "moved by " +
                std::to_string(NumberMoved) + ", the day's total by " +
                FormatFloat("0.00", static_cast<double>(totalMoved) / 100) +
                ", the receipt's total is " +
                FormatFloat("0.00", static_cast<double>(Amount) / 100) + ")"};
}
