#include "AutoDate.h"

#include <cmath>
#include <cstdio>

namespace platform {

namespace {

// Day 0 of the automation DATE, 30 December 1899, counted from 1 January 1970.
constexpr int64_t kDateEpoch = -25569;
constexpr int64_t kMsPerDay = 86'400'000;
constexpr double kFirstDay = -657434.0;     // 1 January 100
constexpr double kPastLastDay = 2958466.0;  // 1 January 10000

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::optional<int> Number(size_t minDigits, size_t maxDigits) {
        size_t digits = 0;
        int value = 0;
        while (pos_ < text_.size() && digits < maxDigits && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_++] - '0');
            ++digits;
        }
        return digits >= minDigits ? std::optional<int>(value) : std::nullopt;
    }
    bool Take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool AtEnd() const { return pos_ == text_.size(); }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

INT SystemTimeToVariantTime(const SYSTEMTIME* time, DATE* date) {
    if (!time || !date || time->wYear < 100 || time->wYear > 9999 || time->wMonth < 1 ||
        time->wMonth > 12 || time->wDay < 1 ||
        time->wDay > DaysInMonth(time->wYear, time->wMonth) || time->wHour > 23 ||
        time->wMinute > 59 || time->wSecond > 59 || time->wMilliseconds > 999) {
        return 0;
    }
    const int64_t day = DaysFromCivil(time->wYear, time->wMonth, time->wDay) - kDateEpoch;
    const double fraction = ((time->wHour * 60 + time->wMinute) * 60 + time->wSecond) / 86400.0 +
                            time->wMilliseconds / double(kMsPerDay);
    *date = day >= 0 ? double(day) + fraction : double(day) - fraction;
    return 1;
}

INT VariantTimeToSystemTime(DATE date, SYSTEMTIME* time) {
    if (!time || !(date >= kFirstDay && date < kPastLastDay)) {
        return 0;
    }
    int64_t day = static_cast<int64_t>(std::trunc(date));
    int64_t ms = std::llround(std::fabs(date - double(day)) * kMsPerDay);
    if (ms >= kMsPerDay) {  // rounded up to the next midnight
        ms -= kMsPerDay;
        ++day;
    }
    int64_t y;
    unsigned m, d;
    const int64_t unixDay = day + kDateEpoch;
    CivilFromDays(unixDay, y, m, d);
    if (y > 9999) {
        return 0;
    }
    time->wYear = static_cast<WORD>(y);
    time->wMonth = static_cast<WORD>(m);
    time->wDay = static_cast<WORD>(d);
    time->wDayOfWeek = static_cast<WORD>(((unixDay + 4) % 7 + 7) % 7);  // 1 Jan 1970: Thursday
    time->wHour = static_cast<WORD>(ms / 3'600'000);
    time->wMinute = static_cast<WORD>(ms / 60'000 % 60);
    time->wSecond = static_cast<WORD>(ms / 1000 % 60);
    time->wMilliseconds = static_cast<WORD>(ms % 1000);
    return 1;
}

std::string DateToText(DATE date) {
    SYSTEMTIME t;
    if (!VariantTimeToSystemTime(date, &t)) {
        return {};
    }
    char text[64];
    const bool hasTime = t.wHour || t.wMinute || t.wSecond;
    if (hasTime && t.wYear == 1899 && t.wMonth == 12 && t.wDay == 30) {
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    } else if (hasTime) {
        std::snprintf(text, sizeof text, "%02u.%02u.%04u %02u:%02u:%02u", t.wDay, t.wMonth, t.wYear,
                      t.wHour, t.wMinute, t.wSecond);
    } else {
        std::snprintf(text, sizeof text, "%02u.%02u.%04u", t.wDay, t.wMonth, t.wYear);
    }
    return text;
}

std::optional<DATE> DateFromText(std::string_view text) {
    Scanner scan(text);
    SYSTEMTIME t{};
    const std::optional<int> first = scan.Number(1, 4);
    std::optional<int> month, last;
    if (!first) {
        return std::nullopt;
    }
    if (scan.Take('.')) {
        month = scan.Number(1, 2);
        last = scan.Take('.') ? scan.Number(4, 4) : std::nullopt;
        t.wDay = static_cast<WORD>(*first);
        t.wYear = static_cast<WORD>(last.value_or(0));
    } else if (scan.Take('-')) {
        month = scan.Number(1, 2);
        last = scan.Take('-') ? scan.Number(1, 2) : std::nullopt;
        t.wYear = static_cast<WORD>(*first);
        t.wDay = static_cast<WORD>(last.value_or(0));
    }
    if (!month || !last) {
        return std::nullopt;
    }
    t.wMonth = static_cast<WORD>(*month);
    if (scan.Take(' ') || scan.Take('T')) {
        const std::optional<int> hour = scan.Number(1, 2);
        const std::optional<int> minute = scan.Take(':') ? scan.Number(1, 2) : std::nullopt;
        const std::optional<int> second = scan.Take(':') ? scan.Number(1, 2) : 0;
        if (!hour || !minute || !second) {
            return std::nullopt;
        }
        t.wHour = static_cast<WORD>(*hour);
        t.wMinute = static_cast<WORD>(*minute);
        t.wSecond = static_cast<WORD>(*second);
    }
    DATE date;
    if (!scan.AtEnd() || !SystemTimeToVariantTime(&t, &date)) {
        return std::nullopt;
    }
    return date;
}

}  // namespace platform
