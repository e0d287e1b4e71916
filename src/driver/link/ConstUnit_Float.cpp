#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "ConstUnit.h"

namespace {

// A value as decimal digits: 0.Digits x 10^Exponent, no trailing zeros; zero has no digits.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

void StripTrailingZeros(TDecimal& D) {
    while (!D.Digits.empty() && D.Digits.back() == '0') {
        D.Digits.pop_back();
    }
    if (D.Digits.empty()) {
        D.Exponent = 0;
    }
}

// The value as written: the shortest digits that read back as the same double, so 2.675 is
// 2.675 and not the 2.67499999... that the double holds.
TDecimal ToDecimal(double Value) {
    TDecimal D;
    D.Negative = std::signbit(Value);
    if (Value == 0) {
        return D;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(Value),
                                      std::chars_format::scientific);
    // "d[.ddd]e-xx"
    const char* e = static_cast<const char*>(std::memchr(buffer, 'e', result.ptr - buffer));
    D.Digits = std::string(1, buffer[0]);
    if (buffer[1] == '.') {
        D.Digits.append(static_cast<const char*>(buffer) + 2, e);
    }
    int exponent = 0;
    const char* start = e + 1;
    if (*start == '+') {
        ++start;
    }
    std::from_chars(start, result.ptr, exponent);
    D.Exponent = exponent + 1;
    StripTrailingZeros(D);
    return D;
}

// Keeps Count significant digits, rounding half away from zero.
void RoundDigits(TDecimal& D, int Count) {
    if (Count < 0) {
        D.Digits.clear();
    } else if (static_cast<int>(D.Digits.size()) > Count) {
        const bool up = D.Digits[Count] >= '5';
        D.Digits.resize(Count);
        if (up) {
            int i = Count - 1;
            while (i >= 0 && D.Digits[i] == '9') {
                D.Digits[i--] = '0';
            }
            if (i >= 0) {
                ++D.Digits[i];
            } else {
                D.Digits.insert(D.Digits.begin(), '1');
                ++D.Exponent;
            }
        }
    }
    StripTrailingZeros(D);
}

constexpr int kPrecision = 15;

// Every number the unit writes or rounds starts from these digits: the value as written, at
// most 15 significant, so a pattern, RoundMoney and FloatToStr never see two different values.
TDecimal WrittenDecimal(double Value) {
    TDecimal D = ToDecimal(Value);
    RoundDigits(D, kPrecision);
    return D;
}

// The written value rounded to Decimals places, half away from zero.
TDecimal RoundedDecimal(double Value, int Decimals) {
    TDecimal D = WrittenDecimal(Value);
    RoundDigits(D, D.Exponent + Decimals);
    return D;
}

double ToDouble(const TDecimal& D) {
    if (D.Digits.empty()) {
        return 0;
    }
    const std::string text = "0." + D.Digits + "e" + std::to_string(D.Exponent);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return D.Negative ? -value : value;
}

// The digit at decimal place Place (1 = tenths, 0 = units, -1 = tens ...).
char DigitAt(const TDecimal& D, int Place) {
    const int index = D.Exponent + Place - 1;
    return index >= 0 && index < static_cast<int>(D.Digits.size()) ? D.Digits[index] : '0';
}

// from_chars reads a "-" but no "+"; a "+" may stand in front of the digits instead.
bool SkipPlusSign(const char*& First, const char* Last) {
    if (First != Last && *First == '+') {
        ++First;
        return First != Last && *First != '-';
    }
    return true;
}

// The whole text as one number, or false with Value untouched.
template <typename Number>
bool ReadWholeNumber(const std::string& S, Number& Value) {
    const char* first = S.data();
    const char* last = first + S.size();
    if (!SkipPlusSign(first, last)) {
        return false;
    }
    // Only digits or a point may follow the sign: no "inf" or "nan".
    const char* body = first != last && *first == '-' ? first + 1 : first;
    if (body == last || (!std::isdigit(static_cast<unsigned char>(*body)) && *body != '.')) {
        return false;
    }
    Number parsed{};
    const auto result = std::from_chars(first, last, parsed);
    if (result.ec != std::errc() || result.ptr != last) {
        return false;
    }
    Value = parsed;
    return true;
}

const char* NonFiniteText(double Value) {
    if (std::isnan(Value)) {
        return "NAN";
    }
    return Value > 0 ? "INF" : "-INF";
}

}  // namespace

std::string FloatToStr(double Value) {
    if (!std::isfinite(Value)) {
        return NonFiniteText(Value);
    }
    const TDecimal D = WrittenDecimal(Value);
    if (D.Digits.empty()) {
        return "0";
    }
    std::string text = D.Negative ? "-" : "";
    const int digits = static_cast<int>(D.Digits.size());
    if (D.Exponent > kPrecision || D.Exponent < -4) {
        text += D.Digits[0];
        if (digits > 1) {
            text += '.' + D.Digits.substr(1);
        }
        return text + "E" + std::to_string(D.Exponent - 1);
    }
    if (D.Exponent <= 0) {
        return text + "0." + std::string(-D.Exponent, '0') + D.Digits;
    }
    if (digits <= D.Exponent) {
        return text + D.Digits + std::string(D.Exponent - digits, '0');
    }
    return text + D.Digits.substr(0, D.Exponent) + "." + D.Digits.substr(D.Exponent);
}

std::string FormatFloat(const std::string& Format, double Value) {
    if (!std::isfinite(Value)) {
        return NonFiniteText(Value);
    }
    const size_t point = Format.find('.');
    const std::string integerPart = Format.substr(0, point);
    const std::string fractionPart = point == std::string::npos ? "" : Format.substr(point + 1);

    // Integer digits always written: the placeholders from the first "0" to the point.
    const size_t firstZero = integerPart.find('0');
    int minIntegerDigits = 0;
    for (size_t i = firstZero; i < integerPart.size(); ++i) {
        minIntegerDigits += integerPart[i] == '0' || integerPart[i] == '#';
    }
    // Decimals: up to every placeholder, at least up to the last "0".
    int maxDecimals = 0;
    int minDecimals = 0;
    for (const char c : fractionPart) {
        if (c == '0' || c == '#') {
            ++maxDecimals;
            if (c == '0') {
                minDecimals = maxDecimals;
            }
        }
    }

    const TDecimal D = RoundedDecimal(Value, maxDecimals);

    std::string integerDigits;
    for (int place = std::max(D.Exponent, minIntegerDigits); place > 0; --place) {
        integerDigits += DigitAt(D, 1 - place);
    }
    std::string decimals;
    for (int place = 1; place <= maxDecimals; ++place) {
        decimals += DigitAt(D, place);
    }
    while (static_cast<int>(decimals.size()) > minDecimals && decimals.back() == '0') {
        decimals.pop_back();
    }

    std::string text = D.Negative && !D.Digits.empty() ? "-" : "";
    bool integerWritten = false;
    for (const char c : integerPart) {
        if (c == '0' || c == '#') {
            if (!integerWritten) {
                text += integerDigits;
                integerWritten = true;
            }
        } else {
            text += c;
        }
    }
    if (!integerWritten) {
        text += integerDigits;
    }
    if (point == std::string::npos) {
        return text;
    }
    if (!decimals.empty()) {
        text += '.';
    }
    size_t next = 0;
    for (const char c : fractionPart) {
        if (c == '0' || c == '#') {
            if (next < decimals.size()) {
                text += decimals[next++];
            }
        } else {
            text += c;
        }
    }
    return text;
}

double RoundMoney(double X) {
    // Too small for a cent, or not a number at all: nothing. Beyond 15 integer digits there
    // are no cents left to round.
    if (!std::isfinite(X) || std::abs(X) < 0.00001) {
        return 0;
    }
    if (WrittenDecimal(X).Exponent > kPrecision) {
        return X;
    }
    return ToDouble(RoundedDecimal(X, 2));
}

bool TryStrToFloat(const std::string& S, double& Value) {
    return ReadWholeNumber(S, Value);
}

bool TryStrToInt(const std::string& S, int32_t& Value) {
    return ReadWholeNumber(S, Value);
}
