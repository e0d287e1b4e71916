#include "Calendar.h"

#include <time.h>

#include "Money.h"

namespace fpemu {

bool CalendarSeconds(int year, int month, int day, int hour, int minute, int second,
                     int64_t& seconds) {
    tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const time_t moment = timegm(&fields);
    // timegm carries overflowing fields over; a real date comes back unchanged.
    tm back{};
    gmtime_r(&moment, &back);
    if (back.tm_year != year - 1900 || back.tm_mon != month - 1 || back.tm_mday != day ||
        back.tm_hour != hour || back.tm_min != minute || back.tm_sec != second) {
        return false;
    }
    seconds = moment;
    return true;
}

bool ParseDay(const std::string& text, int64_t& day) {
    int64_t dd = 0, mm = 0, yy = 0, seconds = 0;
    if (text.size() != 6 || text.find_first_not_of("0123456789") != std::string::npos ||
        !ParseInt(text.substr(0, 2), dd) || !ParseInt(text.substr(2, 2), mm) ||
        !ParseInt(text.substr(4, 2), yy) ||
        !CalendarSeconds(2000 + static_cast<int>(yy), static_cast<int>(mm), static_cast<int>(dd), 0,
                         0, 0, seconds)) {
        return false;
    }
    day = seconds / kSecondsPerDay;
    return true;
}

std::string FormatCalendar(int64_t seconds, const char* format) {
    const time_t moment = static_cast<time_t>(seconds);
    tm fields{};
    gmtime_r(&moment, &fields);
    char text[64];
    strftime(text, sizeof text, format, &fields);
    return text;
}

}  // namespace fpemu
