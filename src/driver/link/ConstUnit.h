#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "AbortError.h"
#include "FileLogger.h"

// ---- Text -------------------------------------------------------------------------------------

// Removes leading and trailing characters with codes up to 32; bytes above 127 are text.
std::string Trim(const std::string& S);

// ---- Numbers: "." is always the decimal separator, whatever the process locale says ----------

// General format: up to 15 significant digits, no trailing zeros, fixed notation from 1E-5 up to
// 15 integer digits, otherwise scientific ("1E15", "1.5E-6"); "NAN", "INF", "-INF".
std::string FloatToStr(double Value);

// Pattern format: "0" is a digit that is always written, "#" one written only when needed, the
// first "." the decimal point; any other character is copied as it stands ("00.00%  ").
// Rounds the value as written (its shortest round-trip digits, at most 15 significant) half
// away from zero, the rule RoundMoney follows: 2.675 gives "2.68", 0.125 "0.13". A value that
// rounds to zero carries no sign.
std::string FormatFloat(const std::string& Format, double Value);

// Reads a decimal number: optional sign, digits with an optional "." and exponent; nothing else,
// no blanks. False, with Value untouched, when the text is not such a number.
bool TryStrToFloat(const std::string& S, double& Value);
// Reads a decimal integer: optional sign and digits that fit in 32 bits; nothing else.
bool TryStrToInt(const std::string& S, int32_t& Value);

// ---- Dates and times --------------------------------------------------------------------------

// Days since 30.12.1899; the fraction is the time of day (the automation DATE has the same form).
using TDateTime = double;

struct TDateTimeRec {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int MSec = 0;
};

// The local wall-clock time, to the millisecond.
TDateTime Now();
// False when a field is out of range (year 1 to 9999, a day that exists in that month, ...).
bool TryEncodeDateTime(const TDateTimeRec& Rec, TDateTime& DateTime);
// Splits a date and time, rounded to the millisecond; EAbort "Invalid date value." outside the
// years 1 to 9999.
TDateTimeRec DecodeDateTime(TDateTime DateTime);

// Pattern letters, upper or lower case: "d"/"dd" day, "m"/"mm" month, "yy" two-digit and "yyyy"
// four-digit year, "h"/"hh" hour (24-hour), "n"/"nn" minute, "s"/"ss" second, "z"/"zzz"
// millisecond; any other character is copied ("DD.MM.YY HH:NN:SS.zzz ", "DDMMYY_HHNNSS").
std::string FormatDateTime(const std::string& Format, TDateTime DateTime);

// ---- File names -------------------------------------------------------------------------------

// The text after the last "/".
std::string ExtractFileName(const std::string& FileName);
// The text before the last "/", without it, except that the root keeps it ("/x.log" gives "/").
std::string ExtractFileDir(const std::string& FileName);
// Replaces the extension of the file-name part (from its last "."), or appends Extension.
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);

// ---- The module -------------------------------------------------------------------------------

// The "FileVersion" text of the module (library or program) this code was linked into.
std::string GetModuleVersion();
// The module's full file path, or with StripPath only its file name.
std::string GetModulePath(bool StripPath);

// ---- Printer helpers --------------------------------------------------------------------------

// Four dot-separated words, each an integer from 0 to 255; runs of dots count as one and dots at
// either end are ignored ("1..2.3.4" is valid). Never raises.
bool IsValidIP(const std::string& S);

// Trim(Left), blanks, Trim(Right), so that the right text ends at column Width; a result that
// does not fit comes back whole with one blank between the texts.
std::string PadBetween(const std::string& Left, const std::string& Right, int Width);

// Two decimals, half away from zero, decided by the third decimal of the 15-digit text
// (1.005 gives 1.01, 2.3449 gives 2.34), the rule of the "0.00" pattern; below 1E-5 the amount
// is 0, and from 1E15 on, where the text has no cents, it is returned as it is.
double RoundMoney(double X);

// Payment type 0 to 11 as the printer's letter; EAbort "Invalid pay type nom: N." otherwise.
std::string PayTypeLetter(int PayType);
// Tax group 0 to 7 as the printer's letter A to G (0 and 1 give A); EAbort "Invalid TAX nom: N."
char TaxGroupLetter(int TaxGroup);
// Letter A to G (upper case) as tax group 1 to 7; EAbort "Invalid TAX char: C." otherwise.
int TaxGroupNumber(char TaxChar);

// ---- The module's log -------------------------------------------------------------------------

// The module's one logger: empty until the first WriteLog, whose folder it keeps for the rest of
// the run. Reset it to start over (tests do).
extern std::unique_ptr<TFileLogger> GlobalLogger;

// Logs Msg with Kind (0 error, 1 warning, 2 info; any other value writes nothing). The first call
// creates GlobalLogger in the folder part of LogPath, creating that folder (one level).
void WriteLog(const std::string& Msg, const std::string& LogPath, TLogKind Kind);

// The same with the folder given as it is; the program's log routine uses this form.
void WriteLogInFolder(const std::string& Msg, const std::string& Folder, TLogKind Kind);
