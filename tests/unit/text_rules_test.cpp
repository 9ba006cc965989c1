#include "platform/text_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace timelock {
namespace {

struct Rewrite {
    std::string before;
    std::string after;
};

class FocusLossRewrite : public ::testing::TestWithParam<Rewrite> {};

TEST_P(FocusLossRewrite, GivesPlainDecimalOrEmpty) {
    EXPECT_EQ(RewriteWholeNumber(GetParam().before), GetParam().after) << "input \"" << GetParam().before << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, FocusLossRewrite,
    ::testing::Values(
        // No digits after the optional white space and sign: empty.
        Rewrite{"", ""}, Rewrite{"-", ""}, Rewrite{"--", ""}, Rewrite{"+", ""}, Rewrite{"ab", ""}, Rewrite{" ", ""},
        Rewrite{"-a1", ""}, Rewrite{"+-1", ""}, Rewrite{"\xE6\x97\xB6", ""},
        // Zero keeps its value.
        Rewrite{"0", "0"}, Rewrite{"00", "0"}, Rewrite{"-0", "0"}, Rewrite{"+0", "0"},
        // Leading zeros, trailing junk, sign.
        Rewrite{"7", "7"}, Rewrite{"07", "7"}, Rewrite{"12", "12"}, Rewrite{"-5", "-5"}, Rewrite{"5-", "5"},
        Rewrite{"1a", "1"}, Rewrite{"+7", "7"}, Rewrite{"99", "99"}, Rewrite{"-9", "-9"}, Rewrite{"1 2", "1"},
        // Each of the six white-space characters is skipped before the number.
        Rewrite{" 7", "7"}, Rewrite{"\t7", "7"}, Rewrite{"\n7", "7"}, Rewrite{"\v7", "7"}, Rewrite{"\f7", "7"},
        Rewrite{"\r7", "7"}, Rewrite{" \t\r\n8", "8"},
        // Other characters are not white space.
        Rewrite{"\xC2\xA0"
                "7",
                ""},
        Rewrite{"\b7", ""},
        // Clamped to 32 bits, however long the digit run.
        Rewrite{"2147483647", "2147483647"}, Rewrite{"2147483648", "2147483647"}, Rewrite{"-2147483648", "-2147483648"},
        Rewrite{"-2147483649", "-2147483648"}, Rewrite{std::string(200, '9'), "2147483647"},
        Rewrite{"-" + std::string(200, '9'), "-2147483648"}, Rewrite{std::string(50, '0') + "42", "42"}));

TEST(FocusLossRewrite, IsIdempotent) {
    for (const char* text : {"", "0", "-5", "07", "5-", " +12x", "99999999999"}) {
        const std::string once = RewriteWholeNumber(text);
        EXPECT_EQ(RewriteWholeNumber(once), once) << text;
    }
}

TEST(KeyFilter, PassesControlCodesMinusAndDigitsOnly) {
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        const bool expected = code < 32 || code == '-' || (code >= '0' && code <= '9');
        ASSERT_EQ(PassesWholeNumberFilter(code), expected) << "code " << code;
    }
}

struct Comparison {
    std::string first;
    std::string second;
    int expected;
};

class CompareTextCase : public ::testing::TestWithParam<Comparison> {};

TEST_P(CompareTextCase, GivesSignAsUnsignedBytes) {
    const auto& [first, second, expected] = GetParam();
    EXPECT_EQ(CompareText(first, second), expected) << '"' << first << "\" vs \"" << second << '"';
    EXPECT_EQ(CompareText(second, first), -expected) << "antisymmetric";
}

INSTANTIATE_TEST_SUITE_P(Table, CompareTextCase,
                         ::testing::Values(Comparison{"", "", 0}, Comparison{"", "a", -1}, Comparison{"14", "14", 0},
                                           Comparison{"9", "10", 1}, Comparison{"30", "5", -1},
                                           Comparison{"1", "12", -1}, Comparison{"abc", "abd", -1},
                                           // Bytes above 0x7F compare as unsigned: a CJK lead byte sorts after ASCII.
                                           Comparison{"\xE6\x97\xB6", "z", 1}, Comparison{"\x80", "\x7F", 1},
                                           // The first zero byte ends a text.
                                           Comparison{std::string("5\0"
                                                                  "9",
                                                                  3),
                                                      "5", 0},
                                           Comparison{std::string("\0a", 2), "", 0}));

TEST(CompareText, YieldsExactlyMinusOneZeroOrOne) {
    EXPECT_EQ(CompareText("a", "z"), -1);
    EXPECT_EQ(CompareText("zzzz", "a"), 1);
}

TEST(NumberToText, WritesAsPercentD) {
    EXPECT_EQ(NumberToText(0), "0");
    EXPECT_EQ(NumberToText(7), "7");
    EXPECT_EQ(NumberToText(23), "23");
    EXPECT_EQ(NumberToText(-5), "-5");
    EXPECT_EQ(NumberToText(2147483647), "2147483647");
    EXPECT_EQ(NumberToText(-2147483647 - 1), "-2147483648");
}

TEST(ParsePlainDecimal, AcceptsOnlyWhatNumberToTextWrites) {
    EXPECT_EQ(ParsePlainDecimal("0"), 0);
    EXPECT_EQ(ParsePlainDecimal("23"), 23);
    EXPECT_EQ(ParsePlainDecimal("-5"), -5);
    EXPECT_EQ(ParsePlainDecimal("-2147483648"), -2147483647 - 1);
    for (const char* text : {"", "-", "07", "-0", "+7", " 7", "7 ", "1a", "2147483648", "00", "\xEF\xBC\x91"}) {
        EXPECT_FALSE(ParsePlainDecimal(text).has_value()) << '"' << text << '"';
    }
    EXPECT_FALSE(ParsePlainDecimal(std::string(100000, '1')).has_value());
}

TEST(Utf, RoundTripsChineseAndAstralText) {
    const std::string text = "砾澄定时锁屏 \xF0\x9F\x94\x92 12";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("时"), std::u16string(u"时"));
}

TEST(Utf, ReplacesIllFormedSequences) {
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD"));                // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD"));            // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("a\xE6\x97"), std::u16string(u"a\uFFFD"));              // cut short
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
}  // namespace timelock
