#pragma once

#include <string>
#include <string_view>

namespace platform {

// 8-bit text inside the system is in the ANSI code page; the automation boundary carries
// UTF-16 and the user interface UTF-8. A character the target cannot hold becomes "?", and so
// does a malformed input sequence, so a conversion never fails on content.

// The iconv name of the ANSI code page: "CP1251" unless KALVORA_CODEPAGE names another
// (a bare number n means "CPn"). Read once and cached; throws std::runtime_error when iconv
// does not know the name.
std::string AnsiCodePage();

// Forgets the cached code page so the next conversion reads KALVORA_CODEPAGE again.
void ResetAnsiCodePage();

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
