#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "AutoTypes.h"

namespace platform {

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;  // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Between the calendar (years 100 to 9999) and the automation DATE. Before 30 December 1899
// the fraction still counts forward from midnight: -1.25 is 29 December 1899, 06:00.
// Both return 0 for a value out of range and non-zero on success.
INT SystemTimeToVariantTime(const SYSTEMTIME* time, DATE* date);
INT VariantTimeToSystemTime(DATE date, SYSTEMTIME* time);

// "DD.MM.YYYY HH:NN:SS"; the date alone at midnight, the time alone on day 0.
std::string DateToText(DATE date);
// "DD.MM.YYYY[ HH:NN[:SS]]" or "YYYY-MM-DD[ HH:NN[:SS]]" (also with "T" before the time).
std::optional<DATE> DateFromText(std::string_view text);

}  // namespace platform
