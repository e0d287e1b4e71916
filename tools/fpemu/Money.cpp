#include "Money.h"

namespace fpemu {

namespace {

// Nine integer digits keep every product of amount and quantity inside 128 bits with room.
constexpr size_t kMaxIntegerDigits = 9;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseFixed(std::string_view text, int decimals, int64_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || whole.size() > kMaxIntegerDigits ||
        fraction.size() > static_cast<size_t>(decimals) ||
        (point != std::string_view::npos && fraction.empty())) {
        return false;
    }
    int64_t result = 0;
    for (char c : whole) {
        if (!IsDigit(c)) {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    for (int i = 0; i < decimals; ++i) {
        const char c = static_cast<size_t>(i) < fraction.size() ? fraction[i] : '0';
        if (!IsDigit(c)) {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    value = negative ? -result : result;
    return true;
}

bool ParseInt(std::string_view text, int64_t& value) {
    return text.find('.') == std::string_view::npos && ParseFixed(text, 0, value);
}

std::string FormatFixed(int64_t value, int decimals) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    if (decimals > 0) {
        if (digits.size() <= static_cast<size_t>(decimals)) {
            digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<size_t>(decimals), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

int64_t RoundDiv(__int128 numerator, int64_t denominator) {
    const bool negative = (numerator < 0) != (denominator < 0);
    const __int128 n = numerator < 0 ? -numerator : numerator;
    const __int128 d = denominator < 0 ? -static_cast<__int128>(denominator) : denominator;
    const auto quotient = static_cast<int64_t>((n + d / 2) / d);
    return negative ? -quotient : quotient;
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        fields.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return fields;
        }
        start = end + 1;
    }
}

std::string PadBetween(const std::string& left, const std::string& right, size_t width) {
    const size_t used = left.size() + right.size();
    return left + std::string(used < width ? width - used : 1, ' ') + right;
}

}  // namespace fpemu
