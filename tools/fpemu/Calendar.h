#pragma once

#include <cstdint>
#include <string>

// The printer's calendar: seconds since 1970 read without any time zone, so the emulator's
// clock never depends on the machine's settings.
namespace fpemu {

constexpr int64_t kSecondsPerDay = 86400;

// False when the fields make no real date and time (31 February, 24 o'clock, ...).
bool CalendarSeconds(int year, int month, int day, int hour, int minute, int second,
                     int64_t& seconds);
// "ddmmyy" as a day number; false when it is no date.
bool ParseDay(const std::string& text, int64_t& day);
// strftime-style text of a moment.
std::string FormatCalendar(int64_t seconds, const char* format);

}  // namespace fpemu
