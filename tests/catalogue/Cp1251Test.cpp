#include "catalogue/Cp1251.h"

#include <gtest/gtest.h>

using namespace kodrix;

TEST(Cp1251, RoundTripsEveryDefinedByte) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;  // undefined in the code page
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(cp1251::fromUtf8(cp1251::toUtf8(one)), one) << b;
        EXPECT_EQ(cp1251::fromUtf16(cp1251::toUtf16(one)), one) << b;
    }
}

TEST(Cp1251, CyrillicAndSpecialLettersConvert) {
    EXPECT_EQ(cp1251::toUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
    EXPECT_EQ(cp1251::fromUtf8("Привет, Ёж!"), "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6!");
    EXPECT_EQ(cp1251::fromUtf8("€—«»"), "\x88\x97\xAB\xBB");
}

TEST(Cp1251, UnmappableAndInvalidInputBecomesQuestionMarks) {
    EXPECT_EQ(cp1251::fromUtf8("a中b"), "a?b");
    EXPECT_EQ(cp1251::fromUtf8("a\xF0\x9F\x98\x80z"), "a?z");       // beyond the BMP
    EXPECT_EQ(cp1251::fromUtf8("a\xFF\xFE" "b"), "a??b");           // not UTF-8 at all
    EXPECT_EQ(cp1251::fromUtf8("a\xD0"), "a?");                     // cut sequence
    EXPECT_EQ(cp1251::fromUtf8("\xED\xA0\x80"), "?");               // an encoded surrogate
    EXPECT_EQ(cp1251::fromUtf16(u"x\xD800y"), "x?y");               // unpaired surrogate
    EXPECT_EQ(cp1251::fromUtf16(u"\xD83D\xDE00"), "?");
}

TEST(Cp1251, Utf16TextReachesUtf8WholeWithLoneSurrogatesReplaced) {
    const struct {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"", ""},
        {u"a\x7F", "a\x7F"},                            // one byte
        {u"\x00E9\x0416", "é" "Ж"},                       // two bytes
        {u"\x20AC\xFFFF", "€" "\xEF\xBF\xBF"},           // three bytes
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},            // a pair: four bytes
        {u"x\xD800y", "x\xEF\xBF\xBDy"},                 // a lone high surrogate
        {u"\xDC00", "\xEF\xBF\xBD"},                      // a lone low surrogate
        {u"\xD800", "\xEF\xBF\xBD"},                      // a high one at the very end
    };
    for (const auto& c : cases) EXPECT_EQ(cp1251::utf16ToUtf8(c.in), c.out) << c.out;
}

TEST(Cp1251, CaseRulesCoverLatinCyrillicAndYo) {
    EXPECT_EQ(cp1251::upper("abz\xE0\xFF\xB8\xA2\xBF"), "ABZ\xC0\xDF\xA8\xA1\xAF");
    EXPECT_EQ(cp1251::lower("ABZ\xC0\xDF\xA8\x80\x8A"), "abz\xE0\xFF\xB8\x90\x9A");
    EXPECT_EQ(cp1251::upper("1-9 .\xB5\xB9"), "1-9 .\xB5\xB9");  // no case: unchanged
    EXPECT_TRUE(cp1251::equalsIgnoreCase("sega\\m.DAT", "SEGA\\M.dat"));
    EXPECT_TRUE(cp1251::equalsIgnoreCase("\xB8\xEB\xEA\xE0", "\xA8\xCB\xCA\xC0"));  // ёлка / ЁЛКА
    EXPECT_FALSE(cp1251::equalsIgnoreCase("\xE5", "\xB8"));                        // е is not ё
    EXPECT_TRUE(cp1251::isCyrillicCapital(0xC0));
    EXPECT_TRUE(cp1251::isCyrillicCapital(0xDF));
    EXPECT_TRUE(cp1251::isCyrillicCapital(0xA8));
    EXPECT_FALSE(cp1251::isCyrillicCapital(0xE0));
    EXPECT_FALSE(cp1251::isCyrillicCapital(0xB8));
}
