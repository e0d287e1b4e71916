#include "CodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace {

using namespace platform;

// Each test starts from the default code page and leaves it so.
class CodePage : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("KALVORA_CODEPAGE");
        ResetAnsiCodePage();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(CodePage, DefaultIsWindowsCyrillic) {
    EXPECT_EQ(AnsiCodePage(), "CP1251");
}

TEST_F(CodePage, CyrillicRoundTrips) {
    // "Касов бон" in Windows-1251.
    const std::string ansi = "\xCA\xE0\xF1\xEE\xE2 \xE1\xEE\xED";
    const std::u16string wide = u"Касов бон";
    const std::string utf8 = "Касов бон";
    EXPECT_EQ(AnsiToUtf16(ansi), wide);
    EXPECT_EQ(Utf16ToAnsi(wide), ansi);
    EXPECT_EQ(AnsiToUtf8(ansi), utf8);
    EXPECT_EQ(Utf8ToAnsi(utf8), ansi);
    EXPECT_EQ(Utf8ToUtf16(utf8), wide);
    EXPECT_EQ(Utf16ToUtf8(wide), utf8);
    EXPECT_EQ(AnsiToUtf16(""), u"");
}

TEST_F(CodePage, WhatTheCodePageCannotHoldBecomesQuestionMark) {
    struct Row {
        std::u16string wide;
        std::string ansi;
    };
    const Row rows[] = {
        {u"a\u4E2Db", "a?b"},     // CJK
        {u"\U0001F600x", "?x"},   // surrogate pair is one character
        {u"x\xD800y", "x?y"},     // lone surrogate
        {u"\u0103\u021B", "??"},  // Romanian letters outside 1251
        {u"\u20AC1",
         "\x88"
         "1"},  // the euro sign is in 1251
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Utf16ToAnsi(row.wide), row.ansi);
    }
    EXPECT_EQ(Utf8ToAnsi("a\xE4\xB8\xAD"
                         "b"),
              "a?b");
    EXPECT_EQ(Utf8ToAnsi("bad \xFF\xC3 end"), "bad ?? end");
    // 0x98 is the one byte 1251 leaves undefined.
    EXPECT_EQ(AnsiToUtf16("A\x98Z"), u"A?Z");
}

TEST_F(CodePage, EnvironmentChoosesAnotherCodePage) {
    setenv("KALVORA_CODEPAGE", "1252", 1);
    ResetAnsiCodePage();
    EXPECT_EQ(AnsiCodePage(), "CP1252");
    EXPECT_EQ(AnsiToUtf16("\xE9"), u"\u00E9");
    EXPECT_EQ(Utf16ToAnsi(u"\u0416"), "?");

    setenv("KALVORA_CODEPAGE", "NO-SUCH-PAGE", 1);
    ResetAnsiCodePage();
    EXPECT_THROW(AnsiToUtf16("x"), std::runtime_error);
}

}  // namespace
