#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AbortError.h"
#include "ConstUnit.h"

namespace {

struct FloatRow {
    double value;
    const char* text;
};

TEST(ConstUnitFormat, FloatToStrGivesFifteenDigitsWithoutTrailingZeros) {
    const std::vector<FloatRow> rows = {
        {0, "0"},
        {-0.0, "0"},
        {7, "7"},
        {-1.5, "-1.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {-2.0 / 3, "-0.666666666666667"},
        {123456789012345, "123456789012345"},
        {999999999999999.95, "1E15"},
        {1e15, "1E15"},
        {1234567890123456789.0, "1.23456789012346E18"},
        {1e100, "1E100"},
        {0.00001, "0.00001"},
        {0.0001234, "0.0001234"},
        {0.000009, "9E-6"},
        {-1.5e-7, "-1.5E-7"},
        {0.99999999999999994, "1"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const FloatRow& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(FloatToStr(row.value), row.text);
    }
}

struct PatternRow {
    const char* format;
    double value;
    const char* text;
};

TEST(ConstUnitFormat, FormatFloatRoundsHalvesAwayFromZeroOnTheDecimalValue) {
    const std::vector<PatternRow> rows = {
        {"0.00", 0.125, "0.13"},  // an exact half
        {"0.00", -0.125, "-0.13"},
        {"0.00", 0.375, "0.38"},
        {"0.00", 2.675, "2.68"},  // the double lies just below the half; the value as written
        {"0.00", 1.005, "1.01"},  // does not
        {"0.00", 999.999, "1000.00"},
        {"0.00", -0.004, "0.00"},  // rounds to zero: no sign
        {"0.00", -0.005, "-0.01"},
        {"0.00", 12345678.9, "12345678.90"},
        {"0.00", 1e20, "100000000000000000000.00"},
        {"0.000", 0, "0.000"},
        {"0.000", 0.0625, "0.063"},
        {"0.000", -1.5, "-1.500"},
        {"0.000", 1234.5678, "1234.568"},
        {"0.00##", 1.5, "1.50"},
        {"0.00##", 1.23456, "1.2346"},
        {"00.00%  ", 5.5, "05.50%  "},
        {"00.00%  ", -12.5, "-12.50%  "},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"#.00", 0.5, ".50"},
    };
    for (const PatternRow& row : rows) {
        SCOPED_TRACE(std::string(row.format) + " " + row.text);
        EXPECT_EQ(FormatFloat(row.format, row.value), row.text);
    }
}

TEST(ConstUnitFormat, NumbersAreReadWithAPointOnly) {
    double d = -99;
    for (const char* good : {"1.5", "-0.25", "+3", "1e3", ".5", "7."}) {
        EXPECT_TRUE(TryStrToFloat(good, d)) << good;
    }
    EXPECT_TRUE(TryStrToFloat("-12.5E-1", d));
    EXPECT_EQ(d, -1.25);
    for (const char* bad : {"", "abc", "1,5", " 1", "1 ", "+-1", "-", "inf", "nan", "0x10"}) {
        EXPECT_FALSE(TryStrToFloat(bad, d)) << bad;
    }
    EXPECT_EQ(d, -1.25);

    int32_t i = 0;
    EXPECT_TRUE(TryStrToInt("+7", i));
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(TryStrToInt("-2147483648", i));
    for (const char* bad : {"", "1.0", "2147483648", "+-1", " 1", "1a", "$10"}) {
        EXPECT_FALSE(TryStrToInt(bad, i)) << bad;
    }
}

TDateTime Encode(int y, int m, int d, int h = 0, int n = 0, int s = 0, int z = 0) {
    TDateTime value = 0;
    EXPECT_TRUE(TryEncodeDateTime({y, m, d, h, n, s, z}, value));
    return value;
}

TEST(ConstUnitDateTime, DaysCountFromTheEndOf1899) {
    EXPECT_EQ(Encode(1899, 12, 30), 0);
    EXPECT_EQ(Encode(1900, 1, 1), 2);
    EXPECT_EQ(Encode(2023, 3, 15), 45000);
    EXPECT_EQ(Encode(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(Encode(2000, 1, 1, 12), 36526.5);

    const TDateTimeRec before = DecodeDateTime(-1.25);
    EXPECT_EQ(before.Day, 29);
    EXPECT_EQ(before.Hour, 6);
    // A time a hair before midnight rounds to the next day, not to hour 24.
    const TDateTimeRec midnight = DecodeDateTime(Encode(2024, 2, 28) + 0.99999999999);
    EXPECT_EQ(midnight.Day, 29);
    EXPECT_EQ(midnight.Hour, 0);

    EXPECT_EQ(DecodeDateTime(Encode(9999, 12, 31, 23)).Year, 9999);
    EXPECT_EQ(DecodeDateTime(Encode(1, 1, 1)).Year, 1);
    for (const TDateTime bad : {std::nan(""), 1e300, -1e300, 2'958'466.0, -693'594.5}) {
        EXPECT_THROW(DecodeDateTime(bad), EAbort) << bad;
    }
}

TEST(ConstUnitDateTime, RefusesFieldsOutOfRange) {
    TDateTime value = 0;
    EXPECT_TRUE(TryEncodeDateTime({2024, 2, 29, 23, 59, 59, 999}, value));
    EXPECT_TRUE(TryEncodeDateTime({2000, 2, 29}, value));
    const std::vector<TDateTimeRec> bad = {
        {2025, 2, 29},       {1900, 2, 29},
        {2024, 13, 1},       {2024, 4, 31},
        {0, 1, 1},           {2024, 1, 1, 24, 0, 0},
        {2024, 1, 1, 0, 60}, {2024, 1, 1, 0, 0, 60},
        {2024, 1, 0},        {2024, 1, 1, 0, 0, 0, 1000},
    };
    for (const TDateTimeRec& rec : bad) {
        SCOPED_TRACE(std::to_string(rec.Year) + "-" + std::to_string(rec.Month) + "-" +
                     std::to_string(rec.Day));
        EXPECT_FALSE(TryEncodeDateTime(rec, value));
    }
}

TEST(ConstUnitDateTime, FormatsThePatternsInUse) {
    const TDateTime when = Encode(2026, 12, 8, 14, 30, 5, 42);
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"DD.MM.YY HH:NN:SS.zzz ", "08.12.26 14:30:05.042 "},
        {"DDMMYY_HHNNSS", "081226_143005"},
        {"ddmmyy", "081226"},
        {"dd-mm-yy hh:nn", "08-12-26 14:30"},
        {"dd.mm.yyyy hh:nn:ss", "08.12.2026 14:30:05"},
        {"ddmmyyhhnnss", "081226143005"},
        {"d.m.yyyy h:n:s.z", "8.12.2026 14:30:5.42"},
    };
    for (const auto& [format, text] : rows) {
        SCOPED_TRACE(format);
        EXPECT_EQ(FormatDateTime(format, when), text);
    }
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", Encode(5, 1, 2)), "02.01.0005");
}

TEST(ConstUnitFiles, NamesAndFolders) {
    EXPECT_EQ(ExtractFileDir("/var/log/driver.log"), "/var/log");
    EXPECT_EQ(ExtractFileDir("/var/log/"), "/var/log");
    EXPECT_EQ(ExtractFileDir("/var/log"), "/var");
    EXPECT_EQ(ExtractFileDir("/driver.log"), "/");
    EXPECT_EQ(ExtractFileDir("driver.log"), "");
    EXPECT_EQ(ExtractFileName("/var/log/driver.log"), "driver.log");
    EXPECT_EQ(ExtractFileName("/var/log/"), "");
    EXPECT_EQ(ChangeFileExt("Kalvora.so", "_Log.txt"), "Kalvora_Log.txt");
    EXPECT_EQ(ChangeFileExt("/opt/a.b/Ostrelin", "_Log.txt"), "/opt/a.b/Ostrelin_Log.txt");
    EXPECT_EQ(ChangeFileExt("/x/Kalvora_Log.txt", "_081226_143015.txt"),
              "/x/Kalvora_Log_081226_143015.txt");
}

TEST(ConstUnitModule, VersionAndPathOfThisProgram) {
    EXPECT_EQ(GetModuleVersion().rfind(PROJECT_VERSION_TEXT, 0), 0u);
    EXPECT_EQ(GetModulePath(true), "constunit_tests");
    EXPECT_EQ(ExtractFileName(GetModulePath(false)), "constunit_tests");
    EXPECT_EQ(GetModulePath(false).front(), '/');
}

TEST(ConstUnitHelpers, TrimKeepsBytesAboveAscii) {
    EXPECT_EQ(Trim(" \t\r\n\x01\xC0\xEF\xF0 x \xFF\x1F "), "\xC0\xEF\xF0 x \xFF");
    EXPECT_EQ(Trim(" \t "), "");
}

TEST(ConstUnitHelpers, IsValidIP) {
    for (const char* good :
         {"192.168.0.1", "0.0.0.0", "255.255.255.255", "1..2.3.4", ".1.2.3.4.", "010.1.1.1"}) {
        EXPECT_TRUE(IsValidIP(good)) << good;
    }
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "a.b.c.d", "", "...", "1.2.3.-1",
                            "1.2.3.4a", "1.2.3. 4", "99999999999.1.1.1"}) {
        EXPECT_FALSE(IsValidIP(bad)) << bad;
    }
}

TEST(ConstUnitHelpers, PadBetweenEndsTheRightTextAtTheWidth) {
    EXPECT_EQ(PadBetween("TOTAL", "12,50", 20), "TOTAL          12,50");
    EXPECT_EQ(PadBetween("TOTAL", "12,50", 5), "TOTAL 12,50");
    EXPECT_EQ(PadBetween("  A\t", " B  ", 6), "A    B");
    EXPECT_EQ(PadBetween("", "X", 3), "  X");
    EXPECT_EQ(PadBetween("A", "B", -4), "A B");
}

TEST(ConstUnitHelpers, RoundMoneyLooksAtTheThirdDecimalOfTheText) {
    const std::vector<std::pair<double, double>> rows = {
        {2.345, 2.35},
        {-2.345, -2.35},
        {2.3449, 2.34},
        {1.5, 1.5},
        {7, 7},
        {0.000004, 0},
        {-0.000004, 0},
        {1.005, 1.01},
        {2.675, 2.68},
        {0.995, 1},
        {-0.995, -1},
        {0.00001, 0},
        {0.125, 0.13},
        {123456.785, 123456.79},
        {1.2345e15, 1.2345e15},  // no cents to round at that size
    };
    for (const auto& [value, rounded] : rows) {
        SCOPED_TRACE(FloatToStr(value));
        EXPECT_EQ(RoundMoney(value), rounded);
    }
    EXPECT_FALSE(std::signbit(RoundMoney(-0.000004)));
}

// The amount a pattern sends and the amount the driver sums must be the same cent.
TEST(ConstUnitHelpers, PatternsAndRoundMoneyRoundHalfwayAmountsAlike) {
    const std::vector<std::pair<double, const char*>> rows = {
        {2.675, "2.68"},
        {1.005, "1.01"},
        {0.015, "0.02"},
        {-2.675, "-2.68"},
        {-0.015, "-0.02"},
        {1.115, "1.12"},
        {8.345, "8.35"},
        {10.005, "10.01"},
        {std::nextafter(2.675, 0.0), "2.68"},  // a product one step below the half
        {1.15 * 3, "3.45"},
        {0.1 + 0.2, "0.30"},
        {1e17, "100000000000000000.00"},
    };
    for (const auto& [value, text] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(FormatFloat("0.00", value), text);
        EXPECT_EQ(FormatFloat("0.00", RoundMoney(value)), text);
    }
    // Every half cent up to 100.
    for (int cents = 0; cents < 10000; ++cents) {
        const std::string whole = std::to_string(cents / 100) + ".";
        const std::string two = std::to_string(100 + cents % 100).substr(1);
        double value = 0;
        ASSERT_TRUE(TryStrToFloat(whole + two + "5", value));
        const int up = cents + 1;
        const std::string expected =
            std::to_string(up / 100) + "." + std::to_string(100 + up % 100).substr(1);
        ASSERT_EQ(FormatFloat("0.00", value), expected) << whole + two + "5";
        ASSERT_EQ(FormatFloat("0.00", RoundMoney(value)), expected) << whole + two + "5";
    }
    EXPECT_EQ(FormatFloat("0.000", 1.0005), "1.001");
    EXPECT_EQ(FormatFloat("0.000", 2.0015), "2.002");
}

template <typename Call>
std::string ErrorOf(Call call) {
    try {
        call();
    } catch (const EAbort& error) {
        return error.what();
    }
    return "no error";
}

TEST(ConstUnitHelpers, PaymentAndTaxLetters) {
    const std::string payLetters = "PPNCDIJKLMQR";
    for (int type = 0; type <= 11; ++type) {
        EXPECT_EQ(PayTypeLetter(type), payLetters.substr(type, 1)) << type;
    }
    EXPECT_EQ(ErrorOf([] { PayTypeLetter(12); }), "Invalid pay type nom: 12.");
    EXPECT_EQ(ErrorOf([] { PayTypeLetter(-1); }), "Invalid pay type nom: -1.");

    const std::string taxLetters = "AABCDEFG";
    for (int group = 0; group <= 7; ++group) {
        EXPECT_EQ(TaxGroupLetter(group), taxLetters[group]) << group;
    }
    EXPECT_EQ(ErrorOf([] { TaxGroupLetter(8); }), "Invalid TAX nom: 8.");
    EXPECT_EQ(ErrorOf([] { TaxGroupLetter(-1); }), "Invalid TAX nom: -1.");

    for (char letter = 'A'; letter <= 'G'; ++letter) {
        EXPECT_EQ(TaxGroupNumber(letter), letter - 'A' + 1);
    }
    EXPECT_EQ(ErrorOf([] { TaxGroupNumber('a'); }), "Invalid TAX char: a.");
    EXPECT_EQ(ErrorOf([] { TaxGroupNumber('H'); }), "Invalid TAX char: H.");
}

}  // namespace
