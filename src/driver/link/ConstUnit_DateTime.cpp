#include <time.h>

#include <cctype>
#include <cmath>

#include "AbortError.h"
#include "ConstUnit.h"

namespace {

constexpr int64_t kMSecsPerDay = 86'400'000;
// 30.12.1899, day 0 of TDateTime, counted from 1.1.1970.
constexpr int64_t kDay0FromUnixEpoch = -25'569;

// Days from 1.1.1970 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t Year, int Month, int Day) {
    Year -= Month <= 2;
    const int64_t era = (Year >= 0 ? Year : Year - 399) / 400;
    const int64_t yearOfEra = Year - era * 400;
    const int64_t dayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

void CivilFromDays(int64_t Days, TDateTimeRec& Rec) {
    Days += 719'468;
    const int64_t era = (Days >= 0 ? Days : Days - 146'096) / 146'097;
    const int64_t dayOfEra = Days - era * 146'097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    Rec.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    Rec.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    Rec.Year = static_cast<int>(yearOfEra + era * 400 + (Rec.Month <= 2));
}

bool IsLeapYear(int Year) {
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

int DaysInMonth(int Year, int Month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return Month == 2 && IsLeapYear(Year) ? 29 : kDays[Month - 1];
}

std::string Padded(int Value, size_t Width) {
    std::string text = std::to_string(Value);
    return text.size() < Width ? std::string(Width - text.size(), '0') + text : text;
}

}  // namespace

TDateTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    TDateTimeRec rec;
    rec.Year = local.tm_year + 1900;
    rec.Month = local.tm_mon + 1;
    rec.Day = local.tm_mday;
    rec.Hour = local.tm_hour;
    rec.Minute = local.tm_min;
    // A leap second is shown as the last second of its minute.
    rec.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
    rec.MSec = static_cast<int>(now.tv_nsec / 1'000'000);
    TDateTime result = 0;
    TryEncodeDateTime(rec, result);
    return result;
}

bool TryEncodeDateTime(const TDateTimeRec& Rec, TDateTime& DateTime) {
    if (Rec.Year < 1 || Rec.Year > 9999 || Rec.Month < 1 || Rec.Month > 12 || Rec.Day < 1 ||
        Rec.Day > DaysInMonth(Rec.Year, Rec.Month) || Rec.Hour < 0 || Rec.Hour > 23 ||
        Rec.Minute < 0 || Rec.Minute > 59 || Rec.Second < 0 || Rec.Second > 59 || Rec.MSec < 0 ||
        Rec.MSec > 999) {
        return false;
    }
    const double date =
        static_cast<double>(DaysFromCivil(Rec.Year, Rec.Month, Rec.Day) - kDay0FromUnixEpoch);
    const double time =
        static_cast<double>(((Rec.Hour * 60 + Rec.Minute) * 60 + Rec.Second) * 1000 + Rec.MSec) /
        kMSecsPerDay;
    // Before day 0 the time of day still counts forward from midnight: -1.25 is 29.12.1899 06:00.
    DateTime = date < 0 ? date - time : date + time;
    return true;
}

TDateTimeRec DecodeDateTime(TDateTime DateTime) {
    // Years 1 to 9999 only: a NaN or huge value from a client must not reach the integer casts.
    constexpr TDateTime kFirstDay = -693'593;       // 01.01.0001
    constexpr TDateTime kDayAfterLast = 2'958'466;  // 01.01.10000
    if (!(DateTime > kFirstDay - 1 && DateTime < kDayAfterLast)) {
        throw EAbort("Invalid date value.");
    }
    int64_t days = static_cast<int64_t>(std::trunc(DateTime));
    int64_t msecs = std::llround(std::fabs(DateTime - std::trunc(DateTime)) * kMSecsPerDay);
    if (msecs >= kMSecsPerDay) {
        msecs -= kMSecsPerDay;
        days += DateTime < 0 ? -1 : 1;
    }
    TDateTimeRec rec;
    CivilFromDays(days + kDay0FromUnixEpoch, rec);
    rec.MSec = static_cast<int>(msecs % 1000);
    rec.Second = static_cast<int>(msecs / 1000 % 60);
    rec.Minute = static_cast<int>(msecs / 60'000 % 60);
    rec.Hour = static_cast<int>(msecs / 3'600'000);
    return rec;
}

std::string FormatDateTime(const std::string& Format, TDateTime DateTime) {
    const TDateTimeRec rec = DecodeDateTime(DateTime);
    std::string text;
    size_t i = 0;
    while (i < Format.size()) {
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(Format[i])));
        size_t run = 1;
        while (i + run < Format.size() &&
               std::tolower(static_cast<unsigned char>(Format[i + run])) == letter) {
            ++run;
        }
        // A pair is the two-digit form, a single letter the plain number.
        const size_t pair = run >= 2 ? 2 : 1;
        switch (letter) {
            case 'y':
                if (run >= 3) {
                    text += Padded(rec.Year, 4);
                    run = std::min<size_t>(run, 4);
                } else {
                    text += Padded(rec.Year % 100, 2);
                    run = std::min<size_t>(run, 2);
                }
                break;
            case 'd':
            case 'm':
            case 'h':
            case 'n':
            case 's': {
                const int value = letter == 'd'   ? rec.Day
                                  : letter == 'm' ? rec.Month
                                  : letter == 'h' ? rec.Hour
                                  : letter == 'n' ? rec.Minute
                                                  : rec.Second;
                text += Padded(value, pair);
                run = pair;
                break;
            }
            case 'z':
                run = run >= 3 ? 3 : 1;
                text += Padded(rec.MSec, run);
                break;
            default:
                text += Format[i];
                run = 1;
                break;
        }
        i += run;
    }
    return text;
}
