#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Automation.h"
#include "TestVariants.h"

namespace {

using namespace platform;

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
    constexpr GUID id = "{840c3396-FFCF-4028-a435-8B1276E89995}"_guid;
    EXPECT_EQ(id.Data1, 0x840C3396u);
    EXPECT_EQ(id.Data2, 0xFFCF);
    EXPECT_EQ(id.Data4[0], 0xA4);
    EXPECT_EQ(id.Data4[7], 0x95);
    EXPECT_EQ(GUIDToString(id), "{840C3396-FFCF-4028-A435-8B1276E89995}");
    EXPECT_EQ(GUIDFromString(GUIDToString(id)), id);
    for (const char* bad :
         {"", "840C3396-FFCF-4028-A435-8B1276E89995", "{840C3396-FFCF-4028-A435-8B1276E8999}",
          "{840C3396-FFCF-4028-A435+8B1276E89995}", "{840C3396-FFCF-4028-A435-8B1276E8999G}"}) {
        EXPECT_EQ(GUIDFromString(bad), std::nullopt) << bad;
    }
}

TEST(BStr, IsLengthPrefixedAndNullReadsAsEmpty) {
    BSTR text = SysAllocString(u"ab\0cd");  // stops at the zero
    EXPECT_EQ(SysStringLen(text), 2u);
    SysFreeString(text);
    text = SysAllocStringLen(u"ab\0cd", 5);  // keeps embedded zeros
    EXPECT_EQ(BSTRView(text), std::u16string_view(u"ab\0cd", 5));
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(text)[-1], 10u);
    EXPECT_EQ(text[5], u'\0');
    SysFreeString(text);

    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(BSTRView(nullptr), u"");
    EXPECT_EQ(BSTRToAnsi(nullptr), "");
    SysFreeString(nullptr);

    text = AnsiToBSTR("\xCA\xE0\xF1\xE0 1");  // "Каса 1" in the default code page
    EXPECT_EQ(BSTRView(text), u"Каса 1");
    EXPECT_EQ(BSTRToAnsi(text), "\xCA\xE0\xF1\xE0 1");
    SysFreeString(text);
}

struct Coercion {
    VARIANT from;
    VARTYPE to;
    HRESULT hr;
    double number;        // expected I4, R8, DATE or BOOL value
    std::u16string text;  // expected BSTR value
};

TEST(Variant, LateBoundArgumentsAreFittedToTheDeclaredType) {
    LONG referenced = 42;
    VARIANT byRef{};
    byRef.vt = VT_BYREF | VT_I4;
    byRef.plVal = &referenced;
    VARIANT empty{};
    VARIANT truth{};
    truth.vt = VT_BOOL;
    truth.boolVal = VARIANT_TRUE;

    Coercion rows[] = {
        {Str(u"3"), VT_I4, S_OK, 3, u""},
        {Str(u" -17 "), VT_I4, S_OK, -17, u""},
        {Str(u"+4.0"), VT_I4, S_OK, 4, u""},
        {R8(3.0), VT_I4, S_OK, 3, u""},
        {R8(2.5), VT_I4, S_OK, 2, u""},  // half to even
        {R8(3.5), VT_I4, S_OK, 4, u""},
        {R8(-2.5), VT_I4, S_OK, -2, u""},
        {R8(2147483647.4), VT_I4, S_OK, 2147483647, u""},
        {R8(2147483648.0), VT_I4, DISP_E_OVERFLOW, 0, u""},
        {Str(u"99999999999"), VT_I4, DISP_E_OVERFLOW, 0, u""},
        {Str(u"3,5"), VT_I4, DISP_E_TYPEMISMATCH, 0, u""},
        {Str(u""), VT_I4, DISP_E_TYPEMISMATCH, 0, u""},
        {Str(u"abc"), VT_R8, DISP_E_TYPEMISMATCH, 0, u""},
        {Str(u"nan"), VT_R8, DISP_E_TYPEMISMATCH, 0, u""},
        {Str(u"\u0663"), VT_I4, DISP_E_TYPEMISMATCH, 0, u""},
        {Str(u"1.25"), VT_R8, S_OK, 1.25, u""},
        {Str(u"1e3"), VT_R8, S_OK, 1000, u""},
        {I4(7), VT_R8, S_OK, 7, u""},
        {byRef, VT_I4, S_OK, 42, u""},
        {byRef, VT_BSTR, S_OK, 0, u"42"},
        {empty, VT_I4, S_OK, 0, u""},
        {empty, VT_BSTR, S_OK, 0, u""},
        {truth, VT_I4, S_OK, -1, u""},
        {I4(-12), VT_BSTR, S_OK, 0, u"-12"},
        {R8(0.1), VT_BSTR, S_OK, 0, u"0.1"},
        {R8(1.0 / 3), VT_BSTR, S_OK, 0, u"0.333333333333333"},
        {R8(-0.0), VT_BSTR, S_OK, 0, u"0"},
        {R8(45000.5, VT_DATE), VT_BSTR, S_OK, 0, u"15.03.2023 12:00:00"},
        {Str(u"15.03.2023 12:00"), VT_DATE, S_OK, 45000.5, u""},
        {Str(u"2023-03-15"), VT_DATE, S_OK, 45000, u""},
        {Str(u"31.02.2023"), VT_DATE, DISP_E_TYPEMISMATCH, 0, u""},
        {Str(u"45000.25"), VT_DATE, S_OK, 45000.25, u""},
        {R8(1e7), VT_DATE, DISP_E_OVERFLOW, 0, u""},
        {Str(u"True"), VT_BOOL, S_OK, VARIANT_TRUE, u""},
        {I4(0), VT_BOOL, S_OK, VARIANT_FALSE, u""},
        {I4(1), VT_DISPATCH, DISP_E_TYPEMISMATCH, 0, u""},
        {I4(1), 99, DISP_E_BADVARTYPE, 0, u""},
    };
    for (Coercion& row : rows) {
        SCOPED_TRACE(testing::Message() << "from vt " << row.from.vt << " to " << row.to << " "
                                        << std::string(row.text.begin(), row.text.end()));
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(VariantChangeType(&out, &row.from, 0, row.to), row.hr);
        if (row.hr == S_OK) {
            ASSERT_EQ(out.vt, row.to);
            switch (row.to) {
                case VT_I4:
                    EXPECT_EQ(out.lVal, row.number);
                    break;
                case VT_BOOL:
                    EXPECT_EQ(out.boolVal, row.number);
                    break;
                case VT_BSTR:
                    EXPECT_EQ(BSTRView(out.bstrVal), row.text);
                    break;
                default:
                    EXPECT_DOUBLE_EQ(out.dblVal, row.number);
            }
        } else {
            EXPECT_EQ(out.vt, VT_EMPTY);  // untouched on failure
        }
        VariantClear(&out);
        VariantClear(&row.from);
    }
}

TEST(Variant, InPlaceChangeAndCopyOwnTheirStrings) {
    VARIANT value = Str(u"12");
    ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_I4), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 12);
    ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_BSTR), S_OK);
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &value), S_OK);
    EXPECT_NE(copy.bstrVal, value.bstrVal);
    EXPECT_EQ(BSTRView(copy.bstrVal), u"12");
    VariantClear(&value);
    VariantClear(&copy);
    EXPECT_EQ(copy.vt, VT_EMPTY);
}

TEST(AutomationDate, MatchesTheCalendar) {
    struct Row {
        DATE date;
        SYSTEMTIME time;
    };
    const Row rows[] = {
        {0.0, {1899, 12, 6, 30, 0, 0, 0, 0}},      {2.0, {1900, 1, 1, 1, 0, 0, 0, 0}},
        {45000.75, {2023, 3, 3, 15, 18, 0, 0, 0}}, {-1.25, {1899, 12, 5, 29, 6, 0, 0, 0}},
        {-657434.0, {100, 1, 5, 1, 0, 0, 0, 0}},   {2958465.5, {9999, 12, 5, 31, 12, 0, 0, 0}},
        {36585.0, {2000, 2, 2, 29, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.date);
        SYSTEMTIME t{};
        ASSERT_TRUE(VariantTimeToSystemTime(row.date, &t));
        EXPECT_EQ(std::make_tuple(t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute),
                  std::make_tuple(row.time.wYear, row.time.wMonth, row.time.wDayOfWeek,
                                  row.time.wDay, row.time.wHour, row.time.wMinute));
        DATE back = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&row.time, &back));
        EXPECT_DOUBLE_EQ(back, row.date);
    }
    SYSTEMTIME t{};
    // A hair before midnight rounds to the next day, not to 24:00.
    ASSERT_TRUE(VariantTimeToSystemTime(45000.9999999999, &t));
    EXPECT_EQ(std::make_tuple(t.wDay, t.wHour), std::make_tuple(16, 0));
    EXPECT_FALSE(VariantTimeToSystemTime(NAN, &t));
    EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &t));
    const SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    DATE date;
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &date));

    EXPECT_EQ(DateToText(45000.0), "15.03.2023");
    EXPECT_EQ(DateToText(0.5), "12:00:00");
    EXPECT_EQ(DateFromText("15.3.2023 18:00"), 45000.75);
    EXPECT_EQ(DateFromText("2023-03-15T18:00"), 45000.75);
    for (const char* bad : {"15.03.23", "15.03.2023 18", "15.03.2023 25:00", "2023-03-15 x"}) {
        EXPECT_EQ(DateFromText(bad), std::nullopt) << bad;
    }
}

}  // namespace
