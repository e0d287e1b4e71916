#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Numbers and text fields as the printer protocol writes them. Amounts are kept as integers in
// hundredths and quantities in thousandths, so sums never drift.
namespace fpemu {

// "[+|-]digits[.digits]" with at most `decimals` decimals, scaled by 10^decimals. Always ".",
// never the locale's separator.
bool ParseFixed(std::string_view text, int decimals, int64_t& value);
// An optionally signed decimal integer.
bool ParseInt(std::string_view text, int64_t& value);
// "-12.50" for (-1250, 2).
std::string FormatFixed(int64_t value, int decimals);
// numerator / denominator, rounded half away from zero.
int64_t RoundDiv(__int128 numerator, int64_t denominator);

// Every field between separators, empty ones included.
std::vector<std::string> Split(std::string_view text, char separator);
// left, blanks, right: right ends at column `width` when both fit, else one blank between.
std::string PadBetween(const std::string& left, const std::string& right, size_t width);

}  // namespace fpemu
